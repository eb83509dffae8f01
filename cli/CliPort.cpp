#include "CliPort.h"

#include <ostream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "PortNames.h"
#include "PortOpenError.h"

namespace Cli {

bool OpenCommandPort(CModbusMaster& master, const CliArguments& a, std::ostream& err)
{
    if (master.OpenPort(a.port, a.baud, a.parity)) return true;
    err << Localized("打开串口失败") << ": " << a.port << ": " << OpenFailureText(master.LastOpenError()) << "\n";
    return false;
}

int CheckLostLine(const CModbusMaster& master, int code, std::ostream& err)
{
    if (!master.IsPortLost()) return code;
    if (IsNetworkPort(master.PortName()))
        err << "zoric-cli: lost the port " << master.PortName()
            << ": the far end closed the connection; nothing more was sent\n";
    else
        err << "zoric-cli: lost the port " << master.PortName()
            << ": its device hung up (unplugged or switched off); nothing more was sent\n";
    return kExitLostLine;
}

}  // namespace Cli
