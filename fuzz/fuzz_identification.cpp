// Any identification object block: the walk must stay inside the block and
// produce valid UTF-8 whatever the drive sends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ModbusMaster.h"

namespace {

bool ValidUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 255) size = 255;  // the block buffer's length
    std::string text;
    CModbusMaster::AppendIdentificationObjects(data, size, text);
    if (!ValidUtf8(text)) abort();
    return 0;
}
