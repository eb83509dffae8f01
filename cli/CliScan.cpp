#include "CliShared.h"

#include <ostream>
#include <sstream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "DriveScan.h"
#include "Language.h"
#include "ModbusMaster.h"

namespace Cli {
namespace {

// "a,b,c" of numbers within [low, high]; nullopt on anything else.
std::optional<std::vector<int>> ParseList(const std::string& text, int low, int high)
{
    std::vector<int> values;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, ',');) {
        const std::optional<int64_t> n = ParseCliInteger(word);
        if (!n || *n < low || *n > high) return std::nullopt;
        values.push_back(static_cast<int>(*n));
    }
    if (values.empty()) return std::nullopt;
    return values;
}

}  // namespace

int CmdScan(const Context& c)
{
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    DriveScan::Options options;
    options.bauds = {a.baud};
    options.parities = {a.parity};
    if (const std::optional<std::string> slaves = a.Value("--slaves")) options.addresses = *ParseSlaveList(*slaves);
    const std::string bauds = a.Value("--bauds").value_or("");
    if (bauds == "all") {
        options.bauds = DriveScan::AllBauds();
    } else if (!bauds.empty()) {
        const auto list = ParseList(bauds, 300, 4000000);
        if (!list) return c.Usage("--bauds takes a list such as 9600,19200, or all");
        options.bauds = *list;
    }
    const std::string parities = a.Value("--parities").value_or("");
    if (parities == "all") {
        options.parities = DriveScan::AllParities();
    } else if (!parities.empty()) {
        const auto list = ParseList(parities, 0, 3);
        if (!list) return c.Usage("--parities takes a list of 0 to 3, or all");
        options.parities = *list;
    }
    if (const std::optional<std::string> timeout = a.Value("--timeout")) {
        const std::optional<int64_t> ms = ParseCliInteger(*timeout);
        if (!ms || *ms < 1 || *ms > 10000) return c.Usage("--timeout takes 1 to 10000 ms");
        options.timeoutMs = static_cast<int>(*ms);
    }

    CModbusMaster& master = c.master;
    DriveScan::Callbacks callbacks;
    int lastBaud = 0, lastParity = -1;
    callbacks.progress = [&](int done, int total, uint8_t, int baud, int parity) {
        if (baud != lastBaud || parity != lastParity || done == total) {
            err << "scan: " << baud << " " << DriveScan::ParityText(parity) << ", " << done << "/" << total
                << " probes\n";
            lastBaud = baud;
            lastParity = parity;
        }
    };
    callbacks.found = [&](const DriveScan::Found& drive) {
        if (c.AsJson()) c.Line(ScriptJson::Found(drive));
        else out << drive.Line() << "\n" << std::flush;
    };
    callbacks.skipped = [&](int baud, int parity) {
        err << "scan: the port does not take " << baud << " " << DriveScan::ParityText(parity) << ", skipped\n";
    };
    err << "scan: slaves " << a.Value("--slaves").value_or("1-247") << ", " << DriveScan::TimeoutFor(options)
        << " ms per probe\n";
    const DriveScan::Result result = DriveScan::Run(master, a.port, options, callbacks, interrupted);
    if (result.cancelled) {
        err << "scan: interrupted, " << result.drives.size() << " found\n";
        return kExitInterrupted;
    }
    if (result.portFailed) {
        err << Localized("打开串口失败") << ": " << a.port << "\n";
        if (c.AsJson()) c.Line({{"error", ScriptJson::Error(kResultPortNotOpen)}});
        return kExitNoPort;
    }
    err << "scan: " << result.drives.size() << " found\n";
    return result.drives.empty() ? kExitNoDrive : kExitOk;
}

}  // namespace Cli
