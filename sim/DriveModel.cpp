#include "DriveModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zoric::sim {

namespace {

struct Range {
    std::uint16_t first;
    std::uint16_t last;
    bool writable;
};

// Every register the drive answers for. Anything else is exception 2.
constexpr Range kMap[] = {
    {0, 15, false},          // device information
    {32, 58, false},         // live status
    {64, 71, true},          // motor commands
    {80, 83, true},          // ramps
    {96, 123, true},         // motor parameters
    {128, 157, true},        // system parameters, RS-485 settings, slave address
    {160, 170, true},        // reciprocating motion and its test command
    {176, 179, true},        // preset speeds
    {186, 203, true},        // PID gains
    {224, 239, true},        // procedure block
    {256, 269, true},        // safety limits
    {288, 297, true},        // CAN settings
    {0x0200, 0x0205, true},  // SDO tunnel
    {768, 779, true},        // FOC settings
    {0x700A, 0x700A, true},  // position clear
};

// Settings the drive refuses to change while the motor turns.
bool IsParameter(std::uint16_t a)
{
    return (a >= 96 && a <= 123) || (a >= 128 && a <= 157) || (a >= 160 && a <= 169) || (a >= 176 && a <= 179) ||
           (a >= 186 && a <= 203) || (a >= 256 && a <= 269) || (a >= 288 && a <= 297) || (a >= 768 && a <= 779);
}

bool IsWritable(std::uint16_t a)
{
    for (const Range& r : kMap)
        if (a >= r.first && a <= r.last) return r.writable;
    return false;
}

std::uint32_t FloatBits(float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

std::uint16_t ClampToU16(double v) { return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L)); }

std::uint16_t ClampToS16(double v)
{
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
}

double Toward(double value, double target, double maxStep)
{
    if (value < target) return std::min(value + maxStep, target);
    return std::max(value - maxStep, target);
}

// GBK text of the model name: "ZORIC-FOC" followed by the three characters
// for "drive unit".
constexpr std::uint8_t kModelText[16] = {'Z', 'O',  'R',  'I',  'C',  '-',  'F',  'O',
                                         'C', 0xC7, 0xFD, 0xB6, 0xAF, 0xC6, 0xF7, 0};

// Hall states in the order the learning finds them.
constexpr std::uint8_t kPhaseSequence[6] = {0x01, 0x05, 0x04, 0x06, 0x02, 0x03};

constexpr double kLearningSeconds = 3.0;
constexpr double kCalibrationSeconds = 20.0;
constexpr std::int16_t kCalibratedOffset = -10;
constexpr std::int16_t kCalibratedAdvance = 25;

}  // namespace

CDriveModel::CDriveModel(const SimOptions& options, Clock::time_point now)
    : m_dictionary(options.canNodeId, options.rpdoCommEntries),
      m_timeScale(options.timeScale > 0 ? options.timeScale : 1.0),
      m_learningFails(options.learningFails),
      m_last(now)
{
    SetDefaults(options);
    UpdateLiveStatus();
}

void CDriveModel::SetDefaults(const SimOptions& options)
{
    auto& r = m_regs;
    r[0] = 0x2408;  // device identifier
    r[1] = 0x0203;  // firmware 2.03
    for (size_t i = 0; i < 8; ++i)
        r[2 + i] = static_cast<std::uint16_t>(kModelText[2 * i] << 8 | kModelText[2 * i + 1]);
    r[10] = 1000;   // PWM resolution 1/1000
    r[11] = 16000;  // PWM frequency, Hz
    r[12] = 1500;   // maximum current, 0.01 A
    r[13] = 10;     // current resolution, mA
    r[14] = 1;      // supports the x10 speed range

    r[82] = 5000;  // acceleration 500.0 Hz/s
    r[83] = 5000;  // deceleration

    r[96] = 5;
    r[97] = 5;
    r[98] = 50000;
    r[99] = 5000;
    r[100] = 50000;
    r[101] = 5000;
    r[102] = 10000;  // maximum frequency 1000.0 Hz
    r[103] = 5000;
    r[106] = 500;  // rated current 5.00 A
    r[107] = 1000;
    r[108] = 100;
    r[113] = 5;
    r[114] = 1;
    r[115] = 8;   // poles
    r[116] = 10;  // gear ratio 1.0
    r[117] = options.startUnlearned ? 0 : 1;
    if (!options.startUnlearned) {
        for (size_t i = 0; i < 3; ++i)
            r[109 + i] = static_cast<std::uint16_t>(kPhaseSequence[2 * i] << 8 | kPhaseSequence[2 * i + 1]);
    }
    r[120] = 50;
    r[121] = 150;
    r[122] = 30;

    r[135] = 5000;   // potentiometer 0..5 V
    r[137] = 10000;  // analog input 0..10 V
    r[138] = 2000;   // logic threshold 2 V
    r[139] = 100;
    SetU32(140, FloatBits(1.0f));  // pulse multiplier
    r[142] = 30;                   // stall stop 3.0 s
    SetU32(144, options.baudRate);
    r[146] = static_cast<std::uint16_t>(ParityIndex(options.parity, options.stopBits));
    r[149] = 5;                    // brake 0.5 s after a communication loss
    SetU32(150, FloatBits(1.0f));  // analog correction factor
    r[156] = options.slaveAddress;
    r[157] = 1;

    r[161] = 1;
    r[164] = 10000;  // coarse homing 1000.0 Hz
    r[165] = 1000;
    r[166] = 5000;
    r[167] = 5;
    r[176] = 2;
    r[178] = 5000;
    r[179] = 5000;

    const float pid[9] = {0.8f, 0.05f, 0.0f, 1.2f, 0.1f, 0.01f, 2.0f, 0.0f, 0.5f};
    for (int i = 0; i < 9; ++i) SetU32(static_cast<std::uint16_t>(186 + 2 * i), FloatBits(pid[i]));

    r[256] = 85;
    r[257] = 75;
    r[258] = 560;
    r[259] = 180;
    r[260] = 2000;
    r[261] = 500;
    r[264] = 1;
    r[266] = 10000;
    r[268] = 10000;

    r[289] = options.canNodeId;  // CANopen node id
    r[290] = 4;                  // 250 kbit/s
    r[297] = 1000;               // heartbeat, ms

    r[768] = 2;  // speed closed loop
    r[769] = 1000;
    r[770] = 5000;
    r[774] = 800;
    r[775] = 100;
    r[776] = 150;
    r[778] = 1;
}

bool CDriveModel::IsMapped(std::uint16_t address)
{
    for (const Range& r : kMap)
        if (address >= r.first && address <= r.last) return true;
    return false;
}

bool CDriveModel::IsPersistent(std::uint16_t address)
{
    return IsParameter(address) || (address >= 80 && address <= 83);
}

void CDriveModel::Set(std::uint16_t address, std::uint16_t value)
{
    m_regs[address] = value;
    if (address == 297) m_dictionary.Set(0x1017, 0, value);
}

void CDriveModel::SetU32(std::uint16_t address, std::uint32_t value)
{
    m_regs[address] = static_cast<std::uint16_t>(value >> 16);
    m_regs[static_cast<std::uint16_t>(address + 1)] = static_cast<std::uint16_t>(value);
}

double CDriveModel::MaxFreqHz() const
{
    const double max = m_regs[102] * FreqUnit();
    return max > 0 ? max : 1000.0;
}

bool CDriveModel::MotorTurning() const { return m_mode != Mode::Idle || m_freq != 0.0; }

bool CDriveModel::IsActive() const { return MotorTurning() || Busy(); }

std::uint8_t CDriveModel::ReadRegisters(std::uint16_t start, std::uint16_t count, std::vector<std::uint16_t>& out) const
{
    out.clear();
    for (std::uint32_t a = start; a < static_cast<std::uint32_t>(start) + count; ++a) {
        if (a > 0xFFFF || !IsMapped(static_cast<std::uint16_t>(a))) return kIllegalAddress;
        out.push_back(m_regs[a]);
    }
    return kOk;
}

std::uint8_t CDriveModel::CheckWrite(std::uint16_t start, const std::uint16_t* values, std::uint16_t count) const
{
    const std::uint32_t end = static_cast<std::uint32_t>(start) + count;  // one past
    if (end > 0x10000) return kIllegalAddress;
    for (std::uint32_t a = start; a < end; ++a)
        if (!IsWritable(static_cast<std::uint16_t>(a))) return kIllegalAddress;

    auto has = [&](std::uint16_t a) { return a >= start && a < end; };
    auto value = [&](std::uint16_t a) { return has(a) ? values[a - start] : m_regs[a]; };

    bool command = false;
    bool parameter = false;
    for (std::uint32_t a = start; a < end; ++a) {
        const auto addr = static_cast<std::uint16_t>(a);
        const std::uint16_t v = values[a - start];
        const auto sv = static_cast<std::int16_t>(v);
        if ((addr == 64 && v > 2) || (addr == 66 && (sv < -1000 || sv > 1000)) || (addr == 69 && v > 1) ||
            (addr == 170 && v > 4) || (addr == 225 && v > 1) || (addr == 0x700A && v != 1) || (addr == 146 && v > 3) ||
            (addr == 156 && (v == 0 || v > 247)) || (addr == 119 && (v & 1) && value(14) == 0))
            return kIllegalValue;
        command = command || (addr >= 66 && addr <= 71);
        parameter = parameter || IsParameter(addr);
    }
    const bool startsProcedure = has(225) && value(225) == 1;
    if (startsProcedure && value(224) > 1) return kIllegalValue;
    if (has(71) && value(68) == 0) return kIllegalValue;

    if (command) {
        if (!Learned()) return kNotLearned;
        if (Busy()) return kBusy;
        if (m_overheated) return kNotAllowed;
    }
    if (has(170) && value(170) >= 2) {
        if (!Learned()) return kNotLearned;
        if (Busy()) return kBusy;
        if (MotorTurning() || m_overheated) return kNotAllowed;
    }
    if (startsProcedure) {
        if (Busy()) return kBusy;
        if (value(224) == 1 && !Learned()) return kNotLearned;
        if (value(224) == 0 && (m_regs[118] & 1)) return kNotAllowed;  // learning switched off
        if (MotorTurning() || m_overheated) return kNotAllowed;
    }
    if (parameter && (MotorTurning() || Busy())) return kNotAllowed;
    return kOk;
}

std::uint8_t CDriveModel::WriteRegisters(std::uint16_t start, const std::uint16_t* values, std::uint16_t count)
{
    if (const std::uint8_t refused = CheckWrite(start, values, count)) return refused;
    const std::uint32_t end = static_cast<std::uint32_t>(start) + count;
    auto has = [&](std::uint16_t a) { return a >= start && a < end; };

    for (std::uint32_t a = start; a < end; ++a) m_regs[a] = values[a - start];

    if (has(64)) {
        Stop(m_regs[64]);
        m_overheated = false;  // a stop acknowledges the alarm; it returns if still too hot
    }
    if (has(66)) {
        m_mode = Mode::Pwm;
        m_targetPwm = static_cast<std::int16_t>(m_regs[66]);
    }
    if (has(67)) {
        m_mode = Mode::Speed;
        const double f = static_cast<std::int16_t>(m_regs[67]) * FreqUnit();
        m_targetFreq = std::clamp(f, -MaxFreqHz(), MaxFreqHz());
    }
    if (has(71)) StartMove();
    if (has(170)) StartTest(m_regs[170]);
    if (has(225)) {
        if (m_regs[225] == 1 && !m_procRunning) StartProcedure(m_regs[224]);
        else if (m_regs[225] == 0 && m_procRunning) {
            // The tool's stop write: ends the procedure without a result.
            m_procRunning = false;
            m_mode = Mode::Idle;
            m_freq = 0;
        }
    }
    if (has(0x0200) && has(0x0205)) RunSdo();
    if (has(0x700A)) {
        m_origin = m_rail;
        SetU32(48, 0);
        m_regs[0x700A] = 0;
    }
    if (has(297)) m_dictionary.Set(0x1017, 0, m_regs[297]);
    CheckProtection();
    UpdateLiveStatus();
    return kOk;
}

void CDriveModel::Stop(std::uint16_t mode)
{
    if (m_procRunning) {
        m_procRunning = false;
        m_regs[225] = 0;
    }
    if (m_test != Test::None) {
        m_test = Test::None;
        m_regs[170] = 0;
    }
    m_targetPwm = 0;
    m_targetFreq = 0;
    if (MotorTurning()) {
        m_mode = Mode::Stopping;
        m_stopMode = mode;
    }
}

void CDriveModel::StartMove()
{
    const auto target = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_regs[70]) << 16 | m_regs[71]);
    m_moveTarget = (m_regs[69] == 0 ? m_origin : m_rail) + target;
    m_moveSpeed = m_regs[68] * FreqUnit();
    m_regs[35] = 0;
    m_mode = Mode::Position;
}

void CDriveModel::StartProcedure(std::uint16_t number)
{
    m_procRunning = true;
    m_procNumber = number;
    m_procTime = 0;
    m_mode = Mode::Procedure;
    for (std::uint16_t a = 226; a <= 239; ++a) m_regs[a] = 0;
    m_regs[226] = 1;
    m_regs[229] = 1;
}

void CDriveModel::EndProcedure(bool success)
{
    m_procRunning = false;
    m_regs[225] = 0;
    m_mode = Mode::Idle;
    m_freq = 0;
    if (m_procNumber == 0) {
        m_regs[226] = success ? 3 : 4;
        m_regs[117] = success ? 1 : 0;
        for (size_t i = 0; i < 6; ++i) m_regs[229 + i] = success ? kPhaseSequence[i] : 0;
        for (size_t i = 0; i < 3; ++i)
            m_regs[109 + i] =
                success ? static_cast<std::uint16_t>(kPhaseSequence[2 * i] << 8 | kPhaseSequence[2 * i + 1]) : 0;
    } else {
        m_regs[226] = success ? 3 : 4;
        m_regs[229] = static_cast<std::uint16_t>(kCalibratedOffset);
        m_regs[230] = static_cast<std::uint16_t>(kCalibratedAdvance);
    }
}

void CDriveModel::StartTest(std::uint16_t command)
{
    switch (command) {
    case 1:  // cancel
        if (m_test != Test::None) {
            m_test = Test::None;
            m_mode = Mode::Idle;
            m_freq = 0;
        }
        m_regs[170] = 0;
        break;
    case 2: m_test = Test::HomeSq1; break;
    case 3: m_test = Test::HomeSq2; break;
    case 4: m_test = Test::MeasureToSq1; break;
    default: break;
    }
    if (m_test != Test::None) m_mode = Mode::Homing;
}

void CDriveModel::FinishTest()
{
    m_test = Test::None;
    m_regs[170] = 0;
    m_mode = Mode::Idle;
    m_freq = 0;
}

void CDriveModel::RunSdo()
{
    SdoExchange request;
    request.command = static_cast<std::uint8_t>(m_regs[0x200]);
    request.index = m_regs[0x201];
    request.subIndex = static_cast<std::uint8_t>(m_regs[0x202]);
    request.data = static_cast<std::uint32_t>(m_regs[0x204]) << 16 | m_regs[0x205];
    m_dictionary.Set(0x1017, 0, m_regs[297]);
    const SdoExchange response = m_dictionary.Execute(request);
    m_regs[297] = static_cast<std::uint16_t>(m_dictionary.Get(0x1017, 0).value_or(m_regs[297]));
    m_regs[0x200] = response.command;
    m_regs[0x201] = response.index;
    m_regs[0x202] = response.subIndex;
    m_regs[0x203] = 0;
    SetU32(0x204, response.data);
}

void CDriveModel::Advance(Clock::time_point now)
{
    double dt = std::chrono::duration<double>(now - m_last).count();
    if (dt <= 0) return;
    m_last = now;
    if (!IsActive()) {
        // Only the heat sink cools; that has a closed form.
        m_temperature = 25.0 + (m_temperature - 25.0) * std::exp(-dt / 120.0);
        CheckProtection();
        UpdateLiveStatus();
        return;
    }
    const double step = std::max(0.01, dt / 2000);
    while (dt > 0) {
        const double h = std::min(step, dt);
        Step(h);
        dt -= h;
    }
    UpdateLiveStatus();
}

void CDriveModel::Step(double dt)
{
    if (m_procRunning) StepProcedure(dt);
    if (m_test != Test::None) StepTest(dt);
    StepMotion(dt);
    const double heat = 25.0 + 4.0 * m_load * m_load;
    m_temperature = heat + (m_temperature - heat) * std::exp(-dt / 120.0);
    CheckProtection();
}

// Over-temperature shutdown (limit in register 256, whole degrees): the
// drive lets the motor coast and refuses to run it while the alarm stands.
// The alarm clears by itself below the limit when register 264 says so,
// otherwise with the next stop command.
void CDriveModel::CheckProtection()
{
    const double limit = static_cast<std::int16_t>(m_regs[256]);
    if (m_temperature > limit) {
        if (!m_overheated && MotorTurning()) Stop(2);
        m_overheated = true;
    } else if (m_overheated && (m_regs[264] & 1)) {
        m_overheated = false;
    }
}

void CDriveModel::StepMotion(double dt)
{
    const double maxHz = MaxFreqHz();
    auto rampPwm = [&](double target) {
        const bool rising = std::fabs(target) > std::fabs(m_pwm);
        const double seconds = (rising ? m_regs[80] : m_regs[81]) * 0.1;
        m_pwm = seconds > 0 ? Toward(m_pwm, target, 1000.0 / seconds * dt) : target;
    };
    auto rampFreq = [&](double target, double accel, double decel) {
        const bool rising = std::fabs(target) > std::fabs(m_freq);
        const double rate = rising ? accel : decel;
        m_freq = rate > 0 ? Toward(m_freq, target, rate * dt) : target;
    };
    auto dutyFor = [&](double f) { return f == 0 ? 0.0 : f / maxHz * 900.0 + (f > 0 ? 40.0 : -40.0); };

    switch (m_mode) {
    case Mode::Idle: m_pwm = 0; break;
    case Mode::Pwm: {
        rampPwm(m_targetPwm);
        const double follow = m_pwm / 1000.0 * maxHz;
        m_freq += (follow - m_freq) * (1 - std::exp(-dt / 0.3));
        if (m_targetPwm == 0 && m_pwm == 0 && std::fabs(m_freq) < 0.5) {
            m_freq = 0;
            m_mode = Mode::Idle;
        }
        m_rail += m_freq * dt;
        break;
    }
    case Mode::Speed:
        rampFreq(m_targetFreq, m_regs[82] * FreqUnit(), m_regs[83] * FreqUnit());
        m_pwm = dutyFor(m_freq);
        if (m_targetFreq == 0 && m_freq == 0) m_mode = Mode::Idle;
        m_rail += m_freq * dt;
        break;
    case Mode::Position: {
        const double distance = m_moveTarget - m_rail;
        const double stepPulses = m_moveSpeed * dt;
        if (std::fabs(distance) <= stepPulses) {
            m_rail = m_moveTarget;
            m_freq = 0;
            m_mode = Mode::Idle;
            m_regs[35] = 1;
            SetU32(38, 0);
        } else {
            m_rail += distance > 0 ? stepPulses : -stepPulses;
            m_freq = distance > 0 ? m_moveSpeed : -m_moveSpeed;
            const double remainingMs = std::fabs(m_moveTarget - m_rail) / m_moveSpeed * 1000.0;
            SetU32(38, static_cast<std::uint32_t>(std::min(remainingMs, 4294967295.0)));
        }
        m_pwm = dutyFor(m_freq);
        break;
    }
    case Mode::Stopping:
        if (m_stopMode == 2) {  // free stop: the motor coasts down unpowered
            m_pwm = 0;
            m_freq *= std::exp(-dt / 0.8);
            if (std::fabs(m_freq) < 0.5) m_freq = 0;
        } else {
            const double decel =
                m_stopMode == 1 ? std::max(10.0 * m_regs[100] * FreqUnit(), 2000.0) : m_regs[83] * FreqUnit();
            rampFreq(0, decel, decel);
            m_pwm = dutyFor(m_freq);
        }
        m_rail += m_freq * dt;
        if (m_freq == 0) {
            m_pwm = 0;
            m_mode = Mode::Idle;
        }
        break;
    case Mode::Homing:
    case Mode::Procedure: m_pwm = dutyFor(m_freq); break;
    }
    m_load = std::fabs(m_pwm) / 1000.0 * m_regs[106] * 0.01 * 0.8 + (m_freq != 0 ? 0.12 : 0.0);
}

void CDriveModel::StepProcedure(double dt)
{
    m_procTime += dt / m_timeScale;
    if (m_procNumber == 0) {
        // Learning turns the motor slowly one way and the other.
        m_freq = std::fmod(m_procTime, 1.0) < 0.5 ? 5.0 : -5.0;
        m_regs[229] = static_cast<std::uint16_t>(std::min(6.0, 1 + m_procTime / 0.5));
        if (m_procTime >= kLearningSeconds) EndProcedure(!m_learningFails);
    } else {
        m_freq = std::fmod(m_procTime, 4.0) < 2.0 ? 30.0 : -30.0;
        m_regs[229] = static_cast<std::uint16_t>(1 + std::min(9.0, std::floor(m_procTime / 2.0)));
        if (m_procTime >= kCalibrationSeconds) EndProcedure(true);
    }
}

void CDriveModel::StepTest(double dt)
{
    const double scaled = dt / m_timeScale;
    auto speed = [&](std::uint16_t reg, double fallback) {
        const double hz = m_regs[reg] * FreqUnit();
        return hz > 0 ? hz : fallback;
    };
    // Approaches the switch at coarse speed, the last stretch at fine speed.
    auto approach = [&](double target) {
        const double remaining = std::fabs(target - m_rail);
        double hz = speed(164, 100.0);
        if ((m_regs[161] & 1) && remaining < 400) hz = std::min(hz, speed(165, 50.0));
        const double step = hz * scaled;
        if (remaining <= step) {
            m_rail = target;
            return true;
        }
        m_rail += target > m_rail ? step : -step;
        m_freq = target > m_rail ? hz : -hz;
        return false;
    };
    switch (m_test) {
    case Test::HomeSq1:
        if (approach(0)) {
            m_origin = 0;
            FinishTest();
        }
        break;
    case Test::HomeSq2:
        if (approach(kRailLength)) {
            m_origin = kRailLength;
            FinishTest();
        }
        break;
    case Test::MeasureToSq1:
        if (approach(0)) {
            m_origin = 0;
            m_test = Test::MeasureToSq2;
        }
        break;
    case Test::MeasureToSq2:
        if (approach(kRailLength)) {
            SetU32(162, static_cast<std::uint32_t>(kRailLength));
            FinishTest();
        }
        break;
    case Test::None: break;
    }
}

void CDriveModel::UpdateLiveStatus()
{
    auto& r = m_regs;
    const bool x10 = (r[14] != 0) && (r[119] & 1);
    r[53] = x10 ? 1 : 0;
    r[54] = x10 ? 1 : 0;
    r[32] = ClampToS16(m_pwm);
    r[33] = ClampToU16(m_load * 100);
    r[34] = ClampToS16(m_freq / (x10 ? 1.0 : 0.1));
    const double pos = std::clamp(std::round(Position()), -2147483648.0, 2147483647.0);
    SetU32(36, static_cast<std::uint32_t>(static_cast<std::int32_t>(pos)));
    r[40] = 1652;  // IN1: potentiometer at mid travel, mV
    r[41] = 0;
    r[42] = 0;
    r[43] = 0;
    r[44] = m_rail <= 0 ? 1 : 0;
    r[45] = m_rail >= kRailLength ? 1 : 0;
    r[51] = !Learned() ? 1 : m_overheated ? 7 : 0;
    const std::uint16_t poles = r[115];
    if (poles < 2) {
        r[52] = 0xFFFF;
    } else {
        const double rpm = std::fabs(m_freq) * 60.0 / (3.0 * poles);
        r[52] = static_cast<std::uint16_t>(std::min(65534.0, std::round(r[53] ? rpm / 10 : rpm)));
    }
    r[55] = ClampToS16(m_temperature * 10);
    const double supplyCurrent = 0.04 + std::fabs(m_pwm) / 1000.0 * m_load;
    r[56] = ClampToU16((24.0 - 0.3 * supplyCurrent) * 10);
    r[58] = ClampToU16(supplyCurrent * 100);
}

}  // namespace zoric::sim
