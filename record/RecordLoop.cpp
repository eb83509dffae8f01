#include "RecordLoop.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace RecordLoop {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Sleeps until `until`, looking at the flag at least every 20 ms; false when
// interrupted.
bool SleepUntil(Steady::time_point until, const std::atomic<bool>& interrupted)
{
    while (!interrupted.load()) {
        const auto now = Steady::now();
        if (now >= until) return true;
        std::this_thread::sleep_for(std::min<Steady::duration>(until - now, milliseconds(20)));
    }
    return false;
}

}  // namespace

bool LineLost(ModbusResult result, const std::string& device)
{
    if (result == kResultPortNotOpen) return true;
    if (device.empty()) return false;
#ifdef _WIN32
    return false;  // a COM port is no file: its loss shows as the port's own
#else
    // The device node went away (a USB adapter pulled out).
    struct stat info {};
    return ::stat(device.c_str(), &info) != 0 && (errno == ENOENT || errno == ENODEV || errno == ENOTDIR);
#endif
}

Summary Run(CModbusMaster& master, uint8_t slave, CCsvWriter& writer, const Options& options,
            const std::atomic<bool>& interrupted)
{
    Summary summary;
    const auto start = Steady::now();
    const auto startWall = CCsvWriter::WallClock::now();
    const bool timed = options.duration.count() > 0;
    const auto end = start + options.duration;
    const bool paced = options.interval.count() > 0;
    int64_t period = 0;  // the next read's period number
    // Periods that start within the duration: an overrun past its end skips none.
    const int64_t periods = paced && timed ? (options.duration + options.interval - milliseconds(1)) / options.interval
                                           : std::numeric_limits<int64_t>::max();

    while (true) {
        if (interrupted.load()) {
            summary.end = End::Interrupted;
            break;
        }
        if (paced) {
            const auto due = start + options.interval * period;
            if (timed && due >= end) {
                summary.end = End::Duration;
                break;
            }
            if (!SleepUntil(due, interrupted)) continue;
        } else if (timed && Steady::now() >= end) {
            summary.end = End::Duration;
            break;
        }

        const auto sent = Steady::now();
        RealtimeStatus status{};
        const ModbusResult result = master.ReadRealtimeStatus(slave, status);
        const double seconds = std::chrono::duration<double>(sent - start).count();
        const auto when = startWall + std::chrono::duration_cast<CCsvWriter::WallClock::duration>(sent - start);
        const bool written = result == kResultOk
                                 ? writer.WriteStatus(when, seconds, status)
                                 : writer.WriteFailure(when, seconds, CModbusMaster::ResultText(result));
        if (!written) {
            summary.end = End::WriteFailed;
            break;
        }
        if (result != kResultOk) {
            ++summary.failedReads;
            summary.lastFailure = result;
            if (LineLost(result, options.device)) {
                summary.end = End::LineLost;
                break;
            }
        }
        if (paced) {
            const int64_t next = (Steady::now() - start) / options.interval + 1;
            summary.skippedPeriods += static_cast<uint64_t>(std::min(next, periods) - (period + 1));
            period = next;
        }
    }
    summary.rows = writer.Rows();
    summary.seconds = std::chrono::duration<double>(Steady::now() - start).count();
    return summary;
}

}  // namespace RecordLoop
