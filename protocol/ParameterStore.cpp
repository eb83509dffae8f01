#include "ParameterStore.h"

namespace ParameterStore {

SdoStep Store(CModbusMaster& master, uint8_t slave)
{
    return SdoStep::Run(master, slave, Sdo::kDownload4, kObject, kSubindex, kSignature);
}

}  // namespace ParameterStore
