#include "LinkTransport.h"

#include <array>
#include <atomic>

#include "SerialTransport.h"
#include "TcpTransport.h"

namespace {

std::unique_ptr<ILinkTransport> MakeBuiltIn(PortKind kind)
{
    switch (kind) {
    case PortKind::Serial: return std::make_unique<CSerialTransport>();
    case PortKind::ModbusTcp:
    case PortKind::RtuOverTcp: return std::make_unique<CTcpTransport>(kind);
    case PortKind::Simulated: break;
    }
    return nullptr;
}

std::array<std::atomic<TransportMaker>, kPortKinds>& Makers()
{
    static std::array<std::atomic<TransportMaker>, kPortKinds> makers{MakeBuiltIn, MakeBuiltIn, MakeBuiltIn, nullptr};
    return makers;
}

}  // namespace

void RegisterTransport(PortKind kind, TransportMaker make) { Makers()[static_cast<size_t>(kind)] = make; }

std::unique_ptr<ILinkTransport> MakeTransport(PortKind kind)
{
    const TransportMaker make = Makers()[static_cast<size_t>(kind)].load();
    return make ? make(kind) : nullptr;
}
