#pragma once
// Modbus TCP framing: the MBAP header (transaction id, protocol id 0, the
// length of what follows, unit id) before the PDU, no CRC. Rules on plain
// byte buffers, like RtuFrame, so that they can be tested and fuzzed.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace MbapFrame {

constexpr size_t kHeaderLength = 6;  // transaction id, protocol id, length; the unit id follows

// The request `unitPdu` (unit id, function, data) under its header.
std::vector<uint8_t> Wrap(uint16_t transactionId, const uint8_t* unitPdu, size_t length);

enum class Found {
    Incomplete,  // no answer with this transaction id yet: wait for more
    Answer,      // the answer is at [offset, offset + length)
    BadHeader,   // a header no answer can have (protocol id, length): give up on the stream
};
struct Match {
    Found found = Found::Incomplete;
    size_t offset = 0;  // where the frame starts (the skipped frames before it)
    size_t length = 0;  // header included
};
// Walks the frames from the start of `buf`: complete frames with another
// transaction id are answers to earlier requests and are passed over; the
// first with `transactionId` is the answer.
Match Find(const uint8_t* buf, size_t count, uint16_t transactionId);

uint16_t TransactionId(const uint8_t* frame);

}  // namespace MbapFrame
