#pragma once
// What a user does to a window, for window tests. Prefer these to calling a
// page's handlers: they go through the same signals and events a user's
// mouse and keyboard would.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace GuiActions {

// The child named `name` (its objectName, as in the .ui file), or nullptr.
template <class T>
T* Find(const QWidget* root, const char* name)
{
    return root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// Replaces the text as typing would (the edit's length limit applies) and
// does not leave the field.
void Type(QLineEdit* edit, const QString& text);
// Sends the field a focus-out, as tabbing or clicking elsewhere does.
void Leave(QWidget* widget);
// Type, then Leave: the usual "enter a value and move on".
void Enter(QLineEdit* edit, const QString& text);
// Clicks a button (push button, check box, radio button) and waits, as the
// user does, until the drive exchanges it started are over and their results
// shown (Settle). Does not move the keyboard focus: call Leave on an edit
// first where the window relies on it.
void Click(QAbstractButton* button);
// Clicks and returns at once, with the exchange it started still pending.
void ClickNoWait(QAbstractButton* button);
// Selects an item as the user does: the index changes and activated() fires.
void Select(QComboBox* combo, int index);
// Serves events until the main window's link has nothing queued, running or
// waiting to be shown; false when that takes longer than `timeoutMs`.
bool Settle(int timeoutMs = 10000);
// Runs the event loop for `ms` milliseconds (timers, workers' hand-offs).
void Pump(int ms);

}  // namespace GuiActions
