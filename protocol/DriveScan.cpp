#include "DriveScan.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "DeviceInfo.h"
#include "ModbusMaster.h"
#include "PortNames.h"
#include "StatusFormat.h"

namespace DriveScan {

namespace {

std::string Ascii(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte <= 0x7E) out += c;
        else if (byte < 0x80 || byte >= 0xC0)  // one '?' per character, not per UTF-8 byte
            out += '?';
    }
    return out;
}

}  // namespace

const std::vector<int>& AllBauds()
{
    static const std::vector<int> bauds = {9600, 19200, 38400, 57600, 115200};
    return bauds;
}

const std::vector<int>& AllParities()
{
    static const std::vector<int> parities = {0, 1, 2, 3};
    return parities;
}

std::string ParityText(int parity)
{
    switch (parity) {
    case 0: return "n,8,2";
    case 1: return "o,8,1";
    case 2: return "e,8,1";
    default: return "n,8,1";
    }
}

// Request 8 bytes and answer 37 (16 registers) at 11 bits a character, half
// as much again for gaps, and 40 ms for the drive to turn round.
int DefaultTimeoutMs(int baud)
{
    if (baud <= 0) baud = 9600;
    const int lineMs = (8 + 37) * 11 * 1000 / baud;
    return lineMs * 3 / 2 + 40;
}

int TimeoutFor(const Options& options)
{
    if (options.timeoutMs > 0) return options.timeoutMs;
    int slowest = 0;
    for (const int baud : options.bauds) slowest = slowest == 0 ? baud : std::min(slowest, baud);
    return DefaultTimeoutMs(slowest);
}

std::string Found::Line() const
{
    char text[200];
    std::snprintf(text, sizeof text, "slave %u %d %s model %s id %s version %s", slave, baud,
                  ParityText(parity).c_str(), model.empty() ? "-" : model.c_str(), identifier.c_str(), version.c_str());
    return text;
}

namespace {

// A port without line settings of its own (a network port, the simulated
// drive) reaches the same drives at every setting: it is scanned at one,
// so that each drive is listed once.
Options ForPort(Options options, const std::string& port)
{
    if (HasLineSettings(port)) return options;
    if (options.bauds.size() > 1) options.bauds.resize(1);
    if (options.parities.size() > 1) options.parities.resize(1);
    return options;
}

Result Scan(CModbusMaster& master, const Opener& open, const Options& options, const Callbacks& callbacks,
            const std::function<bool()>& cancelled);

}  // namespace

Result Run(CModbusMaster& master, const std::string& port, const Options& options, const Callbacks& callbacks,
           const std::atomic<bool>& cancel)
{
    const Opener open = [&port](CModbusMaster& m, int baud, int parity) { return m.OpenPort(port, baud, parity); };
    return Scan(master, open, ForPort(options, port), callbacks, [&cancel] { return cancel.load(); });
}

Result Run(CModbusMaster& master, const Opener& open, const Options& options, const Callbacks& callbacks,
           const std::function<bool()>& cancelled)
{
    // The opener reopens the port the master has.
    return Scan(master, open, ForPort(options, master.PortName()), callbacks, cancelled);
}

namespace {

Result Scan(CModbusMaster& master, const Opener& open, const Options& options, const Callbacks& callbacks,
            const std::function<bool()>& cancelled)
{
    Result result;
    const uint32_t savedTimeout = master.ResponseTimeout();
    master.ClosePort();
    master.SetResponseTimeout(static_cast<uint32_t>(TimeoutFor(options)));
    std::vector<uint8_t> addresses = options.addresses;
    if (addresses.empty())
        for (int slave = std::max(1, int{options.first}); slave <= std::min(247, int{options.last}); ++slave)
            addresses.push_back(static_cast<uint8_t>(slave));
    const int perSetting = static_cast<int>(addresses.size());
    const int total = perSetting * static_cast<int>(options.bauds.size() * options.parities.size());
    int done = 0;
    bool anyOpen = false;
    // A drive that answered at one parity is not asked again at the others
    // of that baud rate: a line that keeps no parity (a pty) or differs in
    // stop bits alone would list it once per setting.
    std::set<std::pair<int, int>> answered;  // baud, slave
    for (const int baud : options.bauds) {
        for (const int parity : options.parities) {
            if (cancelled()) break;
            master.ClosePort();
            if (!open(master, baud, parity)) {
                if (callbacks.skipped) callbacks.skipped(baud, parity);
                done += perSetting;
                if (callbacks.progress) callbacks.progress(done, total, 0, baud, parity);
                continue;
            }
            anyOpen = true;
            for (const uint8_t slave : addresses) {
                if (cancelled()) break;
                if (answered.count({baud, slave})) {
                    ++done;
                    if (callbacks.progress) callbacks.progress(done, total, static_cast<uint8_t>(slave), baud, parity);
                    continue;
                }
                DeviceInfo info{};
                const ModbusResult r = master.ReadDeviceInfo(static_cast<uint8_t>(slave), info);
                ++done;
                // Any answer, an exception too, is a drive at that address.
                if (r != kResultTimeout && r != kResultBadResponse && r != kResultPortNotOpen) {
                    Found drive;
                    drive.slave = static_cast<uint8_t>(slave);
                    drive.baud = baud;
                    drive.parity = parity;
                    if (r == kResultOk) {
                        const StatusFormat::DeviceInfoTexts texts = StatusFormat::FormatDeviceInfo(info);
                        drive.identifier = texts.identifier;
                        drive.version = texts.version;
                        drive.model = Ascii(texts.model);
                    } else {
                        drive.identifier = drive.version = "-";
                    }
                    answered.insert({baud, slave});
                    result.drives.push_back(drive);
                    if (callbacks.found) callbacks.found(drive);
                }
                if (callbacks.progress) callbacks.progress(done, total, static_cast<uint8_t>(slave), baud, parity);
            }
        }
    }
    master.ClosePort();
    master.SetResponseTimeout(savedTimeout);
    result.cancelled = cancelled();
    result.portFailed = !anyOpen && total > 0 && !result.cancelled;
    return result;
}

}  // namespace

}  // namespace DriveScan
