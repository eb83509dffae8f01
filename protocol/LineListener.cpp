#include "LineListener.h"

#include <algorithm>
#include <cerrno>

#include "Crc.h"
#include "PortNames.h"

namespace {

using std::chrono::microseconds;

constexpr size_t kMaxFrame = 256;

struct Match {
    size_t length = 0;      // a whole frame with a good CRC
    bool needMore = false;  // could still become one with more bytes
};

// The lengths a frame with this start may have, as a request or as an
// answer, where the function tells them; empty when it does not.
std::vector<size_t> KnownLengths(const uint8_t* f, size_t n, bool& needMore)
{
    needMore = false;
    const uint8_t function = f[1];
    if (function & 0x80) return {5};
    switch (function) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
        if (n < 3) {
            needMore = true;
            return {8};
        }
        return {8, size_t{5} + f[2]};
    case 0x05:
    case 0x06: return {8};
    case 0x0F:
    case 0x10:
        if (n < 7) {
            needMore = true;
            return {8};
        }
        return {8, size_t{9} + f[6]};
    default: return {};
    }
}

// A frame at the start of `p`: the shortest length the function allows
// whose CRC holds, else the shortest CRC that holds at all.
Match MatchAt(const uint8_t* p, size_t n)
{
    Match m;
    if (n < 2) {
        m.needMore = true;
        return m;
    }
    bool unsure = false;
    std::vector<size_t> lengths = KnownLengths(p, n, unsure);
    std::sort(lengths.begin(), lengths.end());
    for (size_t length : lengths) {
        if (length <= n && CheckFrame(p[0], p, length)) {
            m.length = length;
            return m;
        }
        if (length > n) unsure = true;
    }
    if (!lengths.empty()) {
        m.needMore = unsure;
        return m;
    }
    // One pass: the running CRC after each byte against the two that follow.
    uint16_t crc = 0xFFFF;
    const size_t limit = std::min(n, kMaxFrame);
    for (size_t end = 0; end + 2 <= limit; ++end) {
        if (end >= 2 && p[end] == (crc & 0xFF) && p[end + 1] == (crc >> 8)) {
            m.length = end + 2;
            return m;
        }
        crc ^= p[end];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    m.needMore = n < kMaxFrame;
    return m;
}

// Whether an answer-shaped `frame` answers `request` (same slave and function).
bool Answers(const std::vector<uint8_t>& frame, const std::vector<uint8_t>& request)
{
    if (request.size() < 4 || frame[0] != request[0] || (frame[1] & 0x7F) != request[1]) return false;
    if (frame[1] & 0x80) return true;
    const size_t n = frame.size();
    switch (frame[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04: return n == size_t{5} + frame[2];
    case 0x05:
    case 0x06: return n == 8;
    case 0x0F:
    case 0x10: return n == 8;
    case 0x2B: return n > 7;  // the request is 7 bytes, its answer carries objects
    default: return true;
    }
}

// An answer that cannot be a request, whoever asked.
bool OnlyAnAnswer(const std::vector<uint8_t>& frame)
{
    if (frame[1] & 0x80) return true;
    const size_t n = frame.size();
    switch (frame[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04: return n != 8 && n == size_t{5} + frame[2];
    case 0x0F:
    case 0x10: return false;  // an answer is 8 bytes, like no request
    default: return false;
    }
}

}  // namespace

CLineFrameSplitter::CLineFrameSplitter(Sink sink, microseconds silence, microseconds patience)
    : m_sink(std::move(sink)), m_silence(silence), m_patience(std::max(patience, silence))
{
}

microseconds CLineFrameSplitter::SilenceFor(int baud)
{
    // 3.5 characters of 11 bits.
    const auto chars = microseconds(baud > 0 ? 38'500'000LL / baud : 4000);
    return std::max(chars, microseconds(2000));
}

microseconds CLineFrameSplitter::PatienceFor(int baud) { return std::max(SilenceFor(baud) * 4, microseconds(20'000)); }

void CLineFrameSplitter::Feed(const uint8_t* bytes, size_t count, Clock::time_point at)
{
    if (count == 0) return;
    if (m_pending.empty()) m_wallOfFirst = std::chrono::system_clock::now();
    m_pending.insert(m_pending.end(), bytes, bytes + count);
    m_arrival.insert(m_arrival.end(), count, at);
    m_lastByte = at;
    Parse(false, at);
}

void CLineFrameSplitter::Idle(Clock::time_point now)
{
    if (!m_pending.empty() && now - m_lastByte >= m_silence) Parse(true, now);
}

void CLineFrameSplitter::Finish() { Parse(true, m_lastByte + m_patience); }

void CLineFrameSplitter::Parse(bool atSilence, Clock::time_point now)
{
    while (!m_pending.empty()) {
        const Match first = MatchAt(m_pending.data(), m_pending.size());
        if (first.length) {
            Emit(first.length);
            continue;
        }
        if (!atSilence) return;
        // The line fell silent on bytes that are not a frame from their start.
        if (first.needMore && now - m_lastByte < m_patience) return;
        size_t start = 1;
        Match later;
        for (; start + 4 <= m_pending.size(); ++start) {
            later = MatchAt(m_pending.data() + start, m_pending.size() - start);
            if (later.length) break;
        }
        if (!later.length) start = m_pending.size();
        const bool frameLike = start >= 4 && m_pending[0] >= 1 && m_pending[0] <= 247;
        EmitStray(start, frameLike ? FrameKind::BadCrc : FrameKind::Noise);
    }
}

CapturedFrame CLineFrameSplitter::MakeFrame(size_t length, FrameKind kind) const
{
    CapturedFrame frame;
    frame.heard = true;
    frame.kind = kind;
    frame.time = m_arrival.front();
    frame.wallTime = m_wallOfFirst;
    frame.bytes.assign(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(length));
    frame.slave = frame.bytes[0];
    frame.function = frame.bytes.size() > 1 ? static_cast<uint8_t>(frame.bytes[1] & 0x7F) : 0;
    return frame;
}

void CLineFrameSplitter::EmitStray(size_t length, FrameKind kind)
{
    CapturedFrame frame = MakeFrame(length, kind);
    if (kind == FrameKind::BadCrc && !m_lastRequest.empty() && frame.slave == m_lastRequest[0]) {
        frame.request = m_lastRequest;
        frame.result = kResultBadResponse;
    }
    Drop(length, frame.time);
    m_sink(frame);
}

void CLineFrameSplitter::Emit(size_t length)
{
    CapturedFrame frame = MakeFrame(length, FrameKind::Request);
    if (Answers(frame.bytes, m_lastRequest)) {
        frame.kind = FrameKind::Answer;
        frame.request = std::move(m_lastRequest);
        m_lastRequest.clear();
        frame.result = (frame.bytes[1] & 0x80) ? frame.bytes[2] : kResultOk;
        frame.roundTrip = std::chrono::duration_cast<microseconds>(m_arrival[length - 1] - m_lastRequestAt);
    } else if (OnlyAnAnswer(frame.bytes)) {
        // An answer to a question not heard: to another slave than the one
        // asked, or asked before listening began.
        frame.kind = m_lastRequest.empty() ? FrameKind::Answer : FrameKind::WrongSlave;
        frame.result = (frame.bytes[1] & 0x80) ? frame.bytes[2] : kResultOk;
    } else {
        EndPendingRequest(frame.time);
        m_lastRequest = frame.bytes;
        m_lastRequestAt = m_arrival[length - 1];
    }
    Drop(length, frame.time);
    m_sink(frame);
}

void CLineFrameSplitter::Drop(size_t length, Clock::time_point first)
{
    const auto drop = static_cast<std::ptrdiff_t>(length);
    m_pending.erase(m_pending.begin(), m_pending.begin() + drop);
    m_arrival.erase(m_arrival.begin(), m_arrival.begin() + drop);
    // The wall clock of the next first byte, moved along with the steady one.
    if (!m_pending.empty())
        m_wallOfFirst += std::chrono::duration_cast<std::chrono::system_clock::duration>(m_arrival.front() - first);
}

void CLineFrameSplitter::EndPendingRequest(Clock::time_point at)
{
    if (m_lastRequest.empty()) return;
    // A broadcast (address 0) is never answered.
    if (m_lastRequest[0] != 0) {
        CapturedFrame marker;
        marker.heard = true;
        marker.kind = FrameKind::Timeout;
        marker.time = at;
        marker.wallTime = m_wallOfFirst;
        marker.slave = m_lastRequest[0];
        marker.function = m_lastRequest[1];
        marker.result = kResultTimeout;
        marker.request = m_lastRequest;
        m_sink(marker);
    }
    m_lastRequest.clear();
}

CLineListener::CLineListener() = default;

CLineListener::~CLineListener() { Stop(); }

bool CLineListener::Start(const std::string& portName, const char* mode, IFrameMonitor& monitor)
{
    Stop();
    m_openError = PortOpenError{};
    m_openError.name = portName;
    m_openError.mode = mode ? mode : "";
    auto fail = [&](PortOpenReason reason, int error) {
        m_openError.reason = reason;
        m_openError.error = error;
        return false;
    };
    // A gateway answers only its own client, and the simulated drive has
    // no line: there is nothing to listen to.
    if (!HasLineSettings(portName)) return fail(PortOpenReason::NotSerial, 0);
    const std::string device = portName.empty() ? portName : ResolvePortName(portName);
    m_openError.device = device;
    if (device.empty()) return fail(PortOpenReason::NoDevice, ENOENT);
    LineSettings settings;
    if (!mode || !cnComm::ParseMode(mode, settings)) return fail(PortOpenReason::SettingsNotSupported, EINVAL);
    m_port.m_portName = device;
    m_port.m_readOnly = true;  // nothing is ever sent from here
    if (!m_port.Open()) {
        const PortOpenError failure = m_port.LastOpenError();
        return fail(failure.reason, failure.error);
    }
    errno = 0;
    if (!m_port.ConfigureQueues() || !m_port.ApplyMode(mode)) {
        const int error = errno != 0 ? errno : EINVAL;
        m_port.Close();
        return fail(PortOpenReason::SettingsNotSupported, error);
    }
    m_port.Purge(true, true);
    m_baud = settings.baud;
    m_monitor = &monitor;
    {
        std::lock_guard<std::mutex> g(m_errorLock);
        m_errors = {};
    }
    m_stop = false;
    m_thread = std::thread([this] {
        CLineFrameSplitter splitter([this](const CapturedFrame& frame) { m_monitor->OnFrame(frame); },
                                    CLineFrameSplitter::SilenceFor(m_baud), CLineFrameSplitter::PatienceFor(m_baud));
        ReadLoop(splitter);
        splitter.Finish();
    });
    return true;
}

void CLineListener::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_port.WakeWaiter();
        m_thread.join();
    }
    m_port.Close();
    m_monitor = nullptr;
}

LineErrorCounts CLineListener::LineErrors() const
{
    std::lock_guard<std::mutex> g(m_errorLock);
    return m_errors;
}

void CLineListener::ReadLoop(CLineFrameSplitter& splitter)
{
    const auto silence = CLineFrameSplitter::SilenceFor(m_baud);
    const int silenceMs = static_cast<int>((silence.count() + 999) / 1000);
    bool holding = false;  // bytes wait in the splitter for the silence after them
    uint8_t buffer[512];
    while (!m_stop.load()) {
        // Without bytes held the thread sleeps until the line speaks.
        const cnComm::Wait wait = m_port.WaitForInput(holding ? silenceMs : -1);
        if (wait == cnComm::Wait::Lost) return;
        if (wait == cnComm::Wait::Woken) continue;
        const auto now = CapturedFrame::Clock::now();
        if (wait == cnComm::Wait::TimedOut) {
            splitter.Idle(now);
            holding = splitter.Holding();
            continue;
        }
        CommStatus status;
        if (!m_port.QueryStatus(status)) {
            m_port.MarkLost();
            return;
        }
        if (status.AnyError()) {
            std::lock_guard<std::mutex> g(m_errorLock);
            status.AddTo(m_errors);
        }
        const long got = m_port.Read(buffer, sizeof buffer);
        if (got < 0) return;
        if (got == 0) {
            // Readable with nothing to read: a tty that hung up says so
            // this way on some drivers.
            if (status.waiting == 0) {
                m_port.MarkLost();
                return;
            }
            continue;
        }
        splitter.Feed(buffer, static_cast<size_t>(got), now);
        holding = true;
    }
}
