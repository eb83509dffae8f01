#include "NumberText.h"

#include <cctype>

namespace NumberText {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t AfterSign(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    return i;
}

}  // namespace

bool HasInteger(std::string_view text)
{
    const size_t i = AfterSign(text);
    return i < text.size() && IsDigit(text[i]);
}

bool HasDecimal(std::string_view text)
{
    const size_t i = AfterSign(text);
    if (i < text.size() && IsDigit(text[i])) return true;
    return i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1]);
}

bool HasHex(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    // A bare "0x" names no value, although it reads as 0.
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
    return i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
}

}  // namespace NumberText
