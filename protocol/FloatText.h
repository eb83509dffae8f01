#pragma once
// Float entry fields (the pulse multiplier, the analog correction factor,
// the PID gains): the text is read as a decimal floating-point prefix, taken
// in double precision and narrowed to single precision with rounding to
// nearest. Qt-free, locale-independent.

#include <string_view>

namespace FloatText {

// Leading blanks and one sign allowed, digits with an optional '.' and
// fraction and an optional exponent ("1.23457e+06", as "%g" shows large
// gains), reading stops at the first other character; no digits gives 0.
// Magnitudes beyond the float range give the largest float of that sign.
float Parse(std::string_view text);

}  // namespace FloatText
