#include "TextNumber.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

namespace TextNumber {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

size_t SkipBlanks(std::string_view text, size_t i)
{
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

// Reads an optional sign at `i`; true when it was '-'.
bool ReadSign(std::string_view text, size_t& i)
{
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
    return false;
}

// Appends one decimal digit to a magnitude, sticking at `cap`.
void Accumulate(uint64_t& magnitude, int digit, uint64_t cap)
{
    if (magnitude > (cap - static_cast<uint64_t>(digit)) / 10) {
        magnitude = cap;
    } else {
        magnitude = magnitude * 10 + static_cast<uint64_t>(digit);
    }
}

}  // namespace

int32_t ParseInt(std::string_view text)
{
    size_t i = SkipBlanks(text, 0);
    const bool negative = ReadSign(text, i);
    // One past the limit on the negative side: -2147483648 is representable.
    const uint64_t cap = negative ? uint64_t{1} << 31 : uint64_t{std::numeric_limits<int32_t>::max()};
    uint64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) Accumulate(magnitude, text[i] - '0', cap);
    if (!negative) return static_cast<int32_t>(magnitude);
    return magnitude == (uint64_t{1} << 31) ? std::numeric_limits<int32_t>::min() : -static_cast<int32_t>(magnitude);
}

uint16_t ParseU16(std::string_view text)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(ParseInt(text)) & 0xFFFFu);
}

bool ParseHex(std::string_view text, uint32_t& value)
{
    size_t i = SkipBlanks(text, 0);
    // "0x" counts as a prefix only when a digit follows; a lone "0x" reads as 0.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    uint64_t result = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) break;
        any = true;
        result = result * 16 + static_cast<uint64_t>(digit);
        if (result > 0xFFFFFFFFu) result = 0xFFFFFFFFu;
    }
    if (!any) return false;
    value = static_cast<uint32_t>(result);
    return true;
}

int64_t ParseScaled(std::string_view text, int decimals)
{
    // Beyond this the result is 0 or saturated whatever the digits are.
    constexpr int kMaxShift = 40;
    if (decimals > kMaxShift) decimals = kMaxShift;
    if (decimals < -kMaxShift) decimals = -kMaxShift;

    size_t i = SkipBlanks(text, 0);
    const bool negative = ReadSign(text, i);
    std::string_view integerDigits;
    std::string_view fractionDigits;
    size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    integerDigits = text.substr(start, i - start);
    if (i < text.size() && text[i] == '.') {
        start = ++i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        fractionDigits = text.substr(start, i - start);
    }

    // Move the decimal point `decimals` places to the right on the digits and
    // keep what stands before it: that is the truncation toward zero.
    const long long keep = static_cast<long long>(integerDigits.size()) + decimals;
    const uint64_t cap = negative ? uint64_t{1} << 63 : uint64_t{std::numeric_limits<int64_t>::max()};
    uint64_t magnitude = 0;
    for (long long k = 0; k < keep; ++k) {
        char c = '0';
        const auto pos = static_cast<size_t>(k);
        if (pos < integerDigits.size()) {
            c = integerDigits[pos];
        } else if (pos - integerDigits.size() < fractionDigits.size()) {
            c = fractionDigits[pos - integerDigits.size()];
        }
        Accumulate(magnitude, c - '0', cap);
    }
    if (!negative) return static_cast<int64_t>(magnitude);
    if (magnitude == (uint64_t{1} << 63)) return std::numeric_limits<int64_t>::min();
    return -static_cast<int64_t>(magnitude);
}

uint16_t ParseScaledU16(std::string_view text, int decimals)
{
    return static_cast<uint16_t>(static_cast<uint64_t>(ParseScaled(text, decimals)) & 0xFFFFu);
}

bool HasInteger(std::string_view text)
{
    size_t i = SkipBlanks(text, 0);
    ReadSign(text, i);
    return i < text.size() && IsDigit(text[i]);
}

bool HasDecimal(std::string_view text)
{
    size_t i = SkipBlanks(text, 0);
    ReadSign(text, i);
    if (i < text.size() && IsDigit(text[i])) return true;
    return i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1]);
}

bool HasHex(std::string_view text)
{
    size_t i = SkipBlanks(text, 0);
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
    return i < text.size() && HexDigit(text[i]) >= 0;
}

std::string Format(const char* format, ...)
{
    // Always a decimal point: Qt sets the process locale from the desktop,
    // and a "0,7" shown in a field would be read back as 0 by ParseScaled.
    // (On Windows nothing sets the C library's locale: it stays "C".)
#ifndef _WIN32
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    struct LocaleScope {
        locale_t previous;
        explicit LocaleScope(locale_t l) : previous(l ? uselocale(l) : locale_t{}) {}
        ~LocaleScope()
        {
            if (previous) uselocale(previous);
        }
    } scope(cLocale);
#endif
    char small[128];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string result;
    if (needed < 0) {
        va_end(again);
        return result;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        result.assign(small, static_cast<size_t>(needed));
    } else {
        std::vector<char> big(static_cast<size_t>(needed) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        result.assign(big.data(), static_cast<size_t>(needed));
    }
    va_end(again);
    return result;
}

}  // namespace TextNumber
