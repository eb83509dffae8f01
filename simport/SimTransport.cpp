#include "SimTransport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "SimulatedLine.h"
#include "SimulatedPort.h"

namespace SimulatedPort {
// SimulatedPort.cpp: a master takes a name's line and gives it back.
std::shared_ptr<zoric::sim::CSimulatedLine> Claim(const std::string& name, bool& inUse);
void Release(const std::string& name);
}  // namespace SimulatedPort

using Clock = zoric::sim::CSimulatedLine::Clock;

bool CSimTransport::Open(const PortAddress& port, PortOpenError& error)
{
    zoric::sim::SimOptions options;
    std::string why;
    if (!SimulatedPort::ParseOptions(port.name, options, why)) {
        error.reason = PortOpenReason::BadOptions;
        error.error = EINVAL;
        error.device = why;
        return false;
    }
    bool inUse = false;
    m_line = SimulatedPort::Claim(port.name, inUse);
    if (!m_line) {
        error.reason = inUse ? PortOpenReason::InUse : PortOpenReason::BadOptions;
        error.error = inUse ? EBUSY : EINVAL;
        return false;
    }
    // Answers of an earlier master that nobody took are not this one's.
    m_line->DropOutput();
    m_name = port.name;
    {
        std::lock_guard<std::mutex> g(m_waitLock);
        m_woken = false;
        m_sent = false;
    }
    m_open = true;
    return true;
}

void CSimTransport::Close()
{
    if (!m_open.exchange(false)) return;
    m_line->DropOutput();
    m_line.reset();
    SimulatedPort::Release(m_name);
}

ILinkTransport::Wait CSimTransport::WaitForInput()
{
    std::unique_lock<std::mutex> g(m_waitLock);
    for (;;) {
        if (m_woken) {
            m_woken = false;
            return Wait::Woken;
        }
        m_sent = false;
        const std::optional<Clock::time_point> due = m_line->NextOutputDue();
        if (due && *due <= Clock::now()) return Wait::Input;
        // Until the next answer is due, or a request is sent (which may
        // queue one), or Wake: an idle port sleeps.
        const auto changed = [this] { return m_woken || m_sent; };
        if (due) m_waitChanged.wait_until(g, *due, changed);
        else m_waitChanged.wait(g, changed);
    }
}

void CSimTransport::Wake()
{
    {
        std::lock_guard<std::mutex> g(m_waitLock);
        m_woken = true;
    }
    m_waitChanged.notify_all();
}

long CSimTransport::ReadAvailable(uint8_t* dest, size_t room)
{
    size_t taken = 0;
    const Clock::time_point now = Clock::now();
    while (taken < room) {
        const zoric::sim::CSimulatedLine::Frame due = m_line->PeekOutput(now);
        if (due.empty()) break;
        const size_t n = std::min(due.size(), room - taken);
        std::memcpy(dest + taken, due.data(), n);
        m_line->ConsumeOutput(n);
        taken += n;
    }
    return static_cast<long>(taken);
}

bool CSimTransport::Send(const uint8_t* frame, size_t length)
{
    m_line->Hear(zoric::sim::CSimulatedLine::Frame(frame, frame + length), Clock::now());
    {
        std::lock_guard<std::mutex> g(m_waitLock);
        m_sent = true;
    }
    m_waitChanged.notify_all();
    return true;
}
