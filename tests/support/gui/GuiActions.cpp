#include "GuiActions.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTest>

namespace GuiActions {

void Type(QLineEdit* edit, const QString& text) {
    if (!edit) return;
    edit->clear();
    QTest::keyClicks(edit, text);
}

void Leave(QWidget* widget) {
    if (!widget) return;
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &event);
}

void Enter(QLineEdit* edit, const QString& text) {
    Type(edit, text);
    Leave(edit);
}

void Click(QAbstractButton* button) {
    if (button) button->click();
}

void Select(QComboBox* combo, int index) {
    if (!combo) return;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void Pump(int ms) { QTest::qWait(ms); }

}  // namespace GuiActions
