#include "OfflineDrive.h"

#include <atomic>

#include "ConfigItems.h"
#include "SimulatedLine.h"
#include "SimulatedPort.h"
#include "TextCodec.h"
#include "TextNumber.h"

namespace OfflineDrive {
namespace {

// Firmware versions differ in their RPDOs' communication objects: 5 entries
// (with the inhibit and event times) or 2.
bool HasFiveRpdoEntries(const Backup::Configuration& file)
{
    for (const auto& [key, value] : file.values)
        if (key.rfind("pdo.rpdo", 0) == 0 && (key.ends_with(".inhibit_time") || key.ends_with(".event_time")))
            return true;
    return false;
}

void HoldIdentity(zoric::sim::CSimulatedLine& line, const Backup::DriveIdentity& identity)
{
    uint32_t identifier = 0;
    if (TextNumber::ParseHex(identity.identifier, identifier)) line.SetRegister(0, static_cast<uint16_t>(identifier));
    const size_t point = identity.version.find('.');
    if (point != std::string::npos) {
        const int major = TextNumber::ParseInt(identity.version.substr(0, point));
        const int minor = TextNumber::ParseInt(identity.version.substr(point + 1));
        line.SetRegister(1, static_cast<uint16_t>((major & 0xFF) << 8 | (minor & 0xFF)));
    }
    // The model text as the drive keeps it: GBK, 16 bytes at most, NUL-padded.
    std::string model = Utf8ToGbk(identity.model);
    model.resize(16, '\0');
    for (uint16_t i = 0; i < 8; ++i)
        line.SetRegister(static_cast<uint16_t>(2 + i), static_cast<uint16_t>(static_cast<uint8_t>(model[2 * i]) << 8 |
                                                                             static_cast<uint8_t>(model[2 * i + 1])));
}

bool HoldValue(zoric::sim::CSimulatedLine& line, const Backup::Item& item, uint64_t raw)
{
    if (!item.field) return line.SetObject(item.index, item.subindex, static_cast<uint32_t>(raw));
    const FieldRules::Field& field = *item.field;
    if (item.type == Backup::ValueType::Bit) {
        const uint16_t now = line.GetRegister(field.reg);
        line.SetRegister(field.reg, static_cast<uint16_t>(raw ? now | field.mask : now & ~field.mask));
        return true;
    }
    uint16_t words[4] = {};
    const std::span<uint16_t> registers(words, field.registers);
    FieldRules::Split(raw, registers);
    for (uint16_t i = 0; i < field.registers; ++i) line.SetRegister(static_cast<uint16_t>(field.reg + i), words[i]);
    return true;
}

}  // namespace

bool Hold(zoric::sim::CSimulatedLine& line, const Backup::Configuration& file, std::string& why)
{
    HoldIdentity(line, file.drive);
    for (const auto& [key, raw] : file.values) {
        const Backup::Item* item = Backup::FindItem(key);
        if (!item || !HoldValue(line, *item, raw)) {
            why = key;
            return false;
        }
    }
    return true;
}

std::string Open(const Backup::Configuration& file, std::string& why)
{
    static std::atomic<int> opened{0};
    std::string name = "sim://?name=offline-" + std::to_string(++opened);
    if (HasFiveRpdoEntries(file)) name += "&rpdo-entries=5";
    const auto line = SimulatedPort::Line(name);
    if (!line) {
        why = "no simulated drive";
        return {};
    }
    if (!Hold(*line, file, why)) {
        SimulatedPort::Forget(name);
        return {};
    }
    return name;
}

Backup::Configuration Edited(const Backup::Configuration& file, const Backup::Values& held)
{
    Backup::Configuration edited = file;
    for (auto& [key, value] : edited.values)
        if (const auto found = held.find(key); found != held.end()) value = found->second;
    return edited;
}

}  // namespace OfflineDrive
