#pragma once
// The field rules (protocol/FieldRules.h) as the pages' stored values: a
// register shown as its field's text, a typed text back into the register,
// a list's index and a check box's tick. Fields are named by their key:
// Shown(Rule("motor.rated_current"), p.ratedCurrent).

#include <QString>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "FieldGroups.h"

namespace FieldText {

using FieldRules::Field;
using FieldRules::Rule;
using FieldRules::Units;

// The raw value of a record member: a float as its bits, a register array
// joined high word first.
template <typename T>
    requires std::is_unsigned_v<T>
uint64_t Raw(T value)
{
    return value;
}
inline uint64_t Raw(float value) { return FieldRules::FloatRaw(value); }
template <size_t N>
uint64_t Raw(const uint16_t (&registers)[N])
{
    return FieldRules::Join(registers);
}

template <typename T>
QString Shown(const Field& field, const T& value, const Units& units = {})
{
    return QString::fromStdString(FieldRules::Show(field, Raw(value), units));
}

// A typed text into its record member. Text fields always give a number
// ("no number" is 0), so there is always a value to send.
template <typename T>
void Enter(T& member, const Field& field, const QString& text, const Units& units = {})
{
    const uint64_t raw = FieldRules::Parse(field, text.toStdString(), units).value_or(0);
    if constexpr (std::is_same_v<T, float>) {
        member = FieldRules::RawFloat(raw);
    } else if constexpr (std::is_array_v<T>) {
        FieldRules::Split(raw, member);
    } else {
        member = static_cast<T>(raw);
    }
}

// A list's index for a register, -1 for none.
inline int Index(const Field& field, uint64_t raw) { return FieldRules::ChoiceIndex(field, raw); }

// A check box's state (0/1) for a register, and the register value it sends.
inline int Tick(const Field& field, uint64_t raw) { return FieldRules::Ticked(field, raw) ? 1 : 0; }
inline uint16_t CheckRegister(const Field& field, int tick) { return FieldRules::CheckRegister(field, tick != 0); }

}  // namespace FieldText
