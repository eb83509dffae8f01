#include "FrameLog.h"

#include "HostSystem.h"

#include <chrono>
#include <cstdio>
#include <ctime>

void CFrameLog::OnFrame(const CapturedFrame& frame)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_paused) return;
    m_counters.Count(frame);
    m_frames.push_back(frame);
    if (m_frames.size() > m_capacity) {
        m_frames.pop_front();
        ++m_first;
        ++m_dropped;
    }
}

void CFrameLog::SetPaused(bool paused)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_paused = paused;
}

bool CFrameLog::Paused() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_paused;
}

void CFrameLog::Clear()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_first += m_frames.size();
    m_frames.clear();
    m_dropped = 0;
    m_counters = {};
}

std::vector<CapturedFrame> CFrameLog::Since(uint64_t sequence, uint64_t& next) const
{
    std::lock_guard<std::mutex> g(m_lock);
    const uint64_t from = sequence < m_first ? m_first : sequence;
    next = m_first + m_frames.size();
    if (from >= next) return {};
    return {m_frames.begin() + static_cast<std::ptrdiff_t>(from - m_first), m_frames.end()};
}

std::vector<CapturedFrame> CFrameLog::All() const
{
    uint64_t next = 0;
    return Since(0, next);
}

uint64_t CFrameLog::Dropped() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_dropped;
}

FrameDecoder::CCounters CFrameLog::Counters() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_counters;
}

namespace FrameLogText {

bool IsFailure(const CapturedFrame& frame)
{
    if (frame.kind == FrameKind::Request) return false;
    if (frame.kind != FrameKind::Answer) return true;
    return frame.result != kResultOk;
}

bool Filter::Matches(const CapturedFrame& frame) const
{
    if (slave >= 0 && frame.slave != slave) return false;
    if (function >= 0 && frame.function != function) return false;
    return !failedOnly || IsFailure(frame);
}

namespace {

std::string Quoted(const std::string& text)
{
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string TimeOfDay(std::chrono::system_clock::time_point wall)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count() % 1000;
    const std::tm local = HostSystem::LocalTime(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return text;
}

}  // namespace

void WriteCsv(const std::vector<CapturedFrame>& frames, std::ostream& out)
{
    out << "time,relative_ms,direction,slave,function,kind,summary,result,round_trip_ms,hex\n";
    if (frames.empty()) return;
    const auto origin = frames.front().time;
    for (const CapturedFrame& f : frames) {
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, "%.3f,%s,%u,0x%02X,",
                      std::chrono::duration<double, std::milli>(f.time - origin).count(), FrameDecoder::Direction(f),
                      f.slave, f.function);
        out << TimeOfDay(f.wallTime) << ',' << numbers << Quoted(FrameDecoder::KindName(f.kind)) << ','
            << Quoted(FrameDecoder::Describe(f)) << ',';
        if (f.kind != FrameKind::Request) out << Quoted(FrameDecoder::ResultText(f.result));
        out << ',';
        if (f.kind == FrameKind::Answer) out << static_cast<double>(f.roundTrip.count()) / 1000.0;
        out << ',' << FrameDecoder::Hex(f.bytes) << '\n';
    }
}

void WriteText(const std::vector<CapturedFrame>& frames, std::ostream& out)
{
    for (const CapturedFrame& f : frames) out << FrameDecoder::TraceLine(f) << '\n';
}

}  // namespace FrameLogText
