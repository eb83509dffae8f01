#pragma once
// "Store parameters" of the drive's object dictionary: the signature "save"
// written to 0x1010 sub-index 1 makes the drive keep its settings.

#include <cstdint>

#include "SdoStep.h"

class CModbusMaster;

namespace ParameterStore {

constexpr uint16_t kObject = 0x1010;
constexpr uint8_t kSubindex = 1;
// The letters s, a, v, e from the lowest byte up.
constexpr uint32_t kSignature = 0x65766173;

SdoStep Store(CModbusMaster& master, uint8_t slave);

}  // namespace ParameterStore
