#pragma once
// Whether an entry field holds a number at all, for the writes that must not
// send a value the user never gave. The values themselves come from
// TextNumber; these only tell "no number here" from "0".

#include <string_view>

namespace NumberText {

// Blanks, an optional sign, then a digit.
bool HasInteger(std::string_view text);
// Blanks, an optional sign, then a digit or '.' and a digit.
bool HasDecimal(std::string_view text);
// A hexadecimal digit after blanks and an optional "0x".
bool HasHex(std::string_view text);

}  // namespace NumberText
