#pragma once
// Holding registers 186 to 203: the gains of the three PID loops, each a
// single-precision float in two registers, high word first.

#include <array>
#include <cstddef>
#include <cstdint>

#include "FieldRules.h"
#include "RegisterLayout.h"

struct PidParams {
    static constexpr uint16_t kStart = 186;
    static constexpr uint16_t kCount = 18;

    float selfLockKp;  // 186-187
    float selfLockKi;  // 188-189
    float selfLockKd;  // 190-191
    float speedKp;     // 192-193
    float speedKi;     // 194-195
    float speedKd;     // 196-197
    float positionKp;  // 198-199
    float positionKi;  // 200-201
    float positionKd;  // 202-203

    static constexpr std::array<size_t, 9> WideOffsets()
    {
        return {offsetof(PidParams, selfLockKp), offsetof(PidParams, selfLockKi), offsetof(PidParams, selfLockKd),
                offsetof(PidParams, speedKp),    offsetof(PidParams, speedKi),    offsetof(PidParams, speedKd),
                offsetof(PidParams, positionKp), offsetof(PidParams, positionKi), offsetof(PidParams, positionKd)};
    }
};
static_assert(sizeof(float) == 4, "gains are IEEE 754 single precision");
static_assert(RegisterLayout::Fits<PidParams>());

namespace FieldRules {
inline constexpr Field kPidParamsFields[] = {
    {.key = "pid.self_lock_kp", .reg = 186, .kind = Gain, .registers = 2, .label = "自锁PID参数 Kp"},
    {.key = "pid.self_lock_ki", .reg = 188, .kind = Gain, .registers = 2, .label = "自锁PID参数 Ki"},
    {.key = "pid.self_lock_kd", .reg = 190, .kind = Gain, .registers = 2, .label = "自锁PID参数 Kd"},
    {.key = "pid.speed_kp", .reg = 192, .kind = Gain, .registers = 2, .label = "速度PID参数 Kp"},
    {.key = "pid.speed_ki", .reg = 194, .kind = Gain, .registers = 2, .label = "速度PID参数 Ki"},
    {.key = "pid.speed_kd", .reg = 196, .kind = Gain, .registers = 2, .label = "速度PID参数 Kd"},
    {.key = "pid.position_kp", .reg = 198, .kind = Gain, .registers = 2, .label = "位置PID参数 Kp"},
    {.key = "pid.position_ki", .reg = 200, .kind = Gain, .registers = 2, .label = "位置PID参数 Ki"},
    {.key = "pid.position_kd", .reg = 202, .kind = Gain, .registers = 2, .label = "位置PID参数 Kd"},
};
}  // namespace FieldRules
