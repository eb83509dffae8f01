#include "FieldRules.h"

#include <bit>

#include "FloatText.h"
#include "TextNumber.h"

namespace FieldRules {
namespace {

constexpr uint64_t kMax16 = 65535;

// The low bits of a value that fit the field's registers.
uint64_t LowBits(uint64_t bits, int registers)
{
    return registers >= 4 ? bits : bits & ((uint64_t{1} << (16 * registers)) - 1);
}

// value / 10^decimals with exactly `decimals` places: all the digits the
// register has, so that the text goes back as the same value.
std::string Scaled(double value, int decimals)
{
    double divisor = 1.0;
    for (int i = 0; i < decimals; ++i) divisor *= 10.0;
    return TextNumber::Format("%.*f", decimals, value / divisor);
}

uint64_t EnterNumber(const Field& field, std::string_view text, int decimals)
{
    switch (field.entry) {
    case Entry::Wrap:
        if (field.registers == 1 && decimals == 0) return TextNumber::ParseU16(text);
        return LowBits(static_cast<uint64_t>(TextNumber::ParseScaled(text, decimals)), field.registers);
    case Entry::ScaledWrap: return TextNumber::ParseScaledU16(text, decimals);
    case Entry::SaturateHigh: {
        const int64_t value = TextNumber::ParseScaled(text, decimals);
        return value > static_cast<int64_t>(kMax16) ? kMax16 : LowBits(static_cast<uint64_t>(value), 1);
    }
    case Entry::Clamp: {
        if (decimals == 0) return TextNumber::ParseU16(text);
        const int64_t value = TextNumber::ParseScaled(text, decimals);
        return value < 0 ? 0 : value > static_cast<int64_t>(kMax16) ? kMax16 : static_cast<uint64_t>(value);
    }
    case Entry::FullScaleOutside: {
        const int32_t value = TextNumber::ParseInt(text);
        return value >= 0 && value <= static_cast<int32_t>(kMax16) ? static_cast<uint64_t>(value) : kMax16;
    }
    }
    return 0;
}

std::string PhaseText(uint64_t raw)
{
    unsigned b[6];
    for (int i = 0; i < 6; ++i) b[i] = static_cast<unsigned>(raw >> (8 * (5 - i))) & 0xFF;
    return TextNumber::Format("%02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5]);
}

// Six hexadecimal numbers separated by blanks, missing ones 0; reading stops
// at the first that is not a number. Each is one byte, so only its low byte
// is taken.
uint64_t PhaseRaw(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    uint8_t bytes[6] = {};
    size_t pos = 0;
    for (uint8_t& byte : bytes) {
        pos = text.find_first_not_of(kBlanks, pos);
        if (pos == std::string_view::npos) break;
        const size_t end = text.find_first_of(kBlanks, pos);
        uint32_t value = 0;
        if (!TextNumber::ParseHex(text.substr(pos, end == std::string_view::npos ? text.size() - pos : end - pos),
                                  value))
            break;
        byte = static_cast<uint8_t>(value & 0xFF);
        pos = end;
        if (pos == std::string_view::npos) break;
    }
    uint64_t raw = 0;
    for (uint8_t byte : bytes) raw = raw << 8 | byte;
    return raw;
}

// The slave address and node ID: hexadecimal when the text has an 'x'.
uint64_t HexOrDecimal(std::string_view text, bool lowerFirst)
{
    std::string s(text);
    if (lowerFirst) {
        for (char& c : s) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    uint32_t value = 0;
    if (s.find('x') != std::string::npos) {
        TextNumber::ParseHex(s, value);
    } else {
        value = static_cast<uint32_t>(TextNumber::ParseInt(s));
    }
    return value & 0xFFFF;
}

bool IsCheck(Kind kind)
{
    return kind == Kind::CheckBit0 || kind == Kind::CheckNonZero || kind == Kind::CheckOne || kind == Kind::CheckZero ||
           kind == Kind::Flag;
}

}  // namespace

int Decimals(const Field& field, const Units& units)
{
    switch (field.scale) {
    case Scale::Fixed: return field.decimals;
    case Scale::SpeedRange: return units.x10 ? field.decimals - 1 : field.decimals;
    case Scale::SpeedMode:
        if (units.speedMode == 1) return 2;
        if ((units.speedMode == 2 || units.speedMode == 3) && units.x10) return 0;
        return 1;
    }
    return field.decimals;
}

const char* Unit(const Field& field, const Units& units)
{
    if (field.scale != Scale::SpeedMode) return field.unit;
    static const char* const kModeUnits[] = {"%", "A", "Hz", "Hz"};
    return units.speedMode < 4 ? kModeUnits[units.speedMode] : "";
}

int ChoiceIndex(const Field& field, uint64_t raw)
{
    const auto count = static_cast<uint64_t>(field.items.size());
    switch (field.kind) {
    case Kind::Choice: return raw < count ? static_cast<int>(raw) : -1;
    case Kind::ChoiceBit0: return (raw & 1) < count ? static_cast<int>(raw & 1) : -1;
    case Kind::BaudChoice:
        for (size_t i = 0; i < field.items.size(); ++i) {
            if (static_cast<int64_t>(TextNumber::ParseInt(field.items[i])) == static_cast<int64_t>(raw))
                return static_cast<int>(i);
        }
        return field.items.empty() ? -1 : 0;
    default: return -1;
    }
}

bool Ticked(const Field& field, uint64_t raw)
{
    switch (field.kind) {
    case Kind::CheckBit0: return (raw & 1) != 0;
    case Kind::CheckNonZero: return raw != 0;
    case Kind::CheckOne: return raw == 1;
    case Kind::CheckZero: return raw == 0;
    case Kind::Flag: return (raw & field.mask) != 0;
    default: return false;
    }
}

uint16_t CheckRegister(const Field& field, bool ticked)
{
    if (field.kind == Kind::CheckZero) return ticked ? 0 : 1;
    if (field.kind == Kind::Flag) return ticked ? field.mask : 0;
    return ticked ? 1 : 0;
}

std::string Show(const Field& field, uint64_t raw, const Units& units)
{
    switch (field.kind) {
    case Kind::Number: return Scaled(static_cast<double>(LowBits(raw, field.registers)), Decimals(field, units));
    case Kind::SignedNumber: return Scaled(static_cast<int16_t>(raw & 0xFFFF), Decimals(field, units));
    case Kind::Float: return TextNumber::Format("%f", static_cast<double>(RawFloat(raw)));
    case Kind::Gain: return TextNumber::Format("%g", static_cast<double>(RawFloat(raw)));
    case Kind::PhaseBytes: return PhaseText(raw);
    case Kind::HexAddress:
    case Kind::HexNodeId: return TextNumber::Format("0x%02X", static_cast<unsigned>(raw & 0xFFFF));
    case Kind::ReservedZero:
    case Kind::ReservedKept: return TextNumber::Format("%u", static_cast<unsigned>(raw & 0xFFFF));
    default: break;
    }
    if (IsCheck(field.kind)) return Ticked(field, raw) ? "1" : "0";
    const int index = ChoiceIndex(field, raw);
    return index < 0 ? std::string() : std::string(field.items[static_cast<size_t>(index)]);
}

std::optional<uint64_t> Parse(const Field& field, std::string_view text, const Units& units)
{
    switch (field.kind) {
    case Kind::Number:
    case Kind::SignedNumber: return EnterNumber(field, text, Decimals(field, units));
    case Kind::Float:
    case Kind::Gain: return FloatRaw(FloatText::Parse(text));
    case Kind::PhaseBytes: return PhaseRaw(text);
    case Kind::HexAddress: return HexOrDecimal(text, true);
    case Kind::HexNodeId: return HexOrDecimal(text, false);
    case Kind::ReservedZero: return 0;
    case Kind::ReservedKept: return TextNumber::ParseU16(text);
    default: break;
    }
    if (IsCheck(field.kind)) return CheckRegister(field, TextNumber::ParseInt(text) != 0);
    for (size_t i = 0; i < field.items.size(); ++i) {
        if (text != field.items[i]) continue;
        if (field.kind == Kind::BaudChoice) return static_cast<uint32_t>(TextNumber::ParseInt(field.items[i]));
        return i;
    }
    return std::nullopt;
}

uint64_t Join(std::span<const uint16_t> registers)
{
    uint64_t raw = 0;
    for (uint16_t word : registers) raw = raw << 16 | word;
    return raw;
}

void Split(uint64_t raw, std::span<uint16_t> registers)
{
    for (size_t i = registers.size(); i-- > 0; raw >>= 16) registers[i] = static_cast<uint16_t>(raw & 0xFFFF);
}

uint64_t FloatRaw(float value) { return std::bit_cast<uint32_t>(value); }

float RawFloat(uint64_t raw) { return std::bit_cast<float>(static_cast<uint32_t>(raw)); }

}  // namespace FieldRules
