#include "HostSystem.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace HostSystem {

std::filesystem::path PathOf(const std::string& utf8Path)
{
    return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
}

#ifdef _WIN32

std::FILE* OpenFile(const std::string& utf8Path, const char* mode)
{
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(PathOf(utf8Path).c_str(), wideMode.c_str());
}

bool RenameOver(const std::string& from, const std::string& to)
{
    return MoveFileExW(PathOf(from).c_str(), PathOf(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const std::string& utf8Path) { return DeleteFileW(PathOf(utf8Path).c_str()) != 0; }

std::tm LocalTime(std::time_t t, long* utcOffsetMinutes)
{
    std::tm local{};
    localtime_s(&local, &t);
    if (utcOffsetMinutes) {
        // The local fields read as if they were UTC, less the instant itself.
        std::tm copy = local;
        *utcOffsetMinutes = static_cast<long>((_mkgmtime(&copy) - t) / 60);
    }
    return local;
}

std::tm UtcTime(std::time_t t)
{
    std::tm utc{};
    gmtime_s(&utc, &t);
    return utc;
}

#else

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) { return std::fopen(utf8Path.c_str(), mode); }

bool RenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFile(const std::string& utf8Path) { return std::remove(utf8Path.c_str()) == 0; }

std::tm LocalTime(std::time_t t, long* utcOffsetMinutes)
{
    std::tm local{};
    localtime_r(&t, &local);
    if (utcOffsetMinutes) *utcOffsetMinutes = local.tm_gmtoff / 60;
    return local;
}

std::tm UtcTime(std::time_t t)
{
    std::tm utc{};
    gmtime_r(&t, &utc);
    return utc;
}

#endif

}  // namespace HostSystem
