#include "SimOptions.h"

namespace zoric::sim {

int ParityIndex(char parity, int stopBits)
{
    switch (parity) {
    case 'O':
    case 'o':
        return 1;
    case 'E':
    case 'e':
        return 2;
    default:
        return stopBits == 1 ? 3 : 0;
    }
}

}  // namespace zoric::sim
