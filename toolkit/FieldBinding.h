#pragma once
// A page's parameter fields, each named once: the page's binding table pairs
// each control with its field (Rule("motor.rated_current"), so a mistyped key
// does not compile), and this moves a register group between the record, the
// page's stored values and its controls by the field rules (FieldRules.h).
//
// A read (Show) replaces the stored value of every bound field of the group:
// the text, list item or tick the page shows. "配置" takes the controls first
// (Exchange(true)), then Build gives the group's record as the page sends it:
// typed texts by the number-entry rules, ticks as their register values (the
// flags of one register together, its other bits 0), reserved registers 0 or
// as read. Registers of fields the table leaves out are 0: the page sets
// them by hand.

#include <QCoreApplication>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "FieldGroups.h"
#include "RegisterGroup.h"

class QWidget;

class CFieldBinding {
    Q_DECLARE_TR_FUNCTIONS(CFieldBinding)
public:
    struct Bind {
        const FieldRules::Field& field;
        QWidget* control;  // a QLineEdit, a QComboBox for a list, a check box for a check or flag
    };
    // What a list showing no item (a value it has no entry for) sends.
    enum class NoItem : uint8_t {
        LastRead,  // the register as last read, so the drive keeps its setting
        AllOnes,   // the index -1 in the field's registers (65535)
    };

    CFieldBinding() = default;
    // Also gives each control its tooltip: register, unit, decimals, file key.
    CFieldBinding(std::initializer_list<Bind> table, NoItem noItem);

    // fromControls: control → stored value; otherwise stored value → control.
    void Exchange(bool fromControls);

    template <typename Record>
    void Show(const Record& record, const FieldRules::Units& units = {})
    {
        uint16_t words[Record::kCount];
        RegisterGroup::ToWords(record, words);
        ShowWords(Record::kStart, words, units);
    }

    template <typename Record>
    Record Build(const FieldRules::Units& units = {}) const
    {
        uint16_t words[Record::kCount] = {};
        BuildWords(Record::kStart, words, units);
        return RegisterGroup::FromWords<Record>(words);
    }

    // One bound field's value from elsewhere than a read (a procedure's
    // result): stored and shown. What the field last read stays.
    void ShowValue(QWidget* control, uint64_t raw, const FieldRules::Units& units = {});
    // The text a bound text field shows for a raw value, nothing stored.
    QString Text(QWidget* control, uint64_t raw, const FieldRules::Units& units = {}) const;

    // The tooltip of a field's control (public for the tests).
    static QString Tooltip(const FieldRules::Field& field);

private:
    struct Entry {
        const FieldRules::Field* field = nullptr;
        QWidget* control = nullptr;  // none for a register sent back as read
        uint16_t groupStart = 0;
        QString text;
        int index = -1;
        int tick = 0;
        uint64_t read = 0;  // the raw value last read
    };

    Entry* Find(QWidget* control);
    void Store(Entry& entry, uint64_t raw, const FieldRules::Units& units);
    void ExchangeOne(bool fromControls, Entry& entry);
    uint64_t Sent(const Entry& entry, const FieldRules::Units& units) const;
    void ShowWords(uint16_t start, std::span<const uint16_t> words, const FieldRules::Units& units);
    void BuildWords(uint16_t start, std::span<uint16_t> words, const FieldRules::Units& units) const;

    std::vector<Entry> m_entries;
    NoItem m_noItem = NoItem::LastRead;
};
