#include "TextCodec.h"

#ifdef _WIN32

#include <windows.h>

namespace {

constexpr UINT kGbk = 936;

void AppendUtf8(std::string& out, const wchar_t* wide, int count)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, wide, count, out.data() + at, bytes, nullptr, nullptr);
}

}  // namespace

// One character at a time, so that a bad sequence costs one replacement and
// one byte, as on Linux.
std::string GbkToUtf8(const char* bytes, size_t length)
{
    std::string out;
    out.reserve(length * 3 / 2 + 8);
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < length) {
        if (b[i] < 0x80) {
            out += static_cast<char>(b[i++]);
            continue;
        }
        wchar_t wide[2];
        const int n = i + 1 < length && b[i] >= 0x81 && b[i] <= 0xFE
                          ? MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes + i, 2, wide, 2)
                          : 0;
        if (n == 1) {
            AppendUtf8(out, wide, 1);
            i += 2;
        } else {
            out += "\xEF\xBF\xBD";
            i += 1;
        }
    }
    return out;
}

std::string Utf8ToGbk(const std::string& text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t step = 1;
        while (i + step < text.size() && (static_cast<unsigned char>(text[i + step]) & 0xC0) == 0x80) ++step;
        wchar_t wide[2];
        const int n =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data() + i, static_cast<int>(step), wide, 2);
        char gbk[4];
        BOOL defaulted = FALSE;
        const int m =
            n > 0 ? WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide, n, gbk, sizeof gbk, nullptr, &defaulted) : 0;
        if (m > 0 && !defaulted) out.append(gbk, static_cast<size_t>(m));
        else out += '?';
        i += step;
    }
    return out;
}

#else

#include <cerrno>
#include <iconv.h>

namespace {

// iconv with one replacement for each bad input sequence.
std::string Convert(const char* to, const char* from, const char* bytes, size_t length, const char* replacement,
                    size_t badStep)
{
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes, length);
    out.reserve(length * 3 / 2 + 8);
    char* in = const_cast<char*>(bytes);
    size_t inLeft = length;
    char buf[256];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a truncated sequence at the end): replace and skip.
            out += replacement;
            size_t skip = std::min(badStep, inLeft);
            if (from[0] == 'U') {  // skip one whole UTF-8 character
                skip = 1;
                while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
            }
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string GbkToUtf8(const char* bytes, size_t length)
{
    return Convert("UTF-8", "GBK", bytes, length, "\xEF\xBF\xBD", 1);
}

std::string Utf8ToGbk(const std::string& text) { return Convert("GBK", "UTF-8", text.data(), text.size(), "?", 1); }

#endif
