#pragma once
// CSimTransport: RTU frames to and from a simulated line in this process.
// A request is heard by the drives when it is sent; their answers become
// input when they are due (at once, later for a late answer, in pieces for a
// split one, a character at a time when paced). No line settings, no line
// errors, and the line is never lost.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "LinkTransport.h"

namespace zoric::sim {
class CSimulatedLine;
}

class CSimTransport final : public ILinkTransport {
public:
    CSimTransport() = default;
    ~CSimTransport() override { Close(); }
    CSimTransport(const CSimTransport&) = delete;
    CSimTransport& operator=(const CSimTransport&) = delete;

    bool Open(const PortAddress& port, PortOpenError& error) override;
    ILinkFraming& Framing() override { return m_framing; }
    bool IsOpen() const override { return m_open.load(); }
    void Close() override;
    Wait WaitForInput() override;
    void Wake() override;
    long ReadAvailable(uint8_t* dest, size_t room) override;
    bool Send(const uint8_t* frame, size_t length) override;
    bool IsLost() const override { return false; }
    bool MarkLost() override { return false; }
    uint32_t LossCount() const override { return 0; }

private:
    CRtuFraming m_framing;
    std::string m_name;
    std::atomic<bool> m_open{false};
    std::shared_ptr<zoric::sim::CSimulatedLine> m_line;  // while open; the owner thread's

    // The receive thread sleeps here until an answer is due or Wake().
    std::mutex m_waitLock;
    std::condition_variable m_waitChanged;
    bool m_woken = false;
    bool m_sent = false;  // a request went out since the wait looked
};
