#include "CliScan.h"

#include <ostream>
#include <sstream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "Language.h"
#include "DriveScan.h"
#include "ModbusMaster.h"

namespace Cli {
namespace {

const char* const kScanHelp =
    "usage: zoric-cli [--port P] scan [--slaves A-B] [--bauds LIST|all] [--parities LIST|all]\n"
    "                 [--timeout MS]\n"
    "Asks every slave address from A to B (default 1-247) for its device\n"
    "information at each baud rate and parity given (comma lists; default the\n"
    "--baud and --parity of the command line; all: 9600,19200,38400,57600,115200\n"
    "and 0,1,2,3). Prints one line per drive found:\n"
    "  slave ADDRESS BAUD PARITY model MODEL id IDENTIFIER version VERSION\n"
    "and the progress on the error stream. MS is the time-out of one probe\n"
    "(default: long enough for the slowest baud rate given). Ctrl-C stops it.\n"
    "exit codes: 0 drives found; 8 none; 2 bad arguments; 3 no port; 130 interrupted.\n";

int ScanUsage(std::ostream& err, const std::string& why)
{
    err << "zoric-cli: " << why << "\n" << kScanHelp;
    return kExitUsage;
}

struct ScanWords {
    std::string slaves, bauds, parities, timeout;
    std::string missing;
};

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

std::optional<int> RunScan(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                           const std::atomic<bool>& interrupted)
{
    ScanWords words;
    std::string error;
    const std::vector<std::string> rest = TakeOwnOptions(argv,
                                                         {{"--slaves", &words.slaves},
                                                          {"--bauds", &words.bauds},
                                                          {"--parities", &words.parities},
                                                          {"--timeout", &words.timeout}},
                                                         words.missing);
    const std::optional<CliArguments> parsed = ParseCliArguments(rest, error);
    if (!parsed || parsed->command != "scan") return std::nullopt;
    const CliArguments& a = *parsed;
    if (a.help) {
        out << kScanHelp;
        return kExitOk;
    }
    if (!words.missing.empty()) return ScanUsage(err, words.missing + " needs a value");
    if (!a.args.empty()) return ScanUsage(err, "scan takes no arguments");

    DriveScan::Options options;
    options.bauds = {a.baud};
    options.parities = {a.parity};
    if (!words.slaves.empty()) {
        const size_t dash = words.slaves.find('-');
        const auto from = ParseCliInteger(words.slaves.substr(0, dash));
        const auto to = dash == std::string::npos ? from : ParseCliInteger(words.slaves.substr(dash + 1));
        if (!from || !to || *from < 1 || *to > 247 || *from > *to)
            return ScanUsage(err, "--slaves takes A-B within 1-247");
        options.first = static_cast<uint8_t>(*from);
        options.last = static_cast<uint8_t>(*to);
    }
    if (words.bauds == "all") {
        options.bauds = DriveScan::AllBauds();
    } else if (!words.bauds.empty()) {
        const auto bauds = ParseList(words.bauds, 300, 4000000);
        if (!bauds) return ScanUsage(err, "--bauds takes a list such as 9600,19200, or all");
        options.bauds = *bauds;
    }
    if (words.parities == "all") {
        options.parities = DriveScan::AllParities();
    } else if (!words.parities.empty()) {
        const auto parities = ParseList(words.parities, 0, 3);
        if (!parities) return ScanUsage(err, "--parities takes a list of 0 to 3, or all");
        options.parities = *parities;
    }
    if (!words.timeout.empty()) {
        const std::optional<int64_t> ms = ParseCliInteger(words.timeout);
        if (!ms || *ms < 1 || *ms > 10000) return ScanUsage(err, "--timeout takes 1 to 10000 ms");
        options.timeoutMs = static_cast<int>(*ms);
    }

    CModbusMaster master;
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
    callbacks.found = [&](const DriveScan::Found& drive) { out << drive.Line() << "\n" << std::flush; };
    callbacks.skipped = [&](int baud, int parity) {
        err << "scan: the port does not take " << baud << " " << DriveScan::ParityText(parity) << ", skipped\n";
    };
    err << "scan: slaves " << int{options.first} << "-" << int{options.last} << ", " << DriveScan::TimeoutFor(options)
        << " ms per probe\n";
    const DriveScan::Result result = DriveScan::Run(master, a.port, options, callbacks, interrupted);
    if (result.cancelled) {
        err << "scan: interrupted, " << result.drives.size() << " found\n";
        return kExitInterrupted;
    }
    if (result.portFailed) {
        err << Localized("打开串口失败") << ": " << a.port << "\n";
        return kExitNoPort;
    }
    err << "scan: " << result.drives.size() << " found\n";
    return result.drives.empty() ? kExitNoDrive : kExitOk;
}

}  // namespace Cli
