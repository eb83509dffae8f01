#pragma once
#include <cstdint>
#include <vector>

namespace zoric::sim {

class CDriveModel;

// The drive's Modbus application layer: turns one complete request frame
// into its answer (normal or exception), or into silence when the frame is
// for another slave, broadcast or damaged. Safe on any input bytes.
class CSlaveProtocol {
public:
    using Frame = std::vector<std::uint8_t>;

    CSlaveProtocol(CDriveModel& model, std::uint8_t address) : m_model(model), m_address(address) {}

    // True when `response` (CRC included) is to be sent.
    bool Handle(const Frame& request, Frame& response);

    std::uint8_t Address() const { return m_address; }
    // A drive that has taken on a new slave address.
    void SetAddress(std::uint8_t address) { m_address = address; }

    // The registers the last request wrote, broadcast or not; none when it
    // wrote nothing or was refused.
    struct Written {
        std::uint16_t start = 0;
        std::uint16_t count = 0;
        bool Touches(std::uint16_t address) const { return address >= start && address - start < count; }
    };
    Written LastWrite() const { return m_written; }

private:
    bool ReadHolding(const Frame& request, Frame& response);
    bool WriteSingle(const Frame& request, Frame& response);
    bool WriteMultiple(const Frame& request, Frame& response);
    bool Identification(const Frame& request, Frame& response);
    bool Exception(const Frame& request, std::uint8_t code, Frame& response);

    CDriveModel& m_model;
    std::uint8_t m_address;
    bool m_broadcast = false;
    Written m_written;
};

}  // namespace zoric::sim
