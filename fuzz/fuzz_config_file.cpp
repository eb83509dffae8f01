// Any drive configuration file: the check never crashes, and whatever it
// accepts is written back and read again to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Backup::ParsedFile parsed = Backup::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.config) return 0;
    const Backup::ParsedFile again = Backup::Parse(Backup::ToText(*parsed.config));
    if (!again.config || again.config->values != parsed.config->values ||
        !(again.config->drive == parsed.config->drive))
        std::abort();
    return 0;
}
