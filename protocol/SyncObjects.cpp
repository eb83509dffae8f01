#include "SyncObjects.h"

#include <cstddef>

namespace SyncObjects {
namespace {

constexpr std::array<uint16_t, kCount> kObjects = {kCobIdObject, kCyclePeriodObject, kWindowLengthObject};

}  // namespace

Reading Read(CModbusMaster& master, uint8_t slave)
{
    Reading read;
    for (const uint16_t index : kObjects) {
        read.step = SdoStep::Read(master, slave, index, 0);
        if (!read.step.Ok()) break;
        read.values[static_cast<std::size_t>(read.count++)] = read.step.Value();
    }
    return read;
}

SdoStep Write(CModbusMaster& master, uint8_t slave, const Values& values)
{
    SdoStep step;
    for (std::size_t i = 0; i < kObjects.size() && step.Ok(); ++i)
        step = SdoStep::Run(master, slave, Sdo::kDownload4, kObjects[i], 0, values[i]);
    return step;
}

}  // namespace SyncObjects
