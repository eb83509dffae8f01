#include "FieldBinding.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <string>

#include "DataExchange.h"

namespace {

using FieldRules::Field;
using FieldRules::Group;
using FieldRules::Kind;
using FieldRules::Units;

enum class Shape : uint8_t { Text, List, Check, None };

Shape ShapeOf(Kind kind)
{
    switch (kind) {
    case Kind::Choice:
    case Kind::ChoiceBit0:
    case Kind::BaudChoice: return Shape::List;
    case Kind::CheckBit0:
    case Kind::CheckNonZero:
    case Kind::CheckOne:
    case Kind::CheckZero:
    case Kind::Flag: return Shape::Check;
    case Kind::ReservedZero:
    case Kind::ReservedKept: return Shape::None;
    default: return Shape::Text;
    }
}

const Group& GroupOf(const Field& field)
{
    for (const Group& group : FieldRules::kGroups) {
        for (const Field& member : group.fields) {
            if (&member == &field) return group;
        }
    }
    // Rule() hands out fields of the tables only.
    return FieldRules::kGroups[0];
}

uint64_t AllOnes(int registers) { return registers >= 4 ? ~uint64_t{0} : (uint64_t{1} << (16 * registers)) - 1; }

// The decimal number a flag's mask names.
int BitOf(uint16_t mask)
{
    int bit = 0;
    while (mask > 1) {
        mask = static_cast<uint16_t>(mask >> 1);
        ++bit;
    }
    return bit;
}

}  // namespace

CFieldBinding::CFieldBinding(std::initializer_list<Bind> table, NoItem noItem) : m_noItem(noItem)
{
    std::vector<const Group*> groups;
    for (const Bind& bind : table) {
        const Group& group = GroupOf(bind.field);
        Entry& entry = m_entries.emplace_back();
        entry.field = &bind.field;
        entry.control = bind.control;
        entry.groupStart = group.start;
        if (bind.control) bind.control->setToolTip(Tooltip(bind.field));
        if (std::find(groups.begin(), groups.end(), &group) == groups.end()) groups.push_back(&group);
    }
    // A register the drive keeps to itself goes back as it came.
    for (const Group* group : groups) {
        for (const Field& field : group->fields) {
            if (field.kind != Kind::ReservedKept) continue;
            Entry& entry = m_entries.emplace_back();
            entry.field = &field;
            entry.groupStart = group->start;
        }
    }
}

QString CFieldBinding::Tooltip(const Field& field)
{
    QStringList parts;
    if (field.kind == Kind::Flag) {
        parts << tr("寄存器 %1 位 %2").arg(field.reg).arg(BitOf(field.mask));
    } else if (field.registers > 1) {
        parts << tr("寄存器 %1 至 %2").arg(field.reg).arg(field.reg + field.registers - 1);
    } else {
        parts << tr("寄存器 %1").arg(field.reg);
    }
    if (*field.unit) parts << tr("单位 %1").arg(QString::fromUtf8(field.unit));
    if (field.scale == FieldRules::Scale::SpeedMode) {
        parts << tr("单位和小数位数随速度模式");
    } else if (field.kind == Kind::Number || field.kind == Kind::SignedNumber) {
        const int decimals = FieldRules::Decimals(field, {});
        if (field.scale == FieldRules::Scale::SpeedRange) {
            parts << tr("小数 %1 位（速度量程×10 时 %2 位）")
                         .arg(decimals)
                         .arg(FieldRules::Decimals(field, {.x10 = true}));
        } else {
            parts << tr("小数 %1 位").arg(decimals);
        }
    }
    parts << tr("配置键 %1").arg(QString::fromUtf8(field.key));
    return parts.join(tr("，"));
}

CFieldBinding::Entry* CFieldBinding::Find(QWidget* control)
{
    for (Entry& entry : m_entries) {
        if (control && entry.control == control) return &entry;
    }
    return nullptr;
}

void CFieldBinding::Store(Entry& entry, uint64_t raw, const Units& units)
{
    const Field& field = *entry.field;
    switch (ShapeOf(field.kind)) {
    case Shape::Text: entry.text = QString::fromStdString(FieldRules::Show(field, raw, units)); break;
    case Shape::List: entry.index = FieldRules::ChoiceIndex(field, raw); break;
    case Shape::Check: entry.tick = FieldRules::Ticked(field, raw) ? 1 : 0; break;
    case Shape::None: break;
    }
}

void CFieldBinding::ExchangeOne(bool fromControls, Entry& entry)
{
    switch (ShapeOf(entry.field->kind)) {
    case Shape::Text: DataExchange::Text(fromControls, qobject_cast<QLineEdit*>(entry.control), entry.text); break;
    case Shape::List: DataExchange::Index(fromControls, qobject_cast<QComboBox*>(entry.control), entry.index); break;
    case Shape::Check:
        DataExchange::Check(fromControls, qobject_cast<QAbstractButton*>(entry.control), entry.tick);
        break;
    case Shape::None: break;
    }
}

void CFieldBinding::Exchange(bool fromControls)
{
    for (Entry& entry : m_entries) ExchangeOne(fromControls, entry);
}

void CFieldBinding::ShowValue(QWidget* control, uint64_t raw, const Units& units)
{
    Entry* entry = Find(control);
    if (!entry) return;
    Store(*entry, raw, units);
    ExchangeOne(false, *entry);
}

QString CFieldBinding::Text(QWidget* control, uint64_t raw, const Units& units) const
{
    for (const Entry& entry : m_entries) {
        if (control && entry.control == control)
            return QString::fromStdString(FieldRules::Show(*entry.field, raw, units));
    }
    return {};
}

// The raw value a stored value sends.
uint64_t CFieldBinding::Sent(const Entry& entry, const Units& units) const
{
    const Field& field = *entry.field;
    switch (ShapeOf(field.kind)) {
    case Shape::Text:
        // A text always gives a number ("no number" is 0).
        return FieldRules::Parse(field, entry.text.toStdString(), units).value_or(0);
    case Shape::List:
        if (entry.index < 0) return m_noItem == NoItem::LastRead ? entry.read : AllOnes(field.registers);
        // A rate list sends the rate its item names; the others their index.
        if (field.kind == Kind::BaudChoice && static_cast<size_t>(entry.index) < field.items.size())
            return FieldRules::Parse(field, field.items[static_cast<size_t>(entry.index)], units).value_or(0);
        return static_cast<uint64_t>(entry.index);
    case Shape::Check: return FieldRules::CheckRegister(field, entry.tick != 0);
    case Shape::None: return field.kind == Kind::ReservedKept ? entry.read : 0;
    }
    return 0;
}

void CFieldBinding::ShowWords(uint16_t start, std::span<const uint16_t> words, const Units& units)
{
    for (Entry& entry : m_entries) {
        if (entry.groupStart != start) continue;
        const uint64_t raw =
            FieldRules::Join(words.subspan(static_cast<size_t>(entry.field->reg - start), entry.field->registers));
        entry.read = raw;
        Store(entry, raw, units);
    }
}

void CFieldBinding::BuildWords(uint16_t start, std::span<uint16_t> words, const Units& units) const
{
    for (const Entry& entry : m_entries) {
        if (entry.groupStart != start) continue;
        const std::span<uint16_t> at =
            words.subspan(static_cast<size_t>(entry.field->reg - start), entry.field->registers);
        const uint64_t raw = Sent(entry, units);
        if (entry.field->kind == Kind::Flag) {
            at[0] = static_cast<uint16_t>(at[0] | raw);
        } else {
            FieldRules::Split(raw, at);
        }
    }
}
