// Frame capture of CModbusRtu: hands each frame of a transaction to the
// attached monitor, with the received bytes sorted into the answer and the
// rest. Kept apart so the link itself stays as it is when nobody watches.
#include <chrono>

#include "FrameDecoder.h"
#include "FrameMonitor.h"
#include "ModbusRtu.h"

namespace {

std::chrono::system_clock::time_point WallTime(std::chrono::steady_clock::time_point at)
{
    const auto now = std::chrono::steady_clock::now();
    return std::chrono::system_clock::now() - std::chrono::duration_cast<std::chrono::system_clock::duration>(now - at);
}

}  // namespace

void CModbusRtu::SetFrameMonitor(IFrameMonitor* monitor)
{
    std::lock_guard<std::recursive_mutex> g(m_transactionLock);
    {
        // What came before it is none of a new monitor's business.
        std::lock_guard<std::mutex> b(m_bufferLock);
        m_rxReported = m_rxCount;
    }
    m_monitor.store(monitor, std::memory_order_release);
}

void CModbusRtu::ReportRequest(IFrameMonitor& monitor, const uint8_t* frame, size_t length, const ILinkFraming& framing,
                               const std::vector<uint8_t>& late, std::chrono::steady_clock::time_point lateAt)
{
    const bool mbap = framing.Mbap();
    const size_t unitAt = framing.UnitOffset();
    CapturedFrame captured;
    captured.mbap = mbap;
    captured.slave = frame[unitAt];
    captured.function = frame[unitAt + 1];
    if (!late.empty()) {
        // What came after the previous transaction had ended.
        captured.kind = FrameKind::Late;
        captured.time = lateAt;
        captured.wallTime = WallTime(lateAt);
        captured.slave = late.size() > unitAt ? late[unitAt] : frame[unitAt];
        captured.bytes = late;
        monitor.OnFrame(captured);
        captured.slave = frame[unitAt];
    }
    captured.kind = FrameKind::Request;
    captured.time = std::chrono::steady_clock::now();
    captured.wallTime = WallTime(captured.time);
    captured.bytes.assign(frame, frame + length);
    monitor.OnFrame(captured);
}

void CModbusRtu::ReportReceived(IFrameMonitor& monitor, const uint8_t* request, size_t length,
                                const ILinkFraming& framing, ModbusResult result,
                                std::chrono::steady_clock::time_point sentAt)
{
    const bool mbap = framing.Mbap();
    const size_t unitAt = framing.UnitOffset();
    const auto now = std::chrono::steady_clock::now();
    std::vector<uint8_t> received;
    std::chrono::steady_clock::time_point firstAt;
    {
        std::lock_guard<std::mutex> b(m_bufferLock);
        received.assign(m_rxBuf, m_rxBuf + m_rxCount);
        firstAt = m_rxFirstAt;
        m_rxReported = m_rxCount;
    }
    CapturedFrame captured;
    captured.mbap = mbap;
    captured.slave = request[unitAt];
    captured.function = request[unitAt + 1];
    captured.result = result;
    captured.request.assign(request, request + length);
    if (result != kResultTimeout)
        captured.roundTrip = std::chrono::duration_cast<std::chrono::microseconds>(now - sentAt);
    captured.time = received.empty() ? now : firstAt;
    captured.wallTime = WallTime(captured.time);
    for (auto& piece : framing.Sort(received.data(), received.size(), request, length)) {
        captured.kind = piece.kind;
        captured.bytes = std::move(piece.bytes);
        monitor.OnFrame(captured);
    }
    if (result == kResultTimeout) {
        captured.kind = FrameKind::Timeout;
        captured.time = now;
        captured.wallTime = WallTime(now);
        captured.bytes.clear();
        monitor.OnFrame(captured);
    }
}
