#pragma once
// A frame monitor for tests: keeps every frame it is shown (from the link's
// or a listener's thread) and counts them per slave.

#include <mutex>
#include <vector>

#include "FrameDecoder.h"
#include "FrameMonitor.h"

class CFrameRecorder : public IFrameMonitor {
public:
    void OnFrame(const CapturedFrame& frame) override
    {
        std::lock_guard g(lock);
        frames.push_back(frame);
        counters.Count(frame);
    }
    std::vector<FrameKind> Kinds()
    {
        std::lock_guard g(lock);
        std::vector<FrameKind> kinds;
        for (const auto& f : frames) kinds.push_back(f.kind);
        return kinds;
    }
    std::vector<CapturedFrame> Frames()
    {
        std::lock_guard g(lock);
        return frames;
    }

    std::mutex lock;
    std::vector<CapturedFrame> frames;
    FrameDecoder::CCounters counters;
};
