#include "FieldRoundTrip.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <span>

namespace FieldRoundTrip {

using FieldRules::Field;
using FieldRules::Group;
using FieldRules::Kind;

const Group& GroupByKey(std::string_view key)
{
    for (const Group& group : FieldRules::kGroups) {
        if (key == group.key) return group;
    }
    ADD_FAILURE() << "no group " << key;
    return FieldRules::kGroups[0];
}

uint64_t Sample(const Field& field, int n)
{
    const auto last = field.items.empty() ? size_t{0} : field.items.size() - 1;
    switch (field.kind) {
    case Kind::Number:
        return field.registers == 2 ? 70000u + static_cast<unsigned>(n) : 1000u + 37u * static_cast<unsigned>(n);
    case Kind::SignedNumber: return 65536u - 10u - static_cast<unsigned>(n);  // negative
    case Kind::Float:
    case Kind::Gain: return FieldRules::FloatRaw(1.5f + static_cast<float>(n));
    case Kind::PhaseBytes: return 0x0A1B2C3D4E5Full;
    case Kind::HexAddress:
    case Kind::HexNodeId: return 0x20u + static_cast<unsigned>(n);
    case Kind::Choice:
    case Kind::ChoiceBit0: return last;
    case Kind::BaudChoice: return FieldRules::Parse(field, field.items[last]).value_or(0);
    case Kind::CheckZero: return 0;  // ticked
    case Kind::Flag: return field.mask;
    case Kind::ReservedZero:
    case Kind::ReservedKept: return 0x1230u + static_cast<unsigned>(n);
    default: return 1;  // the other checks ticked
    }
}

Words Samples(const Group& group)
{
    Words words(group.count, 0);
    int n = 0;
    for (const Field& field : group.fields) {
        const std::span<uint16_t> at(words.data() + (field.reg - group.start), field.registers);
        const uint64_t raw = Sample(field, n++);
        if (field.kind == Kind::Flag) {
            at[0] = static_cast<uint16_t>(at[0] | raw);
        } else {
            FieldRules::Split(raw, at);
        }
    }
    return words;
}

Words Sent(const Group& group, const Words& samples)
{
    Words words = samples;
    for (const Field& field : group.fields) {
        if (field.kind != Kind::ReservedZero) continue;
        for (int i = 0; i < field.registers; ++i) words[static_cast<size_t>(field.reg - group.start + i)] = 0;
    }
    return words;
}

QWidget* ControlOf(const QWidget* page, const Field& field)
{
    const QString key = QStringLiteral(" ") + QString::fromUtf8(field.key);
    QWidget* found = nullptr;
    for (QWidget* child : page->findChildren<QWidget*>()) {
        if (!child->toolTip().endsWith(key)) continue;
        EXPECT_EQ(found, nullptr) << "two controls for " << field.key;
        found = child;
    }
    return found;
}

void ExpectShown(const QWidget* page, const Group& group, const Words& words, const FieldRules::Units& units)
{
    for (const Field& field : group.fields) {
        if (field.kind == Kind::ReservedZero || field.kind == Kind::ReservedKept) continue;
        const uint64_t raw = FieldRules::Join({words.data() + (field.reg - group.start), field.registers});
        QWidget* control = ControlOf(page, field);
        if (!control) {
            ADD_FAILURE() << "no control names " << field.key;
            continue;
        }
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            // The list the page shows is the field's: an index sent is the item seen.
            QStringList items, listed;
            for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
            for (const char* item : field.items) listed << QString::fromUtf8(item);
            EXPECT_EQ(items, listed) << field.key;
            EXPECT_EQ(combo->currentIndex(), FieldRules::ChoiceIndex(field, raw)) << field.key;
            EXPECT_EQ(combo->currentText().toStdString(), FieldRules::Show(field, raw, units)) << field.key;
        } else if (auto* box = qobject_cast<QAbstractButton*>(control)) {
            EXPECT_EQ(box->isChecked(), FieldRules::Ticked(field, raw)) << field.key;
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            EXPECT_EQ(edit->text().toStdString(), FieldRules::Show(field, raw, units)) << field.key;
        } else {
            ADD_FAILURE() << field.key << " is on a control of no known kind";
        }
    }
}

}  // namespace FieldRoundTrip
