#include "CliShared.h"

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

// Prints each frame as it is heard; called on the listening thread.
class CPrinter : public IFrameMonitor {
public:
    CPrinter(std::ostream& out, bool json) : m_out(out), m_json(json) {}
    void OnFrame(const CapturedFrame& frame) override
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_out << (m_json ? ScriptJson::Text(ScriptJson::Frame(frame)) : FrameDecoder::TraceLine(frame)) << "\n"
              << std::flush;
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
    const bool m_json;
    FrameDecoder::CCounters m_counters;
};

}  // namespace

int CmdListen(const Context& c)
{
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    std::optional<std::chrono::milliseconds> limit;
    if (const std::optional<std::string> duration = a.Value("--duration")) {
        char* end = nullptr;
        const double seconds = std::strtod(duration->c_str(), &end);
        if (end == duration->c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e7)
            return c.Usage("--duration takes a number of seconds above 0");
        limit = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000.0 + 0.5));
    }

    CPrinter printer(out, c.AsJson());
    CLineListener listener;
    const std::string mode = CModbusMaster::ModeText(a.baud, a.parity);
    if (!listener.Start(a.port, mode.c_str(), printer)) {
        err << Localized("打开串口失败") << ": " << a.port << "\n";
        if (c.AsJson()) c.Line({{"error", ScriptJson::Error(kResultPortNotOpen)}});
        return kExitNoPort;
    }
    err << "listen: " << a.port << " " << mode << ", sending nothing\n";
    const auto start = std::chrono::steady_clock::now();
    while (!interrupted.load() && !listener.IsLost() && (!limit || std::chrono::steady_clock::now() - start < *limit))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool lost = listener.IsLost();
    listener.Stop();
    err << printer.Counters().Text();
    const LineErrorCounts e = listener.LineErrors();
    if (c.AsJson()) c.Line({{"counts", ScriptJson::Counters(printer.Counters(), e)}});
    err << "line errors: framing " << e.framing << " parity " << e.parity << " overrun " << e.overrun << " break "
        << e.breaks << "\n";
    if (lost) {
        err << "listen: the port was lost\n";
        return kExitLostLine;
    }
    return kExitOk;
}

}  // namespace Cli
