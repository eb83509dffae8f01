#pragma once
// The bus monitor's memory: the last frames the link showed (at most
// `capacity`, the oldest dropped and counted), the counts per slave, and
// the filter and the exports the window offers. Frames come in on the link
// thread; the window takes the new ones on its own thread.

#include <cstdint>
#include <deque>
#include <mutex>
#include <ostream>
#include <vector>

#include "FrameDecoder.h"
#include "FrameMonitor.h"

class CFrameLog : public IFrameMonitor {
public:
    explicit CFrameLog(size_t capacity = 100000) : m_capacity(capacity ? capacity : 1) {}

    void OnFrame(const CapturedFrame& frame) override;

    // While paused, frames are neither kept nor counted.
    void SetPaused(bool paused);
    bool Paused() const;
    void Clear();

    // The frames kept since `sequence` (0: all), and the sequence to ask
    // from next time; frames dropped before they were taken are lost.
    std::vector<CapturedFrame> Since(uint64_t sequence, uint64_t& next) const;
    std::vector<CapturedFrame> All() const;
    uint64_t Dropped() const;
    FrameDecoder::CCounters Counters() const;

private:
    mutable std::mutex m_lock;
    size_t m_capacity;
    std::deque<CapturedFrame> m_frames;
    uint64_t m_first = 1;  // sequence number of m_frames.front()
    uint64_t m_dropped = 0;
    bool m_paused = false;
    FrameDecoder::CCounters m_counters;
};

namespace FrameLogText {

struct Filter {
    int slave = -1;     // -1: any
    int function = -1;  // -1: any; exceptions count as their function
    bool failedOnly = false;
    bool Matches(const CapturedFrame& frame) const;
};

// Not a good answer: a spoiled or stray piece, a time-out, an exception.
bool IsFailure(const CapturedFrame& frame);

// One row per frame, times relative to the first: time,relative_ms,direction,
// slave,function,kind,summary,result,round_trip_ms,hex. ASCII.
void WriteCsv(const std::vector<CapturedFrame>& frames, std::ostream& out);
// The --trace lines of zoric-cli.
void WriteText(const std::vector<CapturedFrame>& frames, std::ostream& out);

}  // namespace FrameLogText
