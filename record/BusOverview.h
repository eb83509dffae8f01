#pragma once
// The drives of one line as the bus overview lists them, Qt-free: where
// each was found, what it said of itself, its last live status and when it
// last answered. The window polls them in turn on the link (one drive a
// step, so the main window's own poll keeps its place in between) and shows
// this; the table's CSV export is made here too.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceInfo.h"
#include "ModbusResult.h"
#include "RealtimeStatus.h"

struct OverviewDrive {
    uint8_t slave = 0;
    // Where it was found; a drive at other line settings than the main
    // window's is listed but not polled.
    int baud = 0;
    int parity = 0;
    bool otherLine = false;
    std::optional<DeviceInfo> info;        // read once, at its first answer
    std::optional<RealtimeStatus> status;  // the last good read
    ModbusResult lastResult = kResultOk;
    bool asked = false;  // polled at least once
    std::optional<std::chrono::system_clock::time_point> lastAnswer;

    bool Answering() const { return asked && lastResult == kResultOk; }
};

class CBusOverview {
public:
    using WallClock = std::chrono::system_clock;

    // The main window's line: drives found at other settings are not polled.
    void SetLine(int baud, int parity);
    // Adds a drive (found by a scan, typed, or remembered); one of an address
    // already listed is not added twice.
    void Add(uint8_t slave, int baud, int parity);
    void Remove(uint8_t slave);
    const std::vector<OverviewDrive>& Drives() const { return m_drives; }
    const OverviewDrive* Find(uint8_t slave) const;

    // The next drive of the round to read, round-robin over those on the
    // main window's line; none when there is none.
    std::optional<uint8_t> Next();
    // What a read of `slave` gave: the device information (when asked for)
    // and the live status, or the result of the failed read. A drive that
    // stops answering stays listed.
    void Record(uint8_t slave, ModbusResult result, const std::optional<DeviceInfo>& info,
                const std::optional<RealtimeStatus>& status, WallClock::time_point when);

    // The state column: "运行" / "停止" / the error's text / "无应答" and the
    // like, in the current language.
    static std::string StateText(const OverviewDrive& drive);
    // The table as CSV: ASCII column names, one row per drive.
    std::string Csv() const;

    // The least period of a round of `drives` reads at `baud`: one request
    // and the longest answer (device information and status) each.
    static std::chrono::milliseconds RoundTime(size_t drives, int baud);

private:
    std::vector<OverviewDrive> m_drives;
    size_t m_next = 0;
    int m_baud = 9600;
    int m_parity = 0;
};
