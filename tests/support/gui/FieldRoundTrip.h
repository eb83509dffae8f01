#pragma once
// FieldRoundTrip: a page's binding table against the simulated drive. Every
// field of a register group gets a value of its own in the drive's
// registers; a read must show each as the field rules show it (the control
// is the one whose tooltip names the field's key), and "配置" must send each
// back to its registers unchanged.
//
//   const auto& group = FieldRoundTrip::GroupByKey("safety");
//   const auto words = FieldRoundTrip::Samples(group);
//   FieldRoundTrip::Preset(*m_sim, group, words);   ... read ...
//   FieldRoundTrip::ExpectShown(page, group, words, {});

#include <QWidget>
#include <cstdint>
#include <string_view>
#include <vector>

#include "FieldGroups.h"

namespace FieldRoundTrip {

using Words = std::vector<uint16_t>;  // a group's registers from its first

const FieldRules::Group& GroupByKey(std::string_view key);

// A raw value of the field that its page shows and sends back unchanged;
// `n` makes the values of one group differ. Reserved registers get a nonzero
// value, so that sending them as 0 or as read shows.
uint64_t Sample(const FieldRules::Field& field, int n);
Words Samples(const FieldRules::Group& group);
// The registers a configure leaves in the drive: the samples, reserved
// words that go out as 0 cleared.
Words Sent(const FieldRules::Group& group, const Words& samples);

// The control whose tooltip names the field's configuration key.
QWidget* ControlOf(const QWidget* page, const FieldRules::Field& field);
// Every field of the group with a control shows its value from `words`.
void ExpectShown(const QWidget* page, const FieldRules::Group& group, const Words& words,
                 const FieldRules::Units& units);

template <class Drive>
void Preset(Drive& drive, const FieldRules::Group& group, const Words& words)
{
    for (uint16_t i = 0; i < group.count; ++i) drive.SetRegister(static_cast<uint16_t>(group.start + i), words[i]);
}

template <class Drive>
Words Registers(Drive& drive, const FieldRules::Group& group)
{
    Words words(group.count);
    for (uint16_t i = 0; i < group.count; ++i) words[i] = drive.GetRegister(static_cast<uint16_t>(group.start + i));
    return words;
}

}  // namespace FieldRoundTrip
