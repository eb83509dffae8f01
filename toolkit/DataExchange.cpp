#include "DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

namespace DataExchange {

void Text(bool fromControls, QLineEdit* edit, QString& value)
{
    if (!edit) return;
    if (fromControls) {
        value = edit->text();
        return;
    }
    if (value.size() > edit->maxLength()) edit->setMaxLength(static_cast<int>(value.size()));
    // Rewriting an unchanged text would move the cursor of a field being edited.
    if (edit->text() != value) edit->setText(value);
}

void Index(bool fromControls, QComboBox* combo, int& value)
{
    if (!combo) return;
    if (fromControls) {
        value = combo->currentIndex();
        return;
    }
    combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
}

void Check(bool fromControls, QAbstractButton* box, int& value)
{
    if (!box) return;
    if (fromControls) {
        value = box->isChecked() ? 1 : 0;
        return;
    }
    box->setChecked(value != 0);
}

void Position(bool fromControls, QSlider* slider, int& value)
{
    if (!slider) return;
    if (fromControls) {
        value = slider->value();
        return;
    }
    slider->setValue(value);
}

}  // namespace DataExchange
