#include "CliShared.h"

#include <ostream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "CsvWriter.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "PortNames.h"
#include "RecordLoop.h"
#include "StatusChannels.h"
#include "TextNumber.h"

namespace Cli {
namespace {

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

}  // namespace

void ListRecordChannels(std::ostream& to)
{
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

int CmdRecord(const Context& c)
{
    const CliArguments& a = c.a;
    std::ostream& err = c.err;
    if (a.args[0].empty()) return c.Usage("record takes one FILE");
    RecordLoop::Options options;
    options.interval = std::chrono::milliseconds(100);
    if (const std::optional<std::string> interval = a.Value("--interval")) {
        const std::optional<int64_t> ms = ParseCliInteger(*interval);
        if (!ms || *ms < 0 || *ms > 3600000) return c.Usage("--interval takes 0 to 3600000 ms");
        options.interval = std::chrono::milliseconds(*ms);
    }
    if (const std::optional<std::string> duration = a.Value("--duration")) {
        const std::optional<int64_t> ms = ParseSeconds(*duration);
        if (!ms || *ms <= 0) return c.Usage("--duration takes a number of seconds above 0");
        options.duration = std::chrono::milliseconds(*ms);
    }
    std::vector<StatusChannels::Channel> channels(StatusChannels::All().begin(), StatusChannels::All().end());
    if (const std::optional<std::string> list = a.Value("--channels")) {
        std::string unknown;
        const auto chosen = StatusChannels::ParseList(*list, unknown);
        if (!chosen) return c.Usage("unknown channel: " + unknown);
        channels = *chosen;
    }

    CModbusMaster& master = c.master;
    if (!c.Connect()) return kExitNoPort;
    // Only a serial device can vanish from the file system; a network or
    // simulated port has no node to look for.
    if (HasLineSettings(a.port)) options.device = ResolvePortName(a.port);
    CCsvWriter writer(channels);
    if (!writer.Open(a.args[0])) {
        err << "zoric-cli: cannot write " << writer.Error() << "\n";
        if (c.AsJson()) c.Drive()["error"] = ScriptJson::Error("file", a.args[0], writer.Error());
        return kExitUsage;
    }

    const RecordLoop::Summary s = RecordLoop::Run(master, a.slave, writer, options, c.interrupted);
    writer.Close();
    if (c.AsJson()) {
        c.Drive()["file"] = a.args[0];
        c.Drive().update(ScriptJson::RecordSummary(s));
    }
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
