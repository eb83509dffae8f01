#include "SlaveFrameParser.h"

#include "SlaveCrc.h"

namespace zoric::sim {

namespace {

// 0 = not known yet (need more bytes), SIZE_MAX = function of unknown length.
std::size_t RequiredLength(const std::vector<std::uint8_t>& buf)
{
    if (buf.size() < 2) return 0;
    switch (buf[1]) {
    case 0x03:
    case 0x06: return 8;
    case 0x2B: return 7;
    case 0x10: return buf.size() < 7 ? 0 : 9 + static_cast<std::size_t>(buf[6]);
    default: return SIZE_MAX;
    }
}

}  // namespace

void CSlaveFrameParser::Feed(const std::uint8_t* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        // A stream that never falls silent must not grow without bound:
        // once the buffer is full nothing sensible can still be in it.
        if (m_buffer.size() >= kMaxFrame) {
            Drop(m_buffer.size());
            m_waitForSilence = true;
        }
        m_buffer.push_back(data[i]);
        if (!m_waitForSilence) Extract();
    }
}

void CSlaveFrameParser::Extract()
{
    const std::size_t need = RequiredLength(m_buffer);
    if (need == 0 || need == SIZE_MAX || m_buffer.size() < need) return;
    if (HasValidCrc(m_buffer.data(), need)) {
        m_frames.emplace_back(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(need));
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(need));
        return;
    }
    ++m_crcErrors;
    m_waitForSilence = true;
}

void CSlaveFrameParser::Silence()
{
    if (m_buffer.empty()) {
        m_waitForSilence = false;
        return;
    }
    if (!m_waitForSilence && RequiredLength(m_buffer) == SIZE_MAX) {
        if (HasValidCrc(m_buffer.data(), m_buffer.size())) {
            m_frames.emplace_back(std::move(m_buffer));
            m_buffer.clear();
            return;
        }
        ++m_crcErrors;
    }
    Drop(m_buffer.size());
    m_waitForSilence = false;
}

bool CSlaveFrameParser::Next(Frame& frame)
{
    if (m_frames.empty()) return false;
    frame = std::move(m_frames.front());
    m_frames.pop_front();
    return true;
}

void CSlaveFrameParser::Drop(std::size_t count)
{
    m_droppedBytes += count;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace zoric::sim
