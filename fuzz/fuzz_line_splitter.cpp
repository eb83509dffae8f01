// Any bytes heard on a line in listen-only mode, in chunks and silences the
// input chooses: every byte comes out exactly once, in order, and every
// summary of what was heard is plain ASCII.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FrameDecoder.h"
#include "LineListener.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace std::chrono_literals;
    std::vector<uint8_t> heard;
    CLineFrameSplitter splitter(
        [&](const CapturedFrame& frame) {
            if (frame.kind != FrameKind::Timeout) {
                if (frame.bytes.empty()) abort();
                heard.insert(heard.end(), frame.bytes.begin(), frame.bytes.end());
            }
            for (char c : FrameDecoder::TraceLine(frame))
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) abort();
        },
        4ms, 20ms);
    std::vector<uint8_t> fed;
    auto t = CapturedFrame::Clock::time_point{} + 1s;
    // Each chunk: a length byte (low 5 bits), a pause (high 3 bits), then the bytes.
    size_t i = 0;
    while (i < size) {
        const uint8_t head = data[i++];
        const size_t n = std::min<size_t>(head & 0x1F, size - i);
        splitter.Feed(data + i, n, t);
        fed.insert(fed.end(), data + i, data + i + n);
        i += n;
        t += std::chrono::milliseconds(1 << (head >> 5));
        splitter.Idle(t);
    }
    splitter.Finish();
    if (heard != fed) abort();
    return 0;
}
