#include "ObjectDictionary.h"

namespace zoric::sim {

namespace {

constexpr std::uint32_t Key(std::uint16_t index, std::uint8_t sub)
{
    return static_cast<std::uint32_t>(index) << 8 | sub;
}

bool IsRpdoMapping(std::uint16_t index) { return index >= 0x1600 && index <= 0x1603; }
bool IsTpdoMapping(std::uint16_t index) { return index >= 0x1A00 && index <= 0x1A03; }
bool IsMapping(std::uint16_t index) { return IsRpdoMapping(index) || IsTpdoMapping(index); }
bool IsPdoComm(std::uint16_t index)
{
    return (index >= 0x1400 && index <= 0x1403) || (index >= 0x1800 && index <= 0x1803);
}

std::uint32_t Mask(unsigned size) { return size >= 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1; }

}  // namespace

CObjectDictionary::CObjectDictionary(std::uint8_t nodeId, int rpdoCommEntries)
{
    const auto RO = Access::ReadOnly;
    const auto RW = Access::ReadWrite;
    Add(0x1000, 0, 4, RO, false, 0x00000000);  // device type: no standard profile
    Add(0x1001, 0, 1, RO, true, 0);            // error register
    Add(0x1005, 0, 4, RW, false, 0x00000080);  // SYNC COB-ID, consumer
    Add(0x1006, 0, 4, RW, false, 0);           // communication cycle period, us
    Add(0x1007, 0, 4, RW, false, 0);           // synchronous window length, us
    Add(0x1010, 0, 1, RO, false, 1);
    Add(0x1010, 1, 4, RW, false, 1);     // reads 1: stores on command
    Add(0x1017, 0, 2, RW, false, 1000);  // producer heartbeat, ms
    Add(0x1018, 0, 1, RO, false, 4);
    Add(0x1018, 1, 4, RO, false, 0x005A4F52);  // vendor id
    Add(0x1018, 2, 4, RO, false, 0x00002408);  // product code
    Add(0x1018, 3, 4, RO, false, 0x00020003);  // revision 2.03
    Add(0x1018, 4, 4, RO, false, 0x24080001);  // serial number

    for (std::uint16_t n = 0; n < 4; ++n) {
        // Receive PDOs: COB-ID and transmission type, on some firmware also
        // the inhibit time and the event timer (sub-index 4 reserved).
        const std::uint16_t rpdo = static_cast<std::uint16_t>(0x1400 + n);
        const bool withTimes = rpdoCommEntries == 5;
        Add(rpdo, 0, 1, RO, false, withTimes ? 5 : 2);
        Add(rpdo, 1, 4, RW, false, (n == 0 ? 0u : 0x80000000u) | (0x200u + 0x100u * n + nodeId));
        Add(rpdo, 2, 1, RW, false, 0xFF);
        if (withTimes) {
            Add(rpdo, 3, 2, RW, false, 0);
            Add(rpdo, 5, 2, RW, false, 0);
        }
        // Transmit PDOs: sub-index 4 is reserved in CiA 301 and absent here.
        const std::uint16_t tpdo = static_cast<std::uint16_t>(0x1800 + n);
        Add(tpdo, 0, 1, RO, false, 5);
        Add(tpdo, 1, 4, RW, false, (n == 0 ? 0x40000000u : 0xC0000000u) | (0x180u + 0x100u * n + nodeId));
        Add(tpdo, 2, 1, RW, false, 0xFE);
        Add(tpdo, 3, 2, RW, false, 0);
        Add(tpdo, 5, 2, RW, false, n == 0 ? 100 : 0);
        for (std::uint16_t base : {std::uint16_t(0x1600), std::uint16_t(0x1A00)}) {
            const std::uint16_t map = static_cast<std::uint16_t>(base + n);
            Add(map, 0, 1, RW, false, 0);
            for (std::uint8_t s = 1; s <= 8; ++s) Add(map, s, 4, RW, false, 0);
        }
    }
    // RPDO1 carries the two command values, TPDO1 the status pair.
    Set(0x1600, 1, 0x20000110);
    Set(0x1600, 2, 0x20000210);
    Set(0x1600, 0, 2);
    Set(0x1A00, 1, 0x20010120);
    Set(0x1A00, 2, 0x20020008);
    Set(0x1A00, 0, 2);

    // Manufacturer objects: command words, status values, a setting that
    // may not be mapped.
    Add(0x2000, 0, 1, RO, false, 2);
    Add(0x2000, 1, 2, RW, true, 0);  // frequency command
    Add(0x2000, 2, 2, RW, true, 0);  // PWM command
    Add(0x2001, 0, 1, RO, false, 2);
    Add(0x2001, 1, 4, RO, true, 0);            // position
    Add(0x2001, 2, 4, RW, true, 0);            // target position
    Add(0x2002, 0, 1, RO, true, 0);            // error state
    Add(0x2003, 0, 4, RW, false, 0x00010000);  // configuration word
}

void CObjectDictionary::Add(std::uint16_t index, std::uint8_t sub, std::uint8_t size, Access access, bool mappable,
                            std::uint32_t value)
{
    m_entries[Key(index, sub)] = Entry{size, access, mappable, value & Mask(size)};
}

const CObjectDictionary::Entry* CObjectDictionary::Find(std::uint16_t index, std::uint8_t sub) const
{
    const auto it = m_entries.find(Key(index, sub));
    return it == m_entries.end() ? nullptr : &it->second;
}

std::optional<std::uint32_t> CObjectDictionary::Get(std::uint16_t index, std::uint8_t subIndex) const
{
    const Entry* e = Find(index, subIndex);
    if (!e) return std::nullopt;
    return e->value;
}

bool CObjectDictionary::Set(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value)
{
    const auto it = m_entries.find(Key(index, subIndex));
    if (it == m_entries.end()) return false;
    it->second.value = value & Mask(it->second.size);
    return true;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> CObjectDictionary::WritableEntries() const
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    for (const auto& [key, e] : m_entries)
        if (e.access == Access::ReadWrite && key != Key(0x1010, 1)) out.emplace_back(key, e.value);
    return out;
}

SdoExchange CObjectDictionary::Execute(const SdoExchange& request)
{
    SdoExchange response;
    response.index = request.index;
    response.subIndex = request.subIndex;
    std::uint32_t abort = 0;
    const unsigned ccs = request.command >> 5;
    if (ccs == 2 && (request.command & 0x1F) == 0) {
        abort = Upload(request, response);
    } else if (ccs == 1 && (request.command & 0x02)) {
        // Expedited download; without the size bit the entry's own size applies.
        const unsigned size = (request.command & 0x01) ? 4 - ((request.command >> 2) & 0x03) : 0;
        abort = Download(request, size);
        if (!abort) response.command = 0x60;
    } else {
        abort = kUnknownCommand;
    }
    if (abort) {
        response.command = 0x80;
        response.data = abort;
    }
    return response;
}

std::uint32_t CObjectDictionary::Upload(const SdoExchange& request, SdoExchange& response) const
{
    const Entry* e = Find(request.index, request.subIndex);
    if (!e) return Find(request.index, 0) ? kNoSubIndex : kNoObject;
    static constexpr std::uint8_t kUploadCommand[5] = {0, 0x4F, 0x4B, 0x47, 0x43};
    response.command = kUploadCommand[e->size];
    response.data = e->value;
    return 0;
}

std::uint32_t CObjectDictionary::Download(const SdoExchange& request, unsigned size)
{
    const auto it = m_entries.find(Key(request.index, request.subIndex));
    if (it == m_entries.end()) return Find(request.index, 0) ? kNoSubIndex : kNoObject;
    Entry& e = it->second;
    if (e.access == Access::ReadOnly) return kReadOnly;
    if (size != 0 && size != e.size) return kSizeMismatch;
    const std::uint32_t value = request.data & Mask(e.size);

    if (request.index == 0x1010) {
        if (value != kSaveSignature) return kCannotStore;
        if (m_store && !m_store()) return kHardwareError;
        return 0;
    }
    if (IsMapping(request.index)) {
        if (const std::uint32_t abort = CheckMappingWrite(request.index, request.subIndex, value)) return abort;
    }
    if (IsPdoComm(request.index) && request.subIndex == 2 && value >= 241 && value <= 251)
        return kValueRange;  // reserved transmission types
    e.value = value;
    return 0;
}

std::uint32_t CObjectDictionary::CheckMappingWrite(std::uint16_t index, std::uint8_t sub, std::uint32_t value) const
{
    if (sub != 0) {
        // CiA 301: entries may only change while the mapping is switched off.
        if (Find(index, 0)->value != 0) return kIncompatible;
        return value == 0 ? 0 : CheckMappingEntry(index, value);
    }
    if (value > 8) return kValueTooHigh;
    unsigned bits = 0;
    for (std::uint8_t s = 1; s <= value; ++s) {
        const std::uint32_t entry = Find(index, s)->value;
        if (entry == 0) return kNotMappable;
        bits += entry & 0xFF;
    }
    return bits > 64 ? std::uint32_t{kMappingTooLong} : 0u;
}

std::uint32_t CObjectDictionary::CheckMappingEntry(std::uint16_t mappingIndex, std::uint32_t entry) const
{
    const auto index = static_cast<std::uint16_t>(entry >> 16);
    const auto sub = static_cast<std::uint8_t>(entry >> 8);
    const unsigned bits = entry & 0xFF;
    const Entry* target = Find(index, sub);
    if (!target) return Find(index, 0) ? kNoSubIndex : kNoObject;
    if (!target->mappable || bits != 8u * target->size) return kNotMappable;
    // What arrives by an RPDO must be writable.
    if (IsRpdoMapping(mappingIndex) && target->access == Access::ReadOnly) return kNotMappable;
    return 0;
}

}  // namespace zoric::sim
