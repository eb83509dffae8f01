#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DriveModel.h"
#include "FaultInjector.h"
#include "SimOptions.h"
#include "SlaveProtocol.h"

namespace zoric::sim {

// The baud rates the drive can run on; a written rate outside them stays in
// its registers but leaves the link as it was.
bool IsLineBaudRate(std::uint32_t baud);

// The RS-485 line with its drives, without the device that carries it: the
// drives hear whole request frames (Hear), and their answers wait in an
// output queue, spoiled by the injected faults and paced at the line's baud
// rate, until the carrier takes them (PeekOutput/ConsumeOutput, or
// TakeOutput). A pseudo-terminal (CDriveSimulator), the network
// (CNetListener, through Exchange) or a transport inside the master's own
// process carry it. Thread-safe: one thread may hear requests while another
// takes the output and a third looks at the registers. Standard C++ only.
class CSimulatedLine {
public:
    using Clock = std::chrono::steady_clock;
    using Frame = std::vector<std::uint8_t>;

    explicit CSimulatedLine(SimOptions options = {});
    virtual ~CSimulatedLine();
    CSimulatedLine(const CSimulatedLine&) = delete;
    CSimulatedLine& operator=(const CSimulatedLine&) = delete;

    // The options it was made with; they never change. With
    // applyLinkSettings the link may have moved since: see CurrentLink().
    const SimOptions& Options() const { return m_options; }
    // The slave address and line settings the first drive answers on now.
    LinkSettings CurrentLink() const;
    // One character (start, data, parity and stop bits) at the current baud rate.
    Clock::duration CharTime() const;

    // Registers and objects as the drive holds them now; direct, without
    // the drive's checks.
    std::uint16_t GetRegister(std::uint16_t address);
    void SetRegister(std::uint16_t address, std::uint16_t value);
    // The same on any drive of the line by its address; 0 and nothing done
    // for an address no drive has.
    std::uint16_t GetRegisterOf(std::uint8_t slave, std::uint16_t address);
    void SetRegisterOf(std::uint8_t slave, std::uint16_t address, std::uint16_t value);
    std::optional<std::uint32_t> GetObject(std::uint16_t index, std::uint8_t subIndex);
    bool SetObject(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value);

    // Faults of the drive at `slave`, or of every drive for 0 (see
    // CFaultInjector for which comes first).
    void InjectFault(SimFault fault, unsigned nextAnswers, std::uint8_t slave = 0);
    void SetFaultProbability(SimFault fault, double probability, std::uint8_t slave = 0);
    void ClearFaults();

    // Frames with a valid CRC heard (any slave address).
    std::uint64_t RequestCount() const { return m_requests.load(); }
    std::uint64_t AnswerCount() const { return m_answers.load(); }
    // Writes the drives accepted (function 0x06 or 0x10 answered as such),
    // an SDO upload through the tunnel's registers not among them: an offline
    // edit has changed something since the count was taken.
    std::uint64_t WriteCount() const { return m_writes.load(); }
    std::uint64_t CrcErrorCount() const { return m_crcErrors.load(); }
    // Bytes dropped because the master's line settings differ from the drive's.
    std::uint64_t LineErrorCount() const { return m_lineErrors.load(); }
    // Answers spoiled by each fault so far.
    std::uint64_t FaultCount(SimFault fault) const;
    // For a carrier that judges the bytes before they become frames.
    void CountCrcErrors(std::uint64_t frames) { m_crcErrors += frames; }
    void CountLineErrors(std::uint64_t bytes) { m_lineErrors += bytes; }

    // One whole request frame as heard on the line, CRC included (a bad
    // one is counted and ignored). Every drive hears it; the addressed
    // one's answer is queued as the fault dice say (or not at all), and a
    // change of its link settings follows that answer out.
    void Hear(const Frame& frame, Clock::time_point now);

    // The output queue; one carrier takes it. When the next byte is due
    // (possibly already), or none when nothing is queued.
    std::optional<Clock::time_point> NextOutputDue() const;
    // The bytes due by `now` that have not been consumed yet, from one
    // answer (or one piece of a split answer). The pacing clock of an answer
    // starts with its first peek.
    Frame PeekOutput(Clock::time_point now);
    // The carrier has sent `count` of the peeked bytes.
    void ConsumeOutput(std::size_t count);
    // Everything due by `now`, consumed: peek and consume in one.
    Frame TakeOutput(Clock::time_point now);
    // Answers nobody will hear (the line is gone); the writes behind them
    // were carried out all the same, link changes included.
    void DropOutput();

    // Serves one request that reached the drives another way than the line
    // (the network): the whole frame, CRC included. True with the answer
    // (CRC included) when one is due; false for a frame no drive answers.
    // No faults, no pacing, and a change of the link settings is not taken on.
    bool Exchange(const Frame& request, Frame& answer);

    // Moves every drive's time to `now`. True while one of them is active
    // (a motor turning, a procedure running): then a carrier should call
    // this regularly (every 10 ms or so); otherwise only when someone looks.
    bool Advance(Clock::time_point now);

    // Called after a register is set directly (SetRegister, SetRegisterOf),
    // which may start a drive moving: a carrier that advances the drives
    // only while one is active must look again. Set before the carrier's
    // threads start; called without the line's lock.
    void SetWakeHandler(std::function<void()> wake);

    // Writes the first drive's settings to the state file, as "store parameters" does.
    bool SaveState();

private:
    // What a write to the link registers changes, once its answer is out.
    struct LinkChange {
        std::optional<std::uint8_t> slaveAddress;
        std::optional<std::uint32_t> baudRate;
        std::optional<int> parityIndex;
    };
    struct Chunk {
        Clock::time_point due;
        Frame bytes;
        std::size_t sent = 0;
        bool started = false;
        Clock::time_point startedAt;
        std::optional<LinkChange> linkAfter;  // taken on once the chunk is out
    };
    struct Drive {
        std::unique_ptr<CDriveModel> model;
        std::unique_ptr<CSlaveProtocol> protocol;
    };

    // All under m_mutex.
    CDriveModel* ModelOf(std::uint8_t slave);
    // Each drive takes the request; the address of the one that answers, if any.
    std::optional<std::uint8_t> AllDrivesHear(const Frame& request, Frame& answer, Clock::time_point now);
    void QueueAnswer(Frame answer, std::optional<SimFault> fault, Clock::time_point now);
    void Queue(Frame bytes, Clock::time_point due);
    std::optional<LinkChange> LinkChangeOfLastRequest() const;
    void ApplyLinkChange(const LinkChange& change);
    Clock::duration CharTimeLocked() const;
    Frame PeekLocked(Clock::time_point now);
    void ConsumeLocked(std::size_t count);
    bool SaveStateLocked();
    void LoadState();
    void Wake();

    const SimOptions m_options;
    mutable std::mutex m_mutex;   // guards everything below but the counters
    std::vector<Drive> m_drives;  // the first is the one of the options' slaveAddress
    CFaultInjector m_faults;
    LinkSettings m_link;
    std::deque<Chunk> m_output;
    std::function<void()> m_wake;

    std::atomic<std::uint64_t> m_requests{0};
    std::atomic<std::uint64_t> m_answers{0};
    std::atomic<std::uint64_t> m_writes{0};
    std::atomic<std::uint64_t> m_crcErrors{0};
    std::atomic<std::uint64_t> m_lineErrors{0};
    std::array<std::atomic<std::uint64_t>, static_cast<std::size_t>(SimFault::Count)> m_faultCounts{};
};

}  // namespace zoric::sim
