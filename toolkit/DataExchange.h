#pragma once
// Data exchange between a window's stored values and its controls, the way
// every window of the tool does it: one UpdateData(bool fromControls) per
// window that moves texts, indices and check states in one direction, and
// applies the edits' length limits when writing to them.

#include <QString>

class QLineEdit;
class QComboBox;
class QAbstractButton;
class QSlider;

namespace DataExchange {

// fromControls: control → value; otherwise value → control. A value read
// back from the drive that is longer than the edit's limit is shown whole
// (the limit grows to fit): cutting it would send a different value back.
void Text(bool fromControls, QLineEdit* edit, QString& value);
void Index(bool fromControls, QComboBox* combo, int& value);      // -1 = no selection
void Check(bool fromControls, QAbstractButton* box, int& value);  // 0/1
void Position(bool fromControls, QSlider* slider, int& value);

}  // namespace DataExchange
