#pragma once
// Texts between the Qt-free modules and the windows: UTF-8 std::string to
// and from QString, and the drive link's result and abort texts. Those come
// from protocol/ already in the user's language (protocol/Language.h), so
// they are not in the windows' translation file.

#include <QString>
#include <cstdint>
#include <string>

#include "ModbusMaster.h"

namespace QtText {

inline std::string Std(const QString& text) { return text.toStdString(); }
inline QString Qs(const std::string& text) { return QString::fromStdString(text); }

inline QString ResultMessage(ModbusResult result) { return Qs(CModbusMaster::ResultText(result)); }

// "对象字典中对象不存在 (0x06020000)" and the like, for an SDO abort code.
inline QString AbortMessage(uint32_t code) { return Qs(CModbusMaster::SdoAbortText(code)); }

}  // namespace QtText
