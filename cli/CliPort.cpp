#include "CliPort.h"

#include <ostream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "PortNames.h"

namespace Cli {
namespace {

// What the name stood for, where that is not plain: "COM4 is /dev/ttyS3
// (nothing published as /run/user/1000/zoric-com/COM4)".
std::string Resolution(const PortOpenError& e)
{
    if (e.device.empty() || e.device == e.name) return e.device.empty() ? e.name : e.device;
    std::string text = e.name + " is " + e.device;
    const uint32_t com = ComNumber(e.name);
    const std::string link = com != 0 ? ComLinkPath(com) : std::string();
    if (!link.empty() && e.device != link) text += " (nothing published as " + link + ")";
    return text;
}

}  // namespace

std::string OpenFailureText(const PortOpenError& e)
{
    switch (e.reason) {
    case PortOpenReason::None: return "opened";
    case PortOpenReason::NoDevice: return "no such device: " + Resolution(e);
    case PortOpenReason::InUse: {
        std::string text = "in use by another program";
        if (e.holderPid > 0)
            text += " (" + (e.holderName.empty() ? std::string("pid ") : e.holderName + ", pid ") +
                    std::to_string(e.holderPid) + ")";
        return text;
    }
    case PortOpenReason::PermissionDenied:
        return "permission denied on " + (e.device.empty() ? e.name : e.device) + ": add your user to the '" +
               e.deviceGroup + "' group (sudo usermod -aG " + e.deviceGroup + " $USER) and log in again";
    case PortOpenReason::SettingsNotSupported: return "settings not supported by the port: " + e.mode;
    case PortOpenReason::NotSerial: return Resolution(e) + " is not a serial port";
    case PortOpenReason::BadAddress:
        return "not a network port: " + e.name + " (tcp://HOST[:PORT] or rtu+tcp://HOST:PORT)";
    case PortOpenReason::HostNotFound: return "host not found: " + e.device;
    case PortOpenReason::Refused: return "connection refused by " + e.device;
    case PortOpenReason::Unreachable: return "no route to " + e.device;
    case PortOpenReason::TimedOut: return "no connection to " + e.device + " within the response time-out";
    case PortOpenReason::ConnectionLost: return e.device + " closed the connection";
    case PortOpenReason::BadOptions: return "an option the simulated drive does not have: " + e.device;
    case PortOpenReason::Other: break;
    }
    return SystemErrorText(e.error) + " (" + Resolution(e) + ")";
}

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
