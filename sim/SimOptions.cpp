#include "SimOptions.h"

#include <cstddef>

namespace zoric::sim {

int ParityIndex(char parity, int stopBits)
{
    switch (parity) {
    case 'O':
    case 'o': return 1;
    case 'E':
    case 'e': return 2;
    default: return stopBits == 1 ? 3 : 0;
    }
}

bool ParityFromIndex(int index, char& parity, int& stopBits)
{
    static constexpr struct {
        char parity;
        int stopBits;
    } kFramings[] = {{'N', 2}, {'O', 1}, {'E', 1}, {'N', 1}};
    if (index < 0 || index > 3) return false;
    const auto& framing = kFramings[static_cast<std::size_t>(index)];
    parity = framing.parity;
    stopBits = framing.stopBits;
    return true;
}

}  // namespace zoric::sim
