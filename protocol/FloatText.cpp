#include "FloatText.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace FloatText {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

float Parse(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    const size_t start = i;
    bool anyDigit = false;
    bool nonzeroInteger = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        anyDigit = true;
        nonzeroInteger = nonzeroInteger || text[i] != '0';
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i) anyDigit = true;
    }
    if (!anyDigit) return 0.0f;
    // An exponent counts only when digits follow it ("1e" is 1).
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < text.size() && IsDigit(text[e])) {
            while (e < text.size() && IsDigit(text[e])) ++e;
            i = e;
        }
    }

    // from_chars, unlike strtod, ignores the process locale: "1.5" is 1.5
    // whatever decimal separator the desktop uses.
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
    (void)end;
    constexpr double kMax = std::numeric_limits<float>::max();
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: which one, strtod in the C
        // locale tells (it gives infinity or 0 rather than failing).
        const std::string span(text.data() + start, i - start);
#ifdef _WIN32
        static const _locale_t cLocale = _create_locale(LC_ALL, "C");
        value = cLocale ? _strtod_l(span.c_str(), nullptr, cLocale) : (nonzeroInteger ? kMax : 0.0);
#else
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
        value = cLocale ? strtod_l(span.c_str(), nullptr, cLocale) : (nonzeroInteger ? kMax : 0.0);
#endif
    } else if (error != std::errc()) {
        return 0.0f;
    }
    // Narrowing a double beyond the float range is undefined; hold it at the limit.
    if (value > kMax) value = kMax;
    if (value == 0.0) return 0.0f;                     // never send a negative zero
    const float narrowed = static_cast<float>(value);  // round to nearest
    return negative ? -narrowed : narrowed;
}

}  // namespace FloatText
