#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace zoric::sim {

// Cuts the byte stream arriving at the drive into request frames.
//
// A request is complete as soon as the length its function implies has
// arrived (0x03/0x06: 8, 0x10: 9 + byte count, 0x2B: 7), so back-to-back
// requests need no gap. A frame with a bad CRC, or bytes of a function whose
// length is unknown, are held until the line falls silent; then an unknown
// function that forms one CRC-valid frame is delivered (it earns exception 1)
// and everything else is thrown away. Any byte sequence is accepted.
class CSlaveFrameParser {
public:
    using Frame = std::vector<std::uint8_t>;

    // Longest frame the drive accepts: 0x10 with a byte count of 255.
    static constexpr std::size_t kMaxFrame = 9 + 255;

    void Feed(const std::uint8_t* data, std::size_t length);
    // The line has been quiet for at least 3.5 character times.
    void Silence();
    // Takes the oldest complete frame (CRC checked, CRC bytes included).
    bool Next(Frame& frame);

    bool HasPartialInput() const { return !m_buffer.empty(); }
    std::uint64_t CrcErrors() const { return m_crcErrors; }
    std::uint64_t DroppedBytes() const { return m_droppedBytes; }

private:
    void Extract();
    void Drop(std::size_t count);

    std::vector<std::uint8_t> m_buffer;
    std::deque<Frame> m_frames;
    bool m_waitForSilence = false;
    std::uint64_t m_crcErrors = 0;
    std::uint64_t m_droppedBytes = 0;
};

}  // namespace zoric::sim
