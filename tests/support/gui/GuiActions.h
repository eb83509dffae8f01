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
T* Find(const QWidget* root, const char* name) {
    return root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

// Replaces the text as typing would (the edit's length limit applies) and
// does not leave the field.
void Type(QLineEdit* edit, const QString& text);
// Sends the field a focus-out, as tabbing or clicking elsewhere does.
void Leave(QWidget* widget);
// Type, then Leave: the usual "enter a value and move on".
void Enter(QLineEdit* edit, const QString& text);
// Clicks a button (push button, check box, radio button). Does not move the
// keyboard focus: call Leave on an edit first where the window relies on it.
void Click(QAbstractButton* button);
// Selects an item as the user does: the index changes and activated() fires.
void Select(QComboBox* combo, int index);
// Runs the event loop for `ms` milliseconds (timers, workers' hand-offs).
void Pump(int ms);

}  // namespace GuiActions
