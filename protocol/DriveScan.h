#pragma once
// Looks for drives on a line: every slave address of a range at each of
// the line settings given (baud rate and the connection combo's parity
// index), one short read of the device-information registers per probe.
// Qt-free; runs on whatever thread calls it, and stops within one probe of
// a cancel.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CModbusMaster;

namespace DriveScan {

// The baud rates and parity indexes the connection combos offer.
const std::vector<int>& AllBauds();
const std::vector<int>& AllParities();

struct Options {
    uint8_t first = 1;
    uint8_t last = 247;
    // The addresses to ask, in this order; empty: first to last.
    std::vector<uint8_t> addresses;
    std::vector<int> bauds = {9600};
    std::vector<int> parities = {0};
    int timeoutMs = 0;  // per probe; 0: long enough for the slowest baud rate given
};

// A probe's time-out that covers a request and the longest device-information
// answer at `baud`, plus the drive's time to answer.
int DefaultTimeoutMs(int baud);
int TimeoutFor(const Options& options);

struct Found {
    uint8_t slave = 0;
    int baud = 0;
    int parity = 0;
    std::string identifier;  // "0x1234"
    std::string version;     // "2.03"
    std::string model;       // ASCII; other characters as '?'
    // "slave 3 19200 n,8,2 model ZD-2408 id 0x2408 version 2.03"
    std::string Line() const;
};

struct Callbacks {
    // After each probe: probes done and of how many, and the setting probed.
    std::function<void(int done, int total, uint8_t slave, int baud, int parity)> progress;
    std::function<void(const Found&)> found;
    // A line setting the port would not take (a pseudo-terminal refuses a
    // change of parity alone, for one): skipped, the scan goes on.
    std::function<void(int baud, int parity)> skipped;
};

struct Result {
    std::vector<Found> drives;
    bool cancelled = false;
    bool portFailed = false;  // the port could not be opened at any setting
};

// A port without line settings (a network port, "sim://") is scanned at the
// first baud rate and parity given only: every setting reaches the same drives.
// Closes `master`'s port, scans on `port`, and leaves the port closed.
Result Run(CModbusMaster& master, const std::string& port, const Options& options, const Callbacks& callbacks,
           const std::atomic<bool>& cancel);
// The same with the master's port (re)opened at each line setting by
// `open`, and the cancel asked for before each probe.
using Opener = std::function<bool(CModbusMaster&, int baud, int parity)>;
Result Run(CModbusMaster& master, const Opener& open, const Options& options, const Callbacks& callbacks,
           const std::function<bool()>& cancelled);

// "n,8,2", "o,8,1", "e,8,1", "n,8,1"
std::string ParityText(int parity);

}  // namespace DriveScan
