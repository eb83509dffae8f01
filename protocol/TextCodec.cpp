#include "TextCodec.h"

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

std::string Utf8ToGbk(const std::string& text)
{
    return Convert("GBK", "UTF-8", text.data(), text.size(), "?", 1);
}
