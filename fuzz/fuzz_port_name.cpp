// Any text typed as a port name: its kind, a network port's host and port,
// and a sim:// name's options must be told apart without reading past the
// text or accepting what does not fit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PortNames.h"
#include "SimOptions.h"
#include "SimulatedPort.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const PortKind kind = PortKindOf(name);
    NetworkPort network;
    if (ParseNetworkPort(name, network)) {
        if (kind != PortKind::ModbusTcp && kind != PortKind::RtuOverTcp) std::abort();
        if (network.host.empty() || network.port == 0) std::abort();
    }
    zoric::sim::SimOptions options;
    std::string error;
    const bool parsed = SimulatedPort::ParseOptions(name, options, error);
    if (parsed && kind != PortKind::Simulated) std::abort();
    if (!parsed && error.empty()) std::abort();
    if (parsed && (options.slaveAddress < 1 || options.slaveAddress > 247)) std::abort();
    (void)ComNumber(name);
    (void)HasLineSettings(name);
    return 0;
}
