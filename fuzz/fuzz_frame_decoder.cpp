// Any bytes as seen by the bus monitor: the sorting into answer, noise and
// trailing bytes must account for every byte in order, and the summaries of
// any request and answer must stay inside the frame and be plain ASCII.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FrameDecoder.h"

namespace {

void CheckAscii(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const uint8_t slave = data[0];
    const uint8_t* bytes = data + 1;
    const size_t count = size - 1 > 256 ? 256 : size - 1;  // the receive buffer holds 256

    std::vector<uint8_t> joined;
    for (const auto& piece : FrameDecoder::SplitReceived(bytes, count, slave, 0x03)) {
        if (piece.bytes.empty()) abort();
        joined.insert(joined.end(), piece.bytes.begin(), piece.bytes.end());
    }
    if (joined != std::vector<uint8_t>(bytes, bytes + count)) abort();

    // The first half as a request, the rest as its answer, each copied so
    // that a read past its end is caught.
    const size_t half = count / 2;
    const std::vector<uint8_t> request(bytes, bytes + half), answer(bytes + half, bytes + count);
    CheckAscii(FrameDecoder::DescribeRequest(request.data(), request.size()));
    CheckAscii(FrameDecoder::DescribeAnswer(request.data(), request.size(), answer.data(), answer.size()));
    CapturedFrame frame;
    frame.kind = static_cast<FrameKind>(slave % 8);
    frame.bytes = answer;
    frame.request = request;
    frame.result = slave;
    CheckAscii(FrameDecoder::TraceLine(frame));
    return 0;
}
