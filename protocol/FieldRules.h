#pragma once
// The rules of the parameter fields, Qt-free: for each field of a register
// group its register(s), how its raw value is shown as text and how a text
// goes back to a raw value, its unit, the items of its list, and a stable
// ASCII key ("motor.rated_current") under which configuration files,
// recordings and zoric-cli name it. Each record header holds its group's
// table; FieldGroups.h lists the groups. The pages show and send
// exactly what these rules give.
//
// A raw value is the field's register, or its registers joined high word
// first (a float as its IEEE 754 bits); a flag's raw value is its whole
// register.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace FieldRules {

enum class Kind : uint8_t {
    Number,        // value / 10^decimals, "%.*f"; a typed text goes back by `entry`
    SignedNumber,  // the same, of the register as a signed 16-bit value
    Float,         // single precision in two registers, "%f"
    Gain,          // the same, "%g"
    PhaseBytes,    // three registers as six bytes, "%02X %02X %02X %02X %02X %02X"
    HexAddress,    // "0x%02X"; typed text is hexadecimal when, lower-cased, it has an 'x'
    HexNodeId,     // "0x%02X"; typed text is hexadecimal only with a lower-case 'x'
    Choice,        // the index of an item; a value beyond the list selects none
    ChoiceBit0,    // the index of an item by bit 0
    BaudChoice,    // two registers holding the rate an item names; no match shows the first item
    CheckBit0,     // ticked when bit 0 is set; sent as 1 or 0
    CheckNonZero,  // ticked when nonzero; sent as 1 or 0
    CheckOne,      // ticked when exactly 1; sent as 1 or 0
    CheckZero,     // ticked when 0; sent as 0 ticked, 1 not
    Flag,          // ticked when the `mask` bit is set; the register's flags are sent together, other bits 0
    ReservedZero,  // no control: always sent as 0
    ReservedKept,  // no control: sent back as read
};

// How a typed number becomes the register value, at the decimals in effect.
enum class Entry : uint8_t {
    Wrap,              // one register at 0 decimals: the integer prefix; otherwise the
                       // scaled text; the low 16 (32 for two registers) bits
    ScaledWrap,        // the scaled text even at 0 decimals ("12.7" -> 12), low 16 bits
    SaturateHigh,      // the scaled text, held at 65535 above, two's complement below 0
    Clamp,             // at 0 decimals as Wrap; otherwise the scaled text held to 0..65535
    FullScaleOutside,  // the integer prefix; outside 0..65535 sends 65535
};

enum class Scale : uint8_t {
    Fixed,       // `decimals` always
    SpeedRange,  // one decimal fewer with the drive's x10 speed range (whole Hz
                 // and Hz/s instead of tenths)
    SpeedMode,   // by the preset speed mode (register 176): 0.01 A for torque,
                 // whole Hz for the closed loops under x10, else tenths
};

// What the unit of a field can depend on.
struct Units {
    bool x10 = false;        // the drive's speed range (register 119 bit 0)
    uint16_t speedMode = 0;  // the preset speed mode, register 176
};

// The tables in the record headers name these plainly.
using enum Kind;
using enum Entry;
using enum Scale;

struct Field {
    const char* key;
    uint16_t reg;  // the first register
    Kind kind;
    uint8_t registers = 1;  // how many registers the raw value spans
    int8_t decimals = 0;    // as shown in tenths (without x10)
    Scale scale = Scale::Fixed;
    Entry entry = Entry::Wrap;
    const char* unit = "";                    // plain ASCII; empty for a plain count or ratio
    std::span<const char* const> items = {};  // a list's items, UTF-8, as the page lists them
    uint16_t mask = 0;                        // Flag: its bit
    // As the page labels the field (UTF-8, Chinese; without colon or unit):
    // what the configuration windows and zoric-cli call it; Localized()
    // gives its English.
    const char* label = "";
};

int Decimals(const Field& field, const Units& units);
const char* Unit(const Field& field, const Units& units);

// A list field's item for a raw value: -1 for none.
int ChoiceIndex(const Field& field, uint64_t raw);
// A check field's tick for a raw value, and the register value a tick sends.
bool Ticked(const Field& field, uint64_t raw);
uint16_t CheckRegister(const Field& field, bool ticked);

// The text the page shows for a raw value: a list's item text ("" for
// none), "1" or "0" for a check, the register for a reserved field.
std::string Show(const Field& field, uint64_t raw, const Units& units = {});
// The raw value a text sends. A list takes an item's text (none: no
// value); a check takes a number (nonzero ticks it); everything else reads
// a number as the page does, "no number" giving 0.
std::optional<uint64_t> Parse(const Field& field, std::string_view text, const Units& units = {});

// Registers joined high word first, and back.
uint64_t Join(std::span<const uint16_t> registers);
void Split(uint64_t raw, std::span<uint16_t> registers);
uint64_t FloatRaw(float value);
float RawFloat(uint64_t raw);

}  // namespace FieldRules
