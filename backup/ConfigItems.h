#pragma once
// What a drive configuration holds: every setting the tool reads and writes,
// each under the stable key the file names it by, in file order. Register
// settings come from the parameter groups' field tables; the PDO and SYNC
// objects are reached through the SDO tunnel.
//
// A value is kept as its raw bits: a register field's registers joined high
// word first (a float as its IEEE 754 bits, a signed word as its 16 bits), a
// flag as 0 or 1, an object's value as read.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "FieldRules.h"

namespace Backup {

enum class ValueType : uint8_t {
    U8,
    U16,
    S16,
    U32,
    Float,  // the 32 bits of a single-precision number
    Bit,    // one flag of a register that holds several
    Words,  // three or more registers, each a u16
};

struct Item {
    std::string key;    // "motor.rated_current", "pdo.tpdo1.cob_id", "sync.cycle_period"
    std::string group;  // the selectable group: "motor", "pdo", "sync", ...
    std::string unit;   // a load step: the register group, "pdo.tpdo1" or "sync"
    ValueType type = ValueType::U16;
    // Belongs to one motor: copied to another drive it gives that motor the
    // wrong commutation, so it is loaded only on request.
    bool motorIdentity = false;
    // Part of how the tool reaches the drive (RS-485 address and line, CAN
    // node and rate): changed only on request.
    bool link = false;
    // A register setting: its field. An object: its index and sub-index.
    const FieldRules::Field* field = nullptr;
    uint16_t index = 0;
    uint8_t subindex = 0;
    // Bits that take part in comparing (a PDO's COB-ID leaves out the node-ID
    // bits, which belong to the drive it is on).
    uint64_t compareMask = ~uint64_t{0};
    // Where the pages show it, in the source language (Localized gives the
    // English): its page, and its label there, after `labelPrefix` (the PDO
    // an object belongs to); a label with "%d" takes `labelNumber`.
    const char* page = "";
    const char* label = "";
    std::string labelPrefix;
    int labelNumber = 0;
};

using Values = std::map<std::string, uint64_t, std::less<>>;

// Every item, in file order: the register groups as the pages list them,
// then the eight PDOs, then SYNC.
const std::vector<Item>& Items();
const Item* FindItem(std::string_view key);
// The selectable groups in file order.
const std::vector<std::string>& GroupKeys();
bool IsGroup(std::string_view key);

// An item as the windows and zoric-cli name it, in the current language:
// its page, its label there, and both as "电机参数 / 电机额定电流".
std::string PageOf(const Item& item);
std::string LabelOf(const Item& item);
std::string TitleOf(const Item& item);

// The largest raw value of a type, and whether a raw value is valid for the
// item (a list takes only its items, a flag only 0 or 1).
bool Fits(const Item& item, uint64_t raw);

// The shown text of a value, as the page shows it, with its unit ("1.50 A");
// a list item in the current language (Language.h). `values` gives what a unit depends on (the x10 speed range, the preset
// speed mode).
std::string Shown(const Item& item, uint64_t raw, const Values& values);

// The raw value a text gives an item, by the pages' number-entry rules: a
// number in the page's unit and digits (a speed in the unit `values` say),
// a list item by its number in the list (0 first), a check or a flag as 0
// or 1, a PDO or SYNC object's value as a decimal or 0x number. Stricter than
// a page in one way: a text that is no number, or a number the field cannot
// hold (which a page would wrap or cut), is refused, with the reason in
// `why`. zoric-cli's set and the scripting module share it.
std::optional<uint64_t> ParseValue(const Item& item, std::string_view text, const Values& values, std::string& why);

// A value as a script works with it, the counterpart of ParseValue: a number
// in the page's unit and digits (whole where the page shows no decimals), a
// list item's number in the list (0 first), a check or a flag as 0 or 1, a
// float as its number, six phase bytes as the page's text, an object's value
// as a whole number. Nothing (monostate) where the page shows no value: a
// float that is not a number, a list value no item has.
using TypedValue = std::variant<std::monostate, int64_t, double, std::string>;
TypedValue ValueOf(const Item& item, uint64_t raw, const Values& values);
// The unit the page shows an item's value in ("A", "RPM"); empty for none.
std::string UnitOf(const Item& item, const Values& values);

// Two values of one item are the same setting.
inline bool Same(const Item& item, uint64_t a, uint64_t b) { return ((a ^ b) & item.compareMask) == 0; }

}  // namespace Backup
