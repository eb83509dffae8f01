#include "SlaveProtocol.h"

#include <string_view>

#include "DriveModel.h"
#include "SlaveCrc.h"

namespace zoric::sim {

namespace {

struct IdObject {
    std::uint8_t id;
    std::string_view value;  // bytes in the drive's character set (GBK)
};

// The drive reports every object for read codes 1 to 3, five per answer,
// so that a reader always meets a continuation.
constexpr IdObject kIdObjects[] = {
    {0x00, "ZORIC"},
    {0x01, "ZD-2408"},
    {0x02, "V2.03"},
    {0x03, "zoric.example"},
    {0x04, "\xCE\xDE\xCB\xA2\xD6\xB1\xC1\xF7\xB5\xE7\xBB\xFA\xC7\xFD\xB6\xAF\xC6\xF7"},  // brushless DC motor drive
    {0x05, "ZORIC-FOC\xC7\xFD\xB6\xAF\xC6\xF7"},
    {0x06, "FOC\xCA\xB8\xC1\xBF\xBF\xD8\xD6\xC6"},  // FOC vector control
    {0x80, "HW 1.2"},
    {0x81, "2026-11-20"},
    {0x82, "SN 24080001"},
};
constexpr std::size_t kObjectsPerAnswer = 5;
constexpr std::uint8_t kConformity = 0x83;  // extended, individual access

std::uint16_t Word(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]);
}

void PushWord(std::vector<std::uint8_t>& f, std::uint16_t v)
{
    f.push_back(static_cast<std::uint8_t>(v >> 8));
    f.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

}  // namespace

bool CSlaveProtocol::Handle(const Frame& request, Frame& response)
{
    response.clear();
    m_written = {};
    if (request.size() < 4 || !HasValidCrc(request.data(), request.size())) return false;
    m_broadcast = request[0] == 0;
    if (!m_broadcast && request[0] != m_address) return false;
    bool answer = false;
    switch (request[1]) {
    case 0x03: answer = ReadHolding(request, response); break;
    case 0x06: answer = WriteSingle(request, response); break;
    case 0x10: answer = WriteMultiple(request, response); break;
    case 0x2B: answer = Identification(request, response); break;
    default: answer = Exception(request, 0x01, response); break;
    }
    if (!answer || m_broadcast) {
        response.clear();
        return false;
    }
    AppendCrc(response);
    return true;
}

bool CSlaveProtocol::Exception(const Frame& request, std::uint8_t code, Frame& response)
{
    response = {m_address, static_cast<std::uint8_t>(request[1] | 0x80), code};
    return true;
}

bool CSlaveProtocol::ReadHolding(const Frame& request, Frame& response)
{
    if (request.size() != 8) return Exception(request, 0x03, response);
    const std::uint16_t start = Word(request, 2);
    const std::uint16_t count = Word(request, 4);
    if (count < 1 || count > 125) return Exception(request, 0x03, response);
    std::vector<std::uint16_t> values;
    if (const std::uint8_t code = m_model.ReadRegisters(start, count, values))
        return Exception(request, code, response);
    response = {m_address, 0x03, static_cast<std::uint8_t>(2 * count)};
    for (std::uint16_t v : values) PushWord(response, v);
    return true;
}

bool CSlaveProtocol::WriteSingle(const Frame& request, Frame& response)
{
    if (request.size() != 8) return Exception(request, 0x03, response);
    const std::uint16_t value = Word(request, 4);
    if (const std::uint8_t code = m_model.WriteRegisters(Word(request, 2), &value, 1))
        return Exception(request, code, response);
    m_written = {Word(request, 2), 1};
    response.assign(request.begin(), request.begin() + 6);
    response[0] = m_address;
    return true;
}

bool CSlaveProtocol::WriteMultiple(const Frame& request, Frame& response)
{
    if (request.size() < 9 || request.size() != 9u + request[6]) return Exception(request, 0x03, response);
    const std::uint16_t start = Word(request, 2);
    const std::uint16_t count = Word(request, 4);
    if (count < 1 || count > 123 || request[6] != 2 * count) return Exception(request, 0x03, response);
    std::vector<std::uint16_t> values(count);
    for (std::uint16_t i = 0; i < count; ++i) values[i] = Word(request, 7 + 2u * i);
    if (const std::uint8_t code = m_model.WriteRegisters(start, values.data(), count))
        return Exception(request, code, response);
    m_written = {start, count};
    response.assign(request.begin(), request.begin() + 6);
    response[0] = m_address;
    return true;
}

bool CSlaveProtocol::Identification(const Frame& request, Frame& response)
{
    if (request.size() != 7 || request[2] != 0x0E) return Exception(request, 0x01, response);
    const std::uint8_t code = request[3];
    const std::uint8_t objectId = request[4];
    if (code < 1 || code > 4) return Exception(request, 0x03, response);

    constexpr std::size_t total = std::size(kIdObjects);
    std::size_t first = total;
    for (std::size_t i = 0; i < total; ++i)
        if (kIdObjects[i].id == objectId) first = i;
    if (first == total) {
        if (code == 4) return Exception(request, 0x02, response);
        first = 0;  // an unknown start object reads from the beginning
    }
    const std::size_t last = code == 4 ? first + 1 : std::min(total, first + kObjectsPerAnswer);
    const bool more = last < total && code != 4;
    response = {m_address,
                0x2B,
                0x0E,
                code,
                kConformity,
                static_cast<std::uint8_t>(more ? 0xFF : 0x00),
                static_cast<std::uint8_t>(more ? kIdObjects[last].id : 0),
                static_cast<std::uint8_t>(last - first)};
    for (std::size_t i = first; i < last; ++i) {
        response.push_back(kIdObjects[i].id);
        response.push_back(static_cast<std::uint8_t>(kIdObjects[i].value.size()));
        response.insert(response.end(), kIdObjects[i].value.begin(), kIdObjects[i].value.end());
    }
    return true;
}

}  // namespace zoric::sim
