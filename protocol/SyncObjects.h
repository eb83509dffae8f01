#pragma once
// The drive's SYNC objects: the COB-ID (0x1005), the communication cycle
// period (0x1006) and the synchronous window length (0x1007), both times in
// microseconds. Read and written as the three objects in this order.

#include <array>
#include <cstdint>

#include "SdoStep.h"

class CModbusMaster;

namespace SyncObjects {

constexpr uint16_t kCobIdObject = 0x1005;
constexpr uint16_t kCyclePeriodObject = 0x1006;
constexpr uint16_t kWindowLengthObject = 0x1007;
constexpr int kCount = 3;
using Values = std::array<uint32_t, kCount>;  // COB-ID, cycle period, window length

// The first failure ends the read; `count` says how many values came before it.
struct Reading {
    SdoStep step;  // the last exchange: on failure, the failing one
    int count = 0;
    Values values{};
};
Reading Read(CModbusMaster& master, uint8_t slave);

// Each as a 4-byte download; the first failure ends it. The last exchange run.
SdoStep Write(CModbusMaster& master, uint8_t slave, const Values& values);

}  // namespace SyncObjects
