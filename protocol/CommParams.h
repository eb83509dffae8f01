#pragma once
#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

// The drive's RS-485 line settings, holding registers 0x0090..0x0095, in
// register order and host byte order. The baud rate spread over the first
// two is kept as two words: no 32-bit word-order conversion applies.
struct CommParams {
    static constexpr uint16_t kStart = 0x0090;
    static constexpr uint16_t kCount = 6;

    uint16_t baudHigh = 0;   // RS-485 baud rate, upper 16 bits
    uint16_t baudLow = 0;    // RS-485 baud rate, lower 16 bits
    uint16_t parity = 0;     // parity and stop bits, as the parity combo's index
    uint16_t reserved = 0;   // written as 0
    uint16_t lockFlags = 0;  // bit 0: no parameter changes under communication control
    uint16_t brakeTime = 0;  // brake time after a lost link, 0.1 s
};
static_assert(RegisterLayout::Fits<CommParams>());

namespace FieldRules {
inline constexpr const char* kBaud485Items[] = {"9600 ", "19200", "38400", "57600", "115200"};
inline constexpr const char* kParityItems[] = {"无校验+2停止位", "奇校验+1停止位", "偶校验+1停止位", "无校验+1停止位"};

inline constexpr Field kCommParamsFields[] = {
    {.key = "comm.baud_rate",
     .reg = 0x0090,
     .kind = BaudChoice,
     .registers = 2,
     .unit = "bit/s",
     .items = kBaud485Items,
     .label = "485波特率"},
    {.key = "comm.parity", .reg = 0x0092, .kind = Choice, .items = kParityItems, .label = "校验方式"},
    {.key = "comm.reserved_0093", .reg = 0x0093, .kind = ReservedZero, .label = "保留"},
    {.key = "comm.lock_config", .reg = 0x0094, .kind = CheckBit0, .label = "通讯控制时禁止参数配置"},
    {.key = "comm.brake_time", .reg = 0x0095, .kind = Number, .decimals = 1, .unit = "s", .label = "通讯中断制动时间"},
};
}  // namespace FieldRules
