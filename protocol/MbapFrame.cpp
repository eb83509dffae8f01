#include "MbapFrame.h"

namespace MbapFrame {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Unit id and PDU: at least a unit id and a function, at most what an RTU
// frame carries (256 minus the CRC).
constexpr size_t kMinFollowing = 2;
constexpr size_t kMaxFollowing = 254;

}  // namespace

std::vector<uint8_t> Wrap(uint16_t transactionId, const uint8_t* unitPdu, size_t length)
{
    std::vector<uint8_t> frame(kHeaderLength + length);
    frame[0] = static_cast<uint8_t>(transactionId >> 8);
    frame[1] = static_cast<uint8_t>(transactionId);
    frame[4] = static_cast<uint8_t>(length >> 8);
    frame[5] = static_cast<uint8_t>(length);
    for (size_t i = 0; i < length; ++i) frame[kHeaderLength + i] = unitPdu[i];
    return frame;
}

uint16_t TransactionId(const uint8_t* frame) { return U16(frame); }

Match Find(const uint8_t* buf, size_t count, uint16_t transactionId)
{
    size_t at = 0;
    while (count - at >= kHeaderLength) {
        const uint8_t* f = buf + at;
        const size_t following = U16(f + 4);
        if (U16(f + 2) != 0 || following < kMinFollowing || following > kMaxFollowing)
            return {Found::BadHeader, at, count - at};
        const size_t length = kHeaderLength + following;
        if (count - at < length) break;
        if (U16(f) == transactionId) return {Found::Answer, at, length};
        at += length;
    }
    return {Found::Incomplete, at, 0};
}

}  // namespace MbapFrame
