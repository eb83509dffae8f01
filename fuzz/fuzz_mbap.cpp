// Any bytes arriving on a Modbus TCP connection: finding the answer among
// other transactions, judging it against the request, and the monitor's
// sorting and summaries must stay inside the buffer and agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FrameDecoder.h"
#include "MbapFrame.h"
#include "RtuFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const uint16_t tid = static_cast<uint16_t>(data[0] << 8 | data[1]);
    const uint8_t* buf = data + 2;
    const size_t count = size - 2 > 256 ? 256 : size - 2;
    for (size_t n = 0; n <= count; ++n) {
        const MbapFrame::Match m = MbapFrame::Find(buf, n, tid);
        if (m.found == MbapFrame::Found::Answer) {
            if (m.offset + m.length > n || m.length < MbapFrame::kHeaderLength + 2) abort();
            const uint8_t* unitPdu = buf + m.offset + MbapFrame::kHeaderLength;
            const size_t pduCount = m.length - MbapFrame::kHeaderLength;
            const uint8_t read[] = {unitPdu[0], 0x03, 0x00, 0x20, 0x00, 0x1B};
            const ModbusResult r = RtuFrame::Judge(unitPdu, pduCount, read, sizeof read);
            if (r == kResultOk && pduCount != 3 + 54) abort();
        }
        size_t total = 0;
        for (const auto& piece : FrameDecoder::SplitMbap(buf, n, tid, 1)) {
            total += piece.bytes.size();
            CapturedFrame f;
            f.mbap = true;
            f.kind = piece.kind;
            f.bytes = piece.bytes;
            f.request = MbapFrame::Wrap(tid, buf, n < 6 ? n : 6);
            (void)FrameDecoder::Describe(f);
        }
        if (total != n) abort();
    }
    return 0;
}
