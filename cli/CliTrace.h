#pragma once
// --trace: every frame on the line, one ASCII line each on the error
// stream as it happens, and the counts per slave (and the line errors, if
// any) at the end.
#include <ostream>

#include "FrameDecoder.h"
#include "FrameMonitor.h"
#include "LineErrors.h"

namespace Cli {

class CliTrace : public IFrameMonitor {
public:
    explicit CliTrace(std::ostream& err) : m_err(err) {}
    void OnFrame(const CapturedFrame& frame) override;
    // The counts per slave, and the port's line errors when there were any.
    void PrintCounters(const LineErrorCounts& lineErrors = {});
    const FrameDecoder::CCounters& Counters() const { return m_counters; }

private:
    std::ostream& m_err;
    FrameDecoder::CCounters m_counters;
};

}  // namespace Cli
