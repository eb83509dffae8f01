#pragma once
// The number rules of every entry field and display, shared by the windows
// and zoric-cli. Text is UTF-8; nothing here has undefined behaviour on any
// input (overflow saturates, garbage gives 0).

#include <cstdint>
#include <string>
#include <string_view>

namespace TextNumber {

// Decimal integer prefix: leading blanks and one sign allowed, digits up to
// the first non-digit; no digits gives 0. Saturates at the 32-bit limits.
int32_t ParseInt(std::string_view text);

// Low 16 bits of ParseInt, as integer fields send them (70000 -> 4464).
uint16_t ParseU16(std::string_view text);

// Hexadecimal prefix with an optional "0x"/"0X" (blanks allowed before it);
// no digits gives false and leaves `value`. Saturates at 0xFFFFFFFF.
bool ParseHex(std::string_view text, uint32_t& value);

// A decimal number text (blanks, sign, digits, optional '.' and fraction)
// multiplied by 10^decimals on its decimal digits and truncated toward zero:
// ("2.01", 2) -> 201, ("2.0105", 3) -> 2010, ("-0.5", 3) -> -500. No digits
// gives 0. Saturates at the 64-bit limits.
int64_t ParseScaled(std::string_view text, int decimals);

// ParseScaled narrowed to the register: its low 16 bits (-0.5 at x1000 -> 65036).
uint16_t ParseScaledU16(std::string_view text, int decimals);

// Whether an entry field holds a number at all, for the writes that must not
// send a value the user never gave; the parsers above read "no number" as 0.
// Blanks, an optional sign, then a digit.
bool HasInteger(std::string_view text);
// Blanks, an optional sign, then a digit or '.' and a digit.
bool HasDecimal(std::string_view text);
// A hexadecimal digit after blanks and an optional "0x"; a bare "0x" names no
// value, although ParseHex reads it as 0.
bool HasHex(std::string_view text);

// printf-style formatting into a std::string.
#ifdef __MINGW32__
// MinGW's C99 printf (__USE_MINGW_ANSI_STDIO), not the system's older one.
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

}  // namespace TextNumber
