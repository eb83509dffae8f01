#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace zoric::sim {

// One expedited SDO as it travels through the tunnel registers.
struct SdoExchange {
    std::uint8_t command = 0;
    std::uint16_t index = 0;
    std::uint8_t subIndex = 0;
    std::uint32_t data = 0;
};

// The drive's CANopen object dictionary: communication profile objects
// (device type, SYNC, store, heartbeat, identity, the four RPDOs and four
// TPDOs with their mappings) and a few mappable manufacturer objects.
// Not thread-safe; the simulator serialises access.
class CObjectDictionary {
public:
    enum Abort : std::uint32_t {
        kUnknownCommand = 0x05040001,
        kWriteOnly = 0x06010001,
        kReadOnly = 0x06010002,
        kNoObject = 0x06020000,
        kNotMappable = 0x06040041,
        kMappingTooLong = 0x06040042,
        kIncompatible = 0x06040043,
        kHardwareError = 0x06060000,
        kSizeMismatch = 0x06070010,
        kNoSubIndex = 0x06090011,
        kValueRange = 0x06090030,
        kValueTooHigh = 0x06090031,
        kCannotStore = 0x08000020,
    };

    static constexpr std::uint32_t kSaveSignature = 0x65766173;  // "save"

    // `rpdoCommEntries`: 2 or 5 entries in the RPDO communication objects.
    explicit CObjectDictionary(std::uint8_t nodeId = 1, int rpdoCommEntries = 2);

    // Carries out one expedited SDO request and returns the drive's answer.
    SdoExchange Execute(const SdoExchange& request);

    // Direct access for tests and for the simulator; bypasses access rights.
    std::optional<std::uint32_t> Get(std::uint16_t index, std::uint8_t subIndex) const;
    bool Set(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value);

    // Writable entries, for the state file.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> WritableEntries() const;  // (index << 8 | sub, value)

    // Called for "store parameters"; returns false when the store failed.
    void SetStoreHandler(std::function<bool()> handler) { m_store = std::move(handler); }

private:
    enum class Access { ReadOnly, ReadWrite };
    struct Entry {
        std::uint8_t size;  // bytes: 1, 2 or 4
        Access access;
        bool mappable;
        std::uint32_t value;
    };

    void Add(std::uint16_t index, std::uint8_t sub, std::uint8_t size, Access access, bool mappable,
             std::uint32_t value);
    const Entry* Find(std::uint16_t index, std::uint8_t sub) const;
    std::uint32_t Upload(const SdoExchange& request, SdoExchange& response) const;
    std::uint32_t Download(const SdoExchange& request, unsigned size);
    std::uint32_t CheckMappingWrite(std::uint16_t index, std::uint8_t sub, std::uint32_t value) const;
    std::uint32_t CheckMappingEntry(std::uint16_t mappingIndex, std::uint32_t entry) const;

    std::map<std::uint32_t, Entry> m_entries;  // key: index << 8 | sub
    std::function<bool()> m_store;
};

}  // namespace zoric::sim
