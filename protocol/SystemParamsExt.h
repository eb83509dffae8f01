#pragma once
// Holding registers 150 to 155: the analog input correction y = k*x + b, the
// buzzer switch and the port input and control types.

#include <array>
#include <cstddef>
#include <cstdint>

#include "RegisterLayout.h"

struct SystemParamsExt {
    static constexpr uint16_t kStart = 150;
    static constexpr uint16_t kCount = 6;

    float analogFactor;       // 150-151, k
    uint16_t analogOffset;    // 152, b in thousandths, signed
    uint16_t buzzerDisabled;  // 153, bit 0
    uint16_t portInputType;   // 154
    uint16_t portControlType; // 155

    static constexpr std::array<size_t, 1> WideOffsets() { return {offsetof(SystemParamsExt, analogFactor)}; }
};
static_assert(RegisterLayout::Fits<SystemParamsExt>());
