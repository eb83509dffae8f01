#include "PortOpenError.h"

#include "PortNames.h"

#ifdef _WIN32

#include <windows.h>

PortOpenReason OpenReasonOf(int error)
{
    switch (error) {
    case 0: return PortOpenReason::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEVICE_NOT_CONNECTED: return PortOpenReason::NoDevice;
    // A COM port another program holds open refuses the next opener with
    // "access denied": the port has no permissions of its own.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return PortOpenReason::InUse;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_PARAMETER: return PortOpenReason::SettingsNotSupported;
    default: return PortOpenReason::Other;
    }
}

std::string SystemErrorText(int error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (length > 0 && text) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        out.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
        if (bytes > 0)
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), bytes, nullptr, nullptr);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
            out.pop_back();
    }
    if (text) LocalFree(text);
    return out.empty() ? "error " + std::to_string(error) : out;
}

int LockHolderOf(const std::string&)
{
    return 0;  // Windows does not say which program holds a port
}

void AddOpenFailureDetails(PortOpenError&) {}

#else

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

std::string SystemErrorText(int error) { return std::strerror(error); }

PortOpenReason OpenReasonOf(int error)
{
    switch (error) {
    case 0: return PortOpenReason::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:  // a serial device node with no UART behind it
    case ENOTDIR: return PortOpenReason::NoDevice;
    case EACCES:
    case EPERM: return PortOpenReason::PermissionDenied;
    case EBUSY:  // held exclusively by another program
    case EWOULDBLOCK: return PortOpenReason::InUse;
    case ENOTTY: return PortOpenReason::NotSerial;
    default: return PortOpenReason::Other;
    }
}

int LockHolderOf(const std::string& device)
{
    struct stat st {};
    if (device.empty() || stat(device.c_str(), &st) != 0) return 0;
    // Lines such as "1: FLOCK  ADVISORY  WRITE 1186 00:1a:3 0 EOF": the
    // holder's pid, then the file system's major:minor in hex and the inode.
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        int pid = 0;
        if (!(fields >> number >> kind)) continue;
        if (kind == "->") continue;  // a waiter, not a holder
        if (!(fields >> mode >> access >> pid >> where)) continue;
        unsigned fsMajor = 0, fsMinor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &fsMajor, &fsMinor, &inode) != 3) continue;
        if (fsMajor == major(st.st_dev) && fsMinor == minor(st.st_dev) && inode == st.st_ino) return pid;
    }
    return 0;
}

namespace {

std::string CommandName(int pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

void AddOpenFailureDetails(PortOpenError& error)
{
    switch (error.reason) {
    case PortOpenReason::InUse:
        error.holderPid = LockHolderOf(error.device);
        if (error.holderPid > 0) error.holderName = CommandName(error.holderPid);
        break;
    case PortOpenReason::PermissionDenied: {
        struct stat st {};
        if (stat(error.device.c_str(), &st) == 0 && st.st_gid != 0) {
            group entry{};
            group* found = nullptr;
            char buffer[1024];
            if (getgrgid_r(st.st_gid, &entry, buffer, sizeof buffer, &found) == 0 && found)
                error.deviceGroup = found->gr_name;
        }
        // Serial adapters belong to "dialout" on Debian and its kin.
        if (error.deviceGroup.empty()) error.deviceGroup = "dialout";
        break;
    }
    default: break;
    }
}

#endif

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
