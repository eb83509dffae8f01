#pragma once
#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

// The drive's CAN settings, holding registers 0x0120..0x0129.
struct CanParams {
    static constexpr uint16_t kStart = 0x0120;
    static constexpr uint16_t kCount = 10;

    uint16_t mode = 0;          // bit 0: 0 plain RS-485/CAN, 1 CANopen
    uint16_t nodeId = 0;        // CANopen node ID
    uint16_t canBaud = 0;       // index of the CAN baud rate list
    uint16_t reserved[5] = {};  // written as 0
    uint16_t autoStart = 0;     // 1: CANopen starts by itself
    uint16_t heartbeat = 0;     // heartbeat period, ms
};
static_assert(RegisterLayout::Fits<CanParams>());

namespace FieldRules {
inline constexpr const char* kCanModeItems[] = {"485/CAN", "CANOpen"};
inline constexpr const char* kCanBaudItems[] = {"10kbps",  "20kbps",  "50kbps",  "125kbps",
                                                "250kbps", "500kbps", "800kbps", "1Mbps"};

inline constexpr Field kCanParamsFields[] = {
    {.key = "can.mode", .reg = 0x0120, .kind = ChoiceBit0, .items = kCanModeItems, .label = "通讯模式"},
    {.key = "can.node_id", .reg = 0x0121, .kind = HexNodeId, .label = "节点ID"},
    {.key = "can.baud_rate", .reg = 0x0122, .kind = Choice, .items = kCanBaudItems, .label = "CAN波特率"},
    {.key = "can.reserved", .reg = 0x0123, .kind = ReservedZero, .registers = 5, .label = "保留"},
    {.key = "can.auto_start", .reg = 0x0128, .kind = CheckOne, .label = "CANOpen自启动"},
    {.key = "can.heartbeat", .reg = 0x0129, .kind = Number, .unit = "ms", .label = "心跳周期"},
};
}  // namespace FieldRules
