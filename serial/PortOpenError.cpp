#include "PortOpenError.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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
            group entry {};
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
