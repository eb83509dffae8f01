#pragma once
// A frame monitor for tests that change the drive at an exact point of a
// sequence: `action` runs once, on the link's thread, right after the first
// good answer whose summary holds `text` ("SDO uploaded 1A00:04"), before the
// next request goes out, however the window shows its progress meanwhile.

#include <functional>
#include <string>
#include <utility>

#include "FrameDecoder.h"
#include "FrameMonitor.h"

class CAnswerTrigger : public IFrameMonitor {
public:
    CAnswerTrigger(std::string text, std::function<void()> action)
        : m_text(std::move(text)), m_action(std::move(action))
    {
    }
    void OnFrame(const CapturedFrame& frame) override
    {
        if (m_done || frame.kind != FrameKind::Answer) return;
        if (FrameDecoder::Describe(frame).find(m_text) == std::string::npos) return;
        m_done = true;
        m_action();
    }

private:
    const std::string m_text;
    const std::function<void()> m_action;
    bool m_done = false;  // the link's thread only
};
