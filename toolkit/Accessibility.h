#pragma once
// Names for screen readers and UI automation. An input the .ui gives a
// label (the label's buddy) takes the label's words as its accessible name,
// so that it is announced as "Rated motor current", not as its group box.

class QWidget;

namespace Accessibility {

// Every input under `root` named by a label and without a name of its own
// gets the label's text (without its mnemonic and colon) as its accessible
// name. Call after setupUi, in the language the window is built in.
void NameInputsFromLabels(QWidget* root);

}  // namespace Accessibility
