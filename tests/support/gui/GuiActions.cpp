#include "GuiActions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QTest>

#include "DemoDlg.h"

namespace GuiActions {

void Type(QLineEdit* edit, const QString& text)
{
    if (!edit) return;
    edit->clear();
    QTest::keyClicks(edit, text);
}

void Leave(QWidget* widget)
{
    if (!widget) return;
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &event);
    Settle();
}

void Enter(QLineEdit* edit, const QString& text)
{
    Type(edit, text);
    Leave(edit);
}

void Click(QAbstractButton* button)
{
    ClickNoWait(button);
    Settle();
}

void ClickNoWait(QAbstractButton* button)
{
    if (button) button->click();
}

void Select(QComboBox* combo, int index)
{
    if (!combo) return;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    Settle();
}

bool Settle(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (g_pMainDlg && !g_pMainDlg->Link().Idle()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(1);
    }
    return true;
}

void Pump(int ms) { QTest::qWait(ms); }

}  // namespace GuiActions
