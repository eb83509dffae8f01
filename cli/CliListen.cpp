#include "CliListen.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <thread>

#include "CliArguments.h"
#include "CliCommands.h"
#include "FrameDecoder.h"
#include "Language.h"
#include "LineListener.h"
#include "ModbusMaster.h"

namespace Cli {
namespace {

const char* const kListenHelp =
    "usage: zoric-cli [--port P] [--baud N] [--parity 0-3] listen [--duration S]\n"
    "Opens the port without sending anything and prints every frame other\n"
    "masters and slaves put on the line, one line each as --trace does, with the\n"
    "direction MA (from a master), SL (from a slave, or bytes that are not a\n"
    "frame) or -- (a request no answer was heard for). Runs for S seconds\n"
    "(decimals allowed), or until Ctrl-C; then the counts per slave and the line\n"
    "errors the port reported go to the error stream.\n"
    "exit codes: 0 done; 2 bad arguments; 3 no port; 9 the port was lost.\n";

int ListenUsage(std::ostream& err, const std::string& why)
{
    err << "zoric-cli: " << why << "\n" << kListenHelp;
    return kExitUsage;
}

// Prints each frame as it is heard; called on the listening thread.
class CPrinter : public IFrameMonitor {
public:
    explicit CPrinter(std::ostream& out) : m_out(out) {}
    void OnFrame(const CapturedFrame& frame) override
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_out << FrameDecoder::TraceLine(frame) << "\n" << std::flush;
        m_counters.Count(frame);
    }
    FrameDecoder::CCounters Counters()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_counters;
    }

private:
    std::mutex m_lock;
    std::ostream& m_out;
    FrameDecoder::CCounters m_counters;
};

}  // namespace

std::optional<int> RunListen(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                             const std::atomic<bool>& interrupted)
{
    std::string duration, missing, error;
    const std::vector<std::string> rest = TakeOwnOptions(argv, {{"--duration", &duration}}, missing);
    const std::optional<CliArguments> parsed = ParseCliArguments(rest, error);
    if (!parsed || parsed->command != "listen") return std::nullopt;
    const CliArguments& a = *parsed;
    if (a.help) {
        out << kListenHelp;
        return kExitOk;
    }
    if (!missing.empty()) return ListenUsage(err, missing + " needs a value");
    if (!a.args.empty()) return ListenUsage(err, "listen takes no arguments");
    std::optional<std::chrono::milliseconds> limit;
    if (!duration.empty()) {
        char* end = nullptr;
        const double seconds = std::strtod(duration.c_str(), &end);
        if (end == duration.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e7)
            return ListenUsage(err, "--duration takes a number of seconds above 0");
        limit = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000.0 + 0.5));
    }

    CPrinter printer(out);
    CLineListener listener;
    const std::string mode = CModbusMaster::ModeText(a.baud, a.parity);
    if (!listener.Start(a.port, mode.c_str(), printer)) {
        err << Localized("打开串口失败") << ": " << a.port << "\n";
        return kExitNoPort;
    }
    err << "listen: " << a.port << " " << mode << ", sending nothing\n";
    const auto start = std::chrono::steady_clock::now();
    while (!interrupted.load() && !listener.IsLost() &&
           (!limit || std::chrono::steady_clock::now() - start < *limit))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool lost = listener.IsLost();
    listener.Stop();
    err << printer.Counters().Text();
    const LineErrorCounts e = listener.LineErrors();
    err << "line errors: framing " << e.framing << " parity " << e.parity << " overrun " << e.overrun << " break "
        << e.breaks << "\n";
    if (lost) {
        err << "listen: the port was lost\n";
        return kExitLostLine;
    }
    return kExitOk;
}

}  // namespace Cli
