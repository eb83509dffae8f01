#pragma once
// Holding registers 150 to 155: the analog input correction y = k*x + b, the
// buzzer switch and the port input and control types.

#include <cstdint>

struct SystemParamsExt {
    float analogFactor;       // 150-151, k
    uint16_t analogOffset;    // 152, b in thousandths, signed
    uint16_t buzzerDisabled;  // 153, bit 0
    uint16_t portInputType;   // 154
    uint16_t portControlType; // 155
};
static_assert(sizeof(SystemParamsExt) == 2 * 6, "SystemParamsExt mirrors 6 registers");
