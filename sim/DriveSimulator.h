#pragma once
#include <atomic>
#include <string>
#include <thread>

#include "SimulatedLine.h"
#include "SlaveFrameParser.h"

namespace zoric::sim {

// The simulated line on a pseudo-terminal (Linux): the master tool opens
// SlavePath() like a serial port and talks Modbus RTU to it. One thread
// serves the pty and moves the simulated time; it sleeps in poll() while
// nothing happens.
class CDriveSimulator : public CSimulatedLine {
public:
    explicit CDriveSimulator(SimOptions options = {});
    ~CDriveSimulator() override;

    // Opens the pseudo-terminal and starts serving it. False on failure
    // (see LastError()).
    bool Start();
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    // The device the master opens, e.g. /dev/pts/5; empty before Start().
    std::string SlavePath() const { return m_slavePath; }
    std::string LastError() const { return m_lastError; }

private:
    void Run();
    bool ReadInput(Clock::time_point now);  // false when the pty fails
    void ServeFrames(Clock::time_point now);
    bool Flush(Clock::time_point now);  // false while the pty is full
    bool LineMatches() const;
    int TimeoutMs(Clock::time_point now, bool active, bool blocked) const;
    void WakeServer();
    void ApplyLineSettings();

    int m_masterFd = -1;
    int m_slaveFd = -1;  // held open so that the line never hangs up
    int m_wakeFd = -1;
    std::string m_slavePath;
    std::string m_lastError;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    // Owned by the line thread.
    CSlaveFrameParser m_parser;
    std::uint64_t m_parserCrcErrors = 0;  // the parser's count already passed on
    Clock::time_point m_lastInput;
};

}  // namespace zoric::sim
