#pragma once
#include <cstdint>

// Result of every drive operation: 0 success, 1..255 the drive's exception
// code, 128..131 failures the master detects itself.
using ModbusResult = uint32_t;

constexpr ModbusResult kResultOk = 0;
constexpr ModbusResult kResultBusy = 6;
constexpr ModbusResult kResultNotAllowed = 0x40;
constexpr ModbusResult kResultNotLearned = 0x60;
constexpr ModbusResult kResultPortNotOpen = 128;
constexpr ModbusResult kResultBadResponse = 129;
constexpr ModbusResult kResultTimeout = 130;
constexpr ModbusResult kResultTooLong = 131;
