#include "CliTrace.h"

#include <sstream>

namespace Cli {

void CliTrace::OnFrame(const CapturedFrame& frame)
{
    m_counters.Count(frame);
    m_err << "trace " << FrameDecoder::TraceLine(frame) << '\n' << std::flush;
}

void CliTrace::PrintCounters(const LineErrorCounts& e)
{
    std::istringstream lines(m_counters.Text());
    for (std::string line; std::getline(lines, line);) m_err << "trace " << line << '\n';
    if (e.Any())
        m_err << "trace line errors: framing " << e.framing << " parity " << e.parity << " overrun " << e.overrun
              << " break " << e.breaks << '\n';
    m_err << std::flush;
}

}  // namespace Cli
