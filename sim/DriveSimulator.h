#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DriveModel.h"
#include "FaultInjector.h"
#include "SimOptions.h"
#include "SlaveFrameParser.h"
#include "SlaveProtocol.h"

namespace zoric::sim {

// A drive on a pseudo-terminal: the master tool opens SlavePath() like a
// serial port and talks Modbus RTU to it. One thread serves the line and
// moves the simulated time; it sleeps in poll() while nothing happens.
class CDriveSimulator
{
public:
    using Clock = std::chrono::steady_clock;

    explicit CDriveSimulator(SimOptions options = {});
    ~CDriveSimulator();
    CDriveSimulator(const CDriveSimulator&) = delete;
    CDriveSimulator& operator=(const CDriveSimulator&) = delete;

    // Opens the pseudo-terminal and starts serving it. False on failure
    // (see LastError()).
    bool Start();
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    // The device the master opens, e.g. /dev/pts/5; empty before Start().
    std::string SlavePath() const { return m_slavePath; }
    std::string LastError() const { return m_lastError; }
    // The options it was started with; they never change. With
    // applyLinkSettings the link may have moved since: see CurrentLink().
    const SimOptions& Options() const { return m_options; }
    // The slave address and line settings the drive answers on now.
    LinkSettings CurrentLink() const;

    // Registers and objects as the drive holds them now; direct, without
    // the drive's checks.
    std::uint16_t GetRegister(std::uint16_t address);
    void SetRegister(std::uint16_t address, std::uint16_t value);
    // The same on one of the other drives of the line (SimOptions::otherSlaves);
    // 0 and nothing done for an address no drive has.
    std::uint16_t GetRegisterOf(std::uint8_t slave, std::uint16_t address);
    void SetRegisterOf(std::uint8_t slave, std::uint16_t address, std::uint16_t value);
    std::optional<std::uint32_t> GetObject(std::uint16_t index, std::uint8_t subIndex);
    bool SetObject(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value);

    void InjectFault(SimFault fault, unsigned nextAnswers);
    void SetFaultProbability(SimFault fault, double probability);
    void ClearFaults();

    // Frames with a valid CRC seen on the line (any slave address).
    std::uint64_t RequestCount() const { return m_requests.load(); }
    std::uint64_t AnswerCount() const { return m_answers.load(); }
    std::uint64_t CrcErrorCount() const { return m_crcErrors.load(); }
    // Bytes dropped because the master's line settings differ from the drive's.
    std::uint64_t LineErrorCount() const { return m_lineErrors.load(); }
    // Answers spoiled by each fault so far.
    std::uint64_t FaultCount(SimFault fault) const
    {
        const auto k = static_cast<std::size_t>(fault);
        return k < m_faultCounts.size() ? m_faultCounts[k].load() : 0;
    }

    // Serves one request that reached the drive another way than the pty
    // (the network listener): the whole frame, CRC included. True with the
    // answer (CRC included) when one is due; false for another slave's
    // frame or a broadcast. Faults and pacing are the serial line's only.
    bool Exchange(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& answer);

    // Writes the settings to the state file, as "store parameters" does.
    bool SaveState();

private:
    // What a write to the link registers changes, once its answer is out.
    struct LinkChange
    {
        std::optional<std::uint8_t> slaveAddress;
        std::optional<std::uint32_t> baudRate;
        std::optional<int> parityIndex;
    };

    struct Chunk
    {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        bool started = false;
        Clock::time_point startedAt;
        std::optional<LinkChange> linkAfter;  // taken on once the chunk is sent
    };

    void Run();
    void ServeFrames(Clock::time_point now);
    void SendAnswer(std::vector<std::uint8_t> answer, std::optional<SimFault> fault, Clock::time_point now);
    void Queue(std::vector<std::uint8_t> answer, Clock::time_point now);
    bool Flush(Clock::time_point now);  // false while the pty is full
    void DropOutput();
    std::optional<LinkChange> LinkChangeOfLastRequest() const;  // under m_mutex
    // Each drive on the line takes the request; the answer of the one
    // addressed, if any. Under m_mutex.
    bool AllDrivesHear(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& answer,
                       Clock::time_point now);
    void ApplyLinkChange(const LinkChange& change);
    bool LineMatches() const;
    int TimeoutMs(Clock::time_point now, bool active, bool blocked) const;
    void Wake();
    bool SaveStateLocked();
    void LoadState();
    void ApplyLineSettings();
    Clock::duration CharTime() const;

    SimOptions m_options;
    mutable std::mutex m_mutex;  // guards the model, the protocol, the faults and the link
    CDriveModel m_model;
    CSlaveProtocol m_protocol;
    CFaultInjector m_faults;
    // Changed only by the line thread (or by Stop() once it has ended), so
    // that thread reads it without the lock.
    LinkSettings m_link;

    int m_masterFd = -1;
    int m_slaveFd = -1;  // held open so that the line never hangs up
    int m_wakeFd = -1;
    std::string m_slavePath;
    std::string m_lastError;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_requests{0};
    std::atomic<std::uint64_t> m_answers{0};
    std::atomic<std::uint64_t> m_crcErrors{0};
    std::atomic<std::uint64_t> m_lineErrors{0};
    std::array<std::atomic<std::uint64_t>, static_cast<std::size_t>(SimFault::Count)> m_faultCounts{};

    // The other drives on the line; under m_mutex.
    struct OtherDrive
    {
        std::unique_ptr<CDriveModel> model;
        std::unique_ptr<CSlaveProtocol> protocol;
    };
    std::vector<OtherDrive> m_others;
    CDriveModel* ModelOf(std::uint8_t slave);  // under m_mutex

    // Owned by the line thread.
    CSlaveFrameParser m_parser;
    std::deque<Chunk> m_output;
    Clock::time_point m_lastInput;
};

}  // namespace zoric::sim
