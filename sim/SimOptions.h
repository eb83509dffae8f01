#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zoric::sim {

// Faults the drive can be told to commit on its answers, for the link's
// reliability tests. The request itself is always carried out.
enum class SimFault : int {
    NoAnswer = 0,   // stays silent
    BadCrc,         // answer with a damaged CRC
    WrongSlave,     // answer as if it were another slave address
    SplitResponse,  // answer in pieces with pauses between them
    TrailingBytes,  // answer followed by stray bytes
    LateAnswer,     // answer only after the master's 1000 ms time-out
    Exception,      // answer exception 4, slave device failure, in its place
    Count
};

// A fault of one drive on the line (SimOptions::faultProbability and
// faultNext are every drive's).
struct DriveFault {
    std::uint8_t slave = 0;  // the drive's address; 0: every drive
    SimFault fault = SimFault::NoAnswer;
    bool next = false;  // true: the next `count` answers; false: by `probability`
    double probability = 0;
    unsigned count = 0;
};

struct SimOptions {
    std::uint8_t slaveAddress = 1;
    // More drives on the same line, each with its own state, answering at
    // these addresses (slaveAddress excluded). They share the line settings
    // and the fault dice; the state file and link changes are the first
    // drive's alone.
    std::vector<std::uint8_t> otherSlaves;
    std::uint32_t baudRate = 9600;
    char parity = 'N';  // 'N', 'O' or 'E'
    int stopBits = 2;
    // Multiplies the duration of the drive's procedures and test moves:
    // 0.05 runs them twenty times faster.
    double timeScale = 1.0;
    // Send answers at the speed of the configured line instead of at once.
    bool pacing = false;
    // Start with an unlearned motor (register 117 = 0).
    bool startUnlearned = false;
    // Motor learning ends in failure (state 4).
    bool learningFails = false;
    // Where "store parameters" writes the drive's settings; loaded at start.
    std::string stateFile;
    // Probability (0..1) of each fault on every answered request.
    double faultProbability[static_cast<int>(SimFault::Count)] = {};
    // Each fault on the next N answered requests, before any dice are cast.
    unsigned faultNext[static_cast<int>(SimFault::Count)] = {};
    // Faults of single drives, applied after the two above: a drive's own
    // armed answers come before the line's, and its own probability of a
    // fault replaces the line's.
    std::vector<DriveFault> driveFaults;
    std::uint32_t randomSeed = 1;
    // Pause between the pieces of a split answer, and the delay of a late one.
    int splitPauseMs = 30;
    int lateAnswerMs = 1300;
    // Bytes sent at another baud rate than the drive's arrive as noise and
    // are not answered, as on a real line.
    bool strictLine = true;
    // Entries of the receive PDOs' communication objects: 2 (COB-ID and
    // transmission type) or 5 (with the inhibit time and the event timer,
    // sub-index 4 reserved), as firmware versions differ.
    int rpdoCommEntries = 2;
    // The CANopen node id (register 289): the node-ID bits of the default
    // PDO COB-IDs.
    std::uint8_t canNodeId = 1;
    // Take on a slave address, baud rate or parity written to the drive
    // once the answer to that write is out, as the drive does; with a
    // strict line the master's parity and stop bits are then checked too.
    bool applyLinkSettings = false;
};

// The RS-485 link the drive runs on: the address it answers at and the line
// settings it expects from the master.
struct LinkSettings {
    std::uint8_t slaveAddress = 1;
    std::uint32_t baudRate = 9600;
    char parity = 'N';
    int stopBits = 2;

    bool operator==(const LinkSettings&) const = default;
};

inline LinkSettings LinkOf(const SimOptions& options)
{
    return {options.slaveAddress, options.baudRate, options.parity, options.stopBits};
}

// Maps the parity letter and stop bits to the drive's parity index of
// register 0x0092 (0 none+2, 1 odd+1, 2 even+1, 3 none+1).
int ParityIndex(char parity, int stopBits);
// The other way round; false (and nothing changed) for an index outside 0..3.
bool ParityFromIndex(int index, char& parity, int& stopBits);

}  // namespace zoric::sim
