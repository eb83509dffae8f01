#include "SlaveCrc.h"

namespace zoric::sim {

std::uint16_t SlaveCrc16(const std::uint8_t* data, std::size_t length)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

bool HasValidCrc(const std::uint8_t* frame, std::size_t length)
{
    if (length < 4) return false;
    const std::uint16_t crc = SlaveCrc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

}  // namespace zoric::sim
