#include "CliRecord.h"

#include <ostream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "Language.h"
#include "CsvWriter.h"
#include "ModbusMaster.h"
#include "PortNames.h"
#include "RecordLoop.h"
#include "StatusChannels.h"
#include "TextNumber.h"

namespace Cli {
namespace {

const char* const kRecordHelp =
    "usage: zoric-cli record FILE [--interval MS] [--duration S] [--channels LIST]\n"
    "Reads registers 32 to 58 every MS milliseconds (default 100; 0: each read\n"
    "as soon as the last is back) and writes one CSV row per read: the time,\n"
    "the seconds since the start, the chosen channels and the result of a failed\n"
    "read. Runs for S seconds (decimals allowed), or until Ctrl-C; a summary goes\n"
    "to stderr. LIST is a comma-separated list of column names (default: all):\n";

// A decimal number of seconds, "2" or "0.5", as milliseconds; nullopt for
// anything else or for nothing at all.
std::optional<int64_t> ParseSeconds(const std::string& word)
{
    size_t digits = 0, points = 0;
    for (char c : word) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1 || word.size() > 12) return std::nullopt;
    return TextNumber::ParseScaled(word, 3);
}

void PrintHelp(std::ostream& to)
{
    to << kRecordHelp;
    size_t column = 0;
    for (StatusChannels::Channel c : StatusChannels::All()) {
        const std::string name = StatusChannels::ColumnName(c);
        if (column > 0 && column + name.size() + 1 > 78) {
            to << "\n";
            column = 0;
        }
        to << "  " << name;
        column += name.size() + 2;
    }
    to << "\n";
}

int RecordUsage(std::ostream& err, const std::string& why)
{
    err << "zoric-cli: " << why << "\n";
    PrintHelp(err);
    return kExitUsage;
}

struct RecordWords {
    std::string interval, duration, channels;
    std::string missing;  // an option given last without its value
};

}  // namespace

std::optional<int> RunRecord(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                             const std::atomic<bool>& interrupted)
{
    RecordWords words;
    std::string error;
    const std::vector<std::string> rest = TakeOwnOptions(
        argv, {{"--interval", &words.interval}, {"--duration", &words.duration}, {"--channels", &words.channels}},
        words.missing);
    const std::optional<CliArguments> parsed = ParseCliArguments(rest, error);
    if (!parsed || parsed->command != "record") return std::nullopt;
    const CliArguments& a = *parsed;
    if (a.help) {
        PrintHelp(out);
        return kExitOk;
    }
    if (!words.missing.empty()) return RecordUsage(err, words.missing + " needs a value");
    if (a.watch) return RecordUsage(err, "--watch goes with status only");
    if (a.args.size() != 1 || a.args[0].empty()) return RecordUsage(err, "record takes one FILE");

    RecordLoop::Options options;
    options.interval = std::chrono::milliseconds(100);
    if (!words.interval.empty()) {
        const std::optional<int64_t> ms = ParseCliInteger(words.interval);
        if (!ms || *ms < 0 || *ms > 3600000) return RecordUsage(err, "--interval takes 0 to 3600000 ms");
        options.interval = std::chrono::milliseconds(*ms);
    }
    if (!words.duration.empty()) {
        const std::optional<int64_t> ms = ParseSeconds(words.duration);
        if (!ms || *ms <= 0) return RecordUsage(err, "--duration takes a number of seconds above 0");
        options.duration = std::chrono::milliseconds(*ms);
    }
    std::vector<StatusChannels::Channel> channels(StatusChannels::All().begin(), StatusChannels::All().end());
    if (!words.channels.empty()) {
        std::string unknown;
        const auto chosen = StatusChannels::ParseList(words.channels, unknown);
        if (!chosen) return RecordUsage(err, "unknown channel: " + unknown);
        channels = *chosen;
    }

    CModbusMaster master;
    if (!master.OpenPort(a.port, a.baud, a.parity)) {
        err << Localized("打开串口失败") << ": " << a.port << "\n";
        return kExitNoPort;
    }
    // Only a serial device can vanish from the file system; a network or
    // simulated port has no node to look for.
    if (HasLineSettings(a.port)) options.device = ResolvePortName(a.port);
    CCsvWriter writer(channels);
    if (!writer.Open(a.args[0])) {
        err << "zoric-cli: cannot write " << writer.Error() << "\n";
        return kExitUsage;
    }

    const RecordLoop::Summary s = RecordLoop::Run(master, a.slave, writer, options, interrupted);
    writer.Close();
    err << TextNumber::Format("record: %llu rows (%llu failed reads) in %.3f s, %.1f rows/s\n",
                              static_cast<unsigned long long>(s.rows), static_cast<unsigned long long>(s.failedReads),
                              s.seconds, s.RowsPerSecond());
    if (s.skippedPeriods > 0)
        err << TextNumber::Format("record: %llu periods skipped (reads that overran their period)\n",
                                  static_cast<unsigned long long>(s.skippedPeriods));
    switch (s.end) {
    case RecordLoop::End::Interrupted:
    case RecordLoop::End::Duration: return kExitOk;
    case RecordLoop::End::LineLost:
        err << "record: the line is lost (" << CModbusMaster::ResultText(s.lastFailure) << ")\n";
        return kExitLostLine;
    case RecordLoop::End::WriteFailed:
        err << "zoric-cli: cannot write " << a.args[0] << ": " << writer.Error() << "\n";
        return kExitUsage;
    }
    return kExitOk;
}

}  // namespace Cli
