#include "ConfigItems.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "FieldGroups.h"
#include "Language.h"
#include "PdoObjects.h"
#include "SyncObjects.h"
#include "TextNumber.h"

namespace Backup {
namespace {

using FieldRules::Field;
using FieldRules::Kind;

constexpr std::string_view kMotorIdentityKeys[] = {"motor.phase_sequence", "motor.learning_state", "foc.phase_offset",
                                                   "foc.phase_advance"};
constexpr std::string_view kLinkKeys[] = {"comm.baud_rate", "comm.parity", "comm.slave_address", "can.node_id",
                                          "can.baud_rate"};
// The CANopen node-ID bits of a PDO's COB-ID: the drive's own, not the PDO's.
constexpr uint64_t kNodeIdBits = 0x7F;

template <size_t N>
bool Listed(const std::string_view (&keys)[N], std::string_view key)
{
    return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
}

ValueType TypeOf(const Field& field)
{
    if (field.kind == Kind::Flag) return ValueType::Bit;
    if (field.registers == 1) return field.kind == Kind::SignedNumber ? ValueType::S16 : ValueType::U16;
    if (field.registers == 2)
        return field.kind == Kind::Float || field.kind == Kind::Gain ? ValueType::Float : ValueType::U32;
    return ValueType::Words;
}

void AddRegisterItems(std::vector<Item>& items)
{
    for (const FieldRules::Group& group : FieldRules::kGroups) {
        for (const Field& field : group.fields) {
            // Written as 0 whatever the drive holds: no setting to keep.
            if (field.kind == Kind::ReservedZero) continue;
            Item item;
            item.key = field.key;
            item.group = group.key;
            item.unit = group.key;
            item.type = TypeOf(field);
            item.motorIdentity = Listed(kMotorIdentityKeys, field.key);
            item.link = Listed(kLinkKeys, field.key);
            item.field = &field;
            item.page = group.page;
            item.label = field.label;
            items.push_back(std::move(item));
        }
    }
}

// The PDO and SYNC windows, as their titles name them.
constexpr const char* kPdoPage = "编辑PDO";
constexpr const char* kSyncPage = "编辑SYNC";

Item ObjectItem(const std::string& unit, const char* name, ValueType type, uint16_t index, uint8_t subindex,
                const char* label)
{
    Item item;
    item.label = label;
    item.key = unit + "." + name;
    item.group = unit.substr(0, unit.find('.'));
    item.unit = unit;
    item.type = type;
    item.index = index;
    item.subindex = subindex;
    return item;
}

void AddPdoItems(std::vector<Item>& items)
{
    for (int n = 0; n < PdoObjects::kPdoCount; ++n) {
        const std::string unit = PdoObjects::IsTransmit(n)
                                     ? TextNumber::Format("pdo.tpdo%d", n - PdoObjects::kReceivePdos + 1)
                                     : TextNumber::Format("pdo.rpdo%d", n + 1);
        const uint16_t comm = PdoObjects::CommObject(n);
        const uint16_t mapping = PdoObjects::MappingObject(n);
        // "TPDO1 COB-ID": the PDO as the object list names it, the object as its window labels it.
        const auto add = [&items, &unit](Item item) {
            item.page = kPdoPage;
            item.labelPrefix = unit.substr(unit.find('.') + 1);
            for (char& c : item.labelPrefix) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            items.push_back(std::move(item));
        };
        Item cobId = ObjectItem(unit, "cob_id", ValueType::U32, comm, 1, "COB-ID");
        cobId.compareMask = ~kNodeIdBits & 0xFFFFFFFF;
        add(cobId);
        add(ObjectItem(unit, "transmission_type", ValueType::U8, comm, 2, "传输类型"));
        add(ObjectItem(unit, "inhibit_time", ValueType::U16, comm, 3, "禁止时间"));
        add(ObjectItem(unit, "event_time", ValueType::U16, comm, PdoObjects::kEventTimeSubindex, "事件时间"));
        add(ObjectItem(unit, "mapping_count", ValueType::U8, mapping, 0, "映射数量"));
        for (int j = 1; j <= PdoObjects::kMapEntries; ++j) {
            const std::string name = TextNumber::Format("mapping_%d", j);
            Item entry = ObjectItem(unit, name.c_str(), ValueType::U32, mapping, static_cast<uint8_t>(j), "映射对象%d");
            entry.labelNumber = j;
            add(std::move(entry));
        }
    }
}

void AddSyncItems(std::vector<Item>& items)
{
    items.push_back(ObjectItem("sync", "cob_id", ValueType::U32, SyncObjects::kCobIdObject, 0, "COB-ID"));
    items.push_back(
        ObjectItem("sync", "cycle_period", ValueType::U32, SyncObjects::kCyclePeriodObject, 0, "通讯间隔时间"));
    items.push_back(
        ObjectItem("sync", "window_length", ValueType::U32, SyncObjects::kWindowLengthObject, 0, "同步窗口长度"));
    for (size_t i = items.size() - 3; i < items.size(); ++i) items[i].page = kSyncPage;
}

std::vector<Item> BuildItems()
{
    std::vector<Item> items;
    AddRegisterItems(items);
    AddPdoItems(items);
    AddSyncItems(items);
    return items;
}

uint64_t MaxRaw(ValueType type, const Field* field)
{
    switch (type) {
    case ValueType::U8: return 0xFF;
    case ValueType::U16:
    case ValueType::S16: return 0xFFFF;
    case ValueType::U32:
    case ValueType::Float: return 0xFFFFFFFF;
    case ValueType::Bit: return 1;
    case ValueType::Words: return (uint64_t{1} << (16 * field->registers)) - 1;
    }
    return 0;
}

FieldRules::Units UnitsOf(const Values& values)
{
    FieldRules::Units units;
    if (auto it = values.find(FieldRules::Rule("motor.speed_range_x10").key); it != values.end())
        units.x10 = (it->second & 1) != 0;
    if (auto it = values.find(FieldRules::Rule("preset.speed_mode").key); it != values.end())
        units.speedMode = static_cast<uint16_t>(it->second);
    return units;
}

std::string WithUnit(std::string text, const char* unit)
{
    // A list item may carry a blank ("9600 "); the file's text does not.
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (unit && *unit) text += std::string(" ") + unit;
    return text;
}

std::string ShownObject(const Item& item, uint64_t raw)
{
    const auto value = static_cast<unsigned>(raw);
    const std::string_view name = std::string_view(item.key).substr(item.unit.size() + 1);
    if (name == "cob_id") return TextNumber::Format("0x%08X", value);
    if (name == "inhibit_time") return WithUnit(TextNumber::Format("%u", value), "x100 us");
    if (name == "event_time") return WithUnit(TextNumber::Format("%u", value), "ms");
    if (name == "cycle_period" || name == "window_length") return WithUnit(TextNumber::Format("%u", value), "us");
    if (name.starts_with("mapping_") && name != "mapping_count")
        return value == 0 ? std::string("none")
                          : TextNumber::Format("0x%04X:%u, %u bits", value >> 16, (value >> 8) & 0xFF, value & 0xFF);
    return TextNumber::Format("%u", value);
}

}  // namespace

const std::vector<Item>& Items()
{
    static const std::vector<Item> items = BuildItems();
    return items;
}

const Item* FindItem(std::string_view key)
{
    for (const Item& item : Items()) {
        if (item.key == key) return &item;
    }
    return nullptr;
}

const std::vector<std::string>& GroupKeys()
{
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> out;
        for (const Item& item : Items()) {
            if (out.empty() || out.back() != item.group) out.push_back(item.group);
        }
        return out;
    }();
    return keys;
}

bool IsGroup(std::string_view key)
{
    const auto& keys = GroupKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool Fits(const Item& item, uint64_t raw)
{
    if (raw > MaxRaw(item.type, item.field)) return false;
    if (!item.field) return true;
    const Field& field = *item.field;
    switch (field.kind) {
    case Kind::Choice: return FieldRules::ChoiceIndex(field, raw) >= 0;
    case Kind::BaudChoice: {
        // The page falls back on its first rate for one it does not list; a
        // file must name a listed one.
        const int index = FieldRules::ChoiceIndex(field, raw);
        return index >= 0 &&
               static_cast<uint64_t>(TextNumber::ParseInt(field.items[static_cast<size_t>(index)])) == raw;
    }
    default: return true;
    }
}

std::string PageOf(const Item& item) { return Localized(item.page); }

std::string LabelOf(const Item& item)
{
    std::string label = item.labelNumber ? TextNumber::Format(Localized(item.label), item.labelNumber)
                                         : std::string(Localized(item.label));
    return item.labelPrefix.empty() ? label : item.labelPrefix + " " + label;
}

std::string TitleOf(const Item& item) { return PageOf(item) + " / " + LabelOf(item); }

std::string Shown(const Item& item, uint64_t raw, const Values& values)
{
    if (!item.field) return ShownObject(item, raw);
    const Field& field = *item.field;
    // A flag's field text reads the whole register.
    const uint64_t fieldRaw = item.type == ValueType::Bit ? (raw ? field.mask : 0) : raw;
    const FieldRules::Units units = UnitsOf(values);
    // A list item in the user's language, as the page lists it.
    return WithUnit(Localized(FieldRules::Show(field, fieldRaw, units)), FieldRules::Unit(field, units));
}

TypedValue ValueOf(const Item& item, uint64_t raw, const Values& values)
{
    if (!item.field || item.type == ValueType::Bit) return static_cast<int64_t>(raw);
    const Field& field = *item.field;
    const FieldRules::Units units = UnitsOf(values);
    switch (field.kind) {
    case Kind::Number:
    case Kind::SignedNumber: {
        const int64_t held =
            field.kind == Kind::SignedNumber ? static_cast<int16_t>(raw & 0xFFFF) : static_cast<int64_t>(raw);
        const int decimals = FieldRules::Decimals(field, units);
        if (decimals <= 0) return held;
        // Both exact, so the quotient is the double nearest the page's decimal.
        double scale = 1;
        for (int i = 0; i < decimals; ++i) scale *= 10;
        return static_cast<double>(held) / scale;
    }
    case Kind::Float:
    case Kind::Gain: {
        const float value = FieldRules::RawFloat(raw);
        if (!std::isfinite(value)) return std::monostate{};
        // The float's shortest decimal, as the file writes it: 1.2, not 1.2000000476837158.
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        double shortest = 0;
        std::from_chars(text, end, shortest);
        return shortest;
    }
    case Kind::PhaseBytes: return FieldRules::Show(field, raw, units);
    case Kind::HexAddress:
    case Kind::HexNodeId:
    case Kind::ReservedZero:
    case Kind::ReservedKept: return static_cast<int64_t>(raw & 0xFFFF);
    case Kind::Choice:
    case Kind::ChoiceBit0:
    case Kind::BaudChoice: {
        const int index = FieldRules::ChoiceIndex(field, raw);
        if (index < 0) return std::monostate{};
        return static_cast<int64_t>(index);
    }
    default: return static_cast<int64_t>(FieldRules::Ticked(field, raw) ? 1 : 0);
    }
}

std::string UnitOf(const Item& item, const Values& values)
{
    if (!item.field) return {};
    const char* unit = FieldRules::Unit(*item.field, UnitsOf(values));
    return unit ? unit : "";
}

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A whole unsigned decimal or 0x-hexadecimal number.
std::optional<uint64_t> WholeNumber(std::string_view text)
{
    text = Trimmed(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 16) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return value;
}

// A decimal number with at most one point and nothing else around it.
bool IsDecimal(std::string_view text)
{
    text = Trimmed(text);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    bool digit = false, point = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') digit = true;
        else if (c == '.' && !point) point = true;
        else return false;
    }
    return digit;
}

std::optional<uint64_t> ParseNumberField(const Field& field, std::string_view text, const FieldRules::Units& units,
                                         std::string& why)
{
    if (!IsDecimal(text)) {
        why = "not a number";
        return std::nullopt;
    }
    const int decimals = FieldRules::Decimals(field, units);
    const int64_t typed = TextNumber::ParseScaled(Trimmed(text), decimals);
    const std::optional<uint64_t> raw = FieldRules::Parse(field, Trimmed(text), units);
    // What the registers hold, read as the page reads them back.
    const int bits = 16 * field.registers;
    int64_t held = raw ? static_cast<int64_t>(*raw) : -1;
    if (raw && field.kind == Kind::SignedNumber && bits == 16) held = static_cast<int16_t>(*raw);
    if (!raw || held != typed) {
        why = "out of range for " + std::to_string(bits) + " bits at " + std::to_string(decimals) + " decimals";
        return std::nullopt;
    }
    return raw;
}

}  // namespace

std::optional<uint64_t> ParseValue(const Item& item, std::string_view text, const Values& values, std::string& why)
{
    std::optional<uint64_t> raw;
    if (!item.field) {
        raw = WholeNumber(text);
        if (!raw) why = "not a decimal or 0x number";
    } else if (item.type == ValueType::Bit) {
        raw = WholeNumber(text);
        if (!raw || *raw > 1) {
            why = "a flag takes 0 or 1";
            return std::nullopt;
        }
    } else {
        const Field& field = *item.field;
        const FieldRules::Units units = UnitsOf(values);
        switch (field.kind) {
        case Kind::Choice:
        case Kind::ChoiceBit0:
        case Kind::BaudChoice: {
            const std::optional<uint64_t> index = WholeNumber(text);
            if (!index || *index >= field.items.size()) {
                why = "a list item by its number, 0 to " + std::to_string(field.items.size() - 1);
                return std::nullopt;
            }
            raw = FieldRules::Parse(field, field.items[*index], units);
            break;
        }
        case Kind::Number:
        case Kind::SignedNumber: raw = ParseNumberField(field, text, units, why); break;
        case Kind::Float:
        case Kind::Gain:
            if (!IsDecimal(text) && Trimmed(text).find_first_of("eE") == std::string_view::npos) {
                why = "not a number";
                return std::nullopt;
            }
            raw = FieldRules::Parse(field, Trimmed(text), units);
            break;
        case Kind::HexAddress:
        case Kind::HexNodeId:
            raw = WholeNumber(text);
            if (!raw || *raw > 0xFFFF) why = "not a number of 0 to 0xFFFF";
            break;
        case Kind::PhaseBytes: raw = FieldRules::Parse(field, text, units); break;
        case Kind::ReservedZero:
        case Kind::ReservedKept:
            raw = WholeNumber(text);
            if (!raw || *raw > 0xFFFF) why = "not a number of 0 to 65535";
            break;
        default:  // a check
            raw = WholeNumber(text);
            if (!raw || *raw > 1) {
                why = "a check takes 0 or 1";
                return std::nullopt;
            }
            raw = FieldRules::CheckRegister(field, *raw == 1);
            break;
        }
    }
    if (!raw) {
        if (why.empty()) why = "not a value of this setting";
        return std::nullopt;
    }
    if (!Fits(item, *raw)) {
        why = "out of range";
        return std::nullopt;
    }
    return raw;
}

}  // namespace Backup
