#pragma once
// Number texts of the configuration pages (system, safety, reciprocating):
// how a register value is shown and how a typed text goes back to the drive.
// All of them keep "shown, then sent unchanged" exact: a value shown with d
// decimals is sent back as the same units.

#include <QCoreApplication>
#include <QString>
#include <cstdint>

#include "FloatText.h"
#include "ModbusMaster.h"
#include "TextNumber.h"

namespace ConfigPageText {

// value / 10^decimals with exactly `decimals` places ("%.3f" for thousandths).
inline QString Scaled(double value, int decimals)
{
    double divisor = 1.0;
    for (int i = 0; i < decimals; ++i) divisor *= 10.0;
    return QString::fromStdString(TextNumber::Format("%.*f", decimals, value / divisor));
}

inline QString Signed(uint16_t value) { return QString::number(static_cast<int16_t>(value)); }
inline QString Unsigned(uint32_t value) { return QString::number(value); }

// A float register shown "%f".
inline QString Float(float value) { return QString::fromStdString(TextNumber::Format("%f", static_cast<double>(value))); }

// The text × 10^decimals on its decimal digits, truncated toward zero, low 16 bits.
inline uint16_t ToScaled(const QString& text, int decimals)
{
    return TextNumber::ParseScaledU16(text.toStdString(), decimals);
}

// A decimal integer prefix, low 16 bits.
inline uint16_t ToU16(const QString& text) { return TextNumber::ParseU16(text.toStdString()); }

// A decimal integer prefix, low 32 bits (an unsigned 32-bit field such as the
// travel: 4000000000 must not stop at the signed limit).
inline uint32_t ToU32(const QString& text)
{
    return static_cast<uint32_t>(static_cast<uint64_t>(TextNumber::ParseScaled(text.toStdString(), 0)));
}

inline float ToFloat(const QString& text) { return FloatText::Parse(text.toStdString()); }

// A combo box index as its register: no selection (-1) is sent as 65535.
inline uint16_t IndexRegister(int index) { return static_cast<uint16_t>(index); }

// A register as a combo index; values beyond the item list leave no selection.
inline int RegisterIndex(uint16_t value, int itemCount) { return value < itemCount ? value : -1; }

// The message for a transaction result, as every page shows it.
inline QString ResultMessage(ModbusResult result)
{
    return QCoreApplication::translate("CModbusMaster", CModbusMaster::ResultText(result).c_str());
}

}  // namespace ConfigPageText
