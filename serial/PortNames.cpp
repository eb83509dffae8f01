#include "PortNames.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::string ComLinkDirectory()
{
    if (const char* dir = std::getenv("ZORIC_COM_DIR"); dir && *dir) return dir;
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    return std::string(run && *run ? run : "/tmp") + "/zoric-com";
}

std::string ComLinkPath(uint32_t portNumber)
{
    return ComLinkDirectory() + "/COM" + std::to_string(portNumber);
}

std::string ComPortDevice(uint32_t portNumber)
{
    std::string link = ComLinkPath(portNumber);
    std::error_code ec;
    if (fs::exists(link, ec)) return link;
    return "/dev/ttyS" + std::to_string(portNumber == 0 ? 0 : portNumber - 1);
}

uint32_t ComNumber(const std::string& name)
{
    if (name.size() <= 3 || name.size() > 7 || (name[0] != 'C' && name[0] != 'c') ||
        (name[1] != 'O' && name[1] != 'o') || (name[2] != 'M' && name[2] != 'm'))
        return 0;
    uint32_t n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + static_cast<uint32_t>(name[i] - '0');
    }
    return n;
}

std::string ResolvePortName(const std::string& name)
{
    const uint32_t n = ComNumber(name);
    return n >= 1 ? ComPortDevice(n) : name;
}

std::vector<std::string> ListSerialDevices()
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/dev", ec)) {
        std::string n = e.path().filename().string();
        if (n.rfind("ttyUSB", 0) == 0 || n.rfind("ttyACM", 0) == 0) out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    std::vector<std::string> byId;
    for (const auto& e : fs::directory_iterator("/dev/serial/by-id", ec)) byId.push_back(e.path().string());
    std::sort(byId.begin(), byId.end());
    out.insert(out.end(), byId.begin(), byId.end());
    return out;
}
