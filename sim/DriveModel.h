#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ObjectDictionary.h"
#include "SimOptions.h"

namespace zoric::sim {

// The drive behind the Modbus interface: its holding registers, the motor
// that follows the commands, the built-in procedures (motor learning, FOC
// calibration, reciprocating tests) and the SDO tunnel into the object
// dictionary. Not thread-safe; the simulator serialises access.
class CDriveModel {
public:
    using Clock = std::chrono::steady_clock;

    // Modbus exception codes the drive answers with.
    enum Exception : std::uint8_t {
        kOk = 0,
        kIllegalAddress = 0x02,
        kIllegalValue = 0x03,
        kBusy = 0x06,
        kNotAllowed = 0x40,
        kNotLearned = 0x60,
    };

    // Mechanical travel between SQ1 (at 0) and SQ2, in pulses.
    static constexpr double kRailLength = 12800.0;

    explicit CDriveModel(const SimOptions& options, Clock::time_point now = Clock::now());

    std::uint8_t ReadRegisters(std::uint16_t start, std::uint16_t count, std::vector<std::uint16_t>& out) const;
    std::uint8_t WriteRegisters(std::uint16_t start, const std::uint16_t* values, std::uint16_t count);

    // Moves the simulated time forward; cheap when nothing moves.
    void Advance(Clock::time_point now);
    // True while the motor turns or a procedure runs: then time must be
    // advanced regularly, otherwise only when someone looks.
    bool IsActive() const;

    static bool IsMapped(std::uint16_t address);
    std::uint16_t Get(std::uint16_t address) const { return m_regs[address]; }
    // Direct store for tests and state loading; no checks, no side effects
    // except that the speed and mode registers are read again next tick.
    void Set(std::uint16_t address, std::uint16_t value);

    CObjectDictionary& Dictionary() { return m_dictionary; }
    const CObjectDictionary& Dictionary() const { return m_dictionary; }

    // Settings kept by "store parameters".
    static bool IsPersistent(std::uint16_t address);

private:
    enum class Mode { Idle, Pwm, Speed, Position, Stopping, Homing, Procedure };
    enum class Test { None, HomeSq1, HomeSq2, MeasureToSq1, MeasureToSq2 };

    void SetDefaults(const SimOptions& options);
    void Step(double dt);
    void StepMotion(double dt);
    void StepProcedure(double dt);
    void StepTest(double dt);
    void UpdateLiveStatus();
    void CheckProtection();
    void ApplyWrite(std::uint16_t address, std::uint16_t value);
    void StartProcedure(std::uint16_t number);
    void EndProcedure(bool success);
    void StartTest(std::uint16_t command);
    void FinishTest();
    void StartMove();
    void Stop(std::uint16_t mode);
    void RunSdo();
    std::uint8_t CheckWrite(std::uint16_t start, const std::uint16_t* values, std::uint16_t count) const;

    bool Learned() const { return (m_regs[117] & 1) != 0; }
    bool MotorTurning() const;
    bool Busy() const { return m_procRunning || m_test != Test::None; }
    double FreqUnit() const { return (m_regs[119] & 1) ? 1.0 : 0.1; }
    double MaxFreqHz() const;
    double Position() const { return m_rail - m_origin; }
    void SetU32(std::uint16_t address, std::uint32_t value);

    std::array<std::uint16_t, 0x10000> m_regs{};
    CObjectDictionary m_dictionary;
    double m_timeScale;
    bool m_learningFails;
    Clock::time_point m_last;

    Mode m_mode = Mode::Idle;
    std::uint16_t m_stopMode = 0;
    double m_pwm = 0;  // output duty, 0.1 %
    double m_targetPwm = 0;
    double m_freq = 0;  // commutation frequency, Hz, signed
    double m_targetFreq = 0;
    double m_rail = kRailLength / 2;  // where the mechanism stands, pulses
    double m_origin = 0;              // rail position of position 0
    double m_moveTarget = 0;          // rail position of the move's goal
    double m_moveSpeed = 0;           // Hz
    double m_temperature = 25.0;
    double m_load = 0;  // phase current, A

    bool m_overheated = false;  // over-temperature shutdown latched

    bool m_procRunning = false;
    std::uint16_t m_procNumber = 0;
    double m_procTime = 0;  // drive seconds since the start

    Test m_test = Test::None;
};

}  // namespace zoric::sim
