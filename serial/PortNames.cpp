#include "PortNames.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <devguid.h>
#include <setupapi.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32

std::string ComLinkDirectory() { return {}; }

std::string ComLinkPath(uint32_t) { return {}; }

std::string ComPortDevice(uint32_t portNumber) { return "\\\\.\\COM" + std::to_string(portNumber); }

#else

std::string ComLinkDirectory()
{
    if (const char* dir = std::getenv("ZORIC_COM_DIR"); dir && *dir) return dir;
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    return std::string(run && *run ? run : "/tmp") + "/zoric-com";
}

std::string ComLinkPath(uint32_t portNumber) { return ComLinkDirectory() + "/COM" + std::to_string(portNumber); }

std::string ComPortDevice(uint32_t portNumber)
{
    std::string link = ComLinkPath(portNumber);
    std::error_code ec;
    if (fs::exists(link, ec)) return link;
    return "/dev/ttyS" + std::to_string(portNumber == 0 ? 0 : portNumber - 1);
}

#endif

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

namespace {

constexpr char kModbusTcpScheme[] = "tcp://";
constexpr char kRtuOverTcpScheme[] = "rtu+tcp://";
constexpr char kSimulatedScheme[] = "sim://";

bool StartsWith(const std::string& text, const char* prefix)
{
    const size_t n = std::char_traits<char>::length(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

PortKind PortKindOf(const std::string& name)
{
    if (StartsWith(name, kModbusTcpScheme)) return PortKind::ModbusTcp;
    if (StartsWith(name, kRtuOverTcpScheme)) return PortKind::RtuOverTcp;
    if (StartsWith(name, kSimulatedScheme)) return PortKind::Simulated;
    return PortKind::Serial;
}

bool ParseNetworkPort(const std::string& name, NetworkPort& out)
{
    const PortKind kind = PortKindOf(name);
    if (kind != PortKind::ModbusTcp && kind != PortKind::RtuOverTcp) return false;
    const std::string rest =
        name.substr(std::char_traits<char>::length(kind == PortKind::ModbusTcp ? kModbusTcpScheme : kRtuOverTcpScheme));
    std::string host;
    std::string port;
    bool hasPort = false;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos) return false;
        host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') return false;
            port = after.substr(1);
            hasPort = true;
        }
    } else {
        const size_t colon = rest.find(':');
        if (colon != std::string::npos) {
            if (rest.find(':', colon + 1) != std::string::npos) return false;  // IPv6 wants brackets
            port = rest.substr(colon + 1);
            hasPort = true;
        }
        host = rest.substr(0, colon);
    }
    if (host.empty() || host.size() > 253) return false;
    for (const char c : host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '[' || c == ']') return false;
    uint32_t number = kind == PortKind::ModbusTcp ? 502 : 0;
    if (hasPort) {
        if (port.empty() || port.size() > 5) return false;
        number = 0;
        for (const char c : port) {
            if (c < '0' || c > '9') return false;
            number = number * 10 + static_cast<uint32_t>(c - '0');
        }
    }
    if (number == 0 || number > 65535) return false;  // a device server's port is never implied
    out.kind = kind;
    out.host = host;
    out.port = static_cast<uint16_t>(number);
    return true;
}

#ifdef _WIN32

namespace {

std::string Utf8(const wchar_t* text, size_t length)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::vector<std::string> ListSerialDevices()
{
    std::vector<std::string> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[64];
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r =
            RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataBytes / sizeof(wchar_t)] = L'\0';
        const std::string name = Utf8(data, wcslen(data));
        if (ComNumber(name) != 0 && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
    }
    RegCloseKey(key);
    std::sort(out.begin(), out.end(),
              [](const std::string& a, const std::string& b) { return ComNumber(a) < ComNumber(b); });
    return out;
}

std::string SerialPortLabel(const std::string& name)
{
    const uint32_t number = ComNumber(name);
    if (number == 0) return name;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return name;
    std::string label = name;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t port[64] = {};
        DWORD bytes = sizeof port - sizeof(wchar_t);
        DWORD type = 0;
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &bytes) ==
                               ERROR_SUCCESS &&
                           type == REG_SZ;
        RegCloseKey(key);
        if (!named || ComNumber(Utf8(port, wcslen(port))) != number) continue;
        wchar_t friendly[256] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                              nullptr))
            label = Utf8(friendly, wcslen(friendly));
        break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return label;
}

#else

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

std::string SerialPortLabel(const std::string& name) { return name; }

#endif
