#pragma once
// What differs between Linux and Windows for the Qt-free code's files and
// clocks, in one place: file names are UTF-8 everywhere in the tree and are
// opened wide on Windows, a file is replaced by renaming over it, and the
// local time comes with its offset from UTC.

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace HostSystem {

// The path of a UTF-8 file name, for the standard streams.
std::filesystem::path PathOf(const std::string& utf8Path);
// fopen with a UTF-8 file name.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);
// Moves `from` over `to`, replacing it in one step where the system can.
bool RenameOver(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& utf8Path);

// Local time of `t`, and its offset from UTC in minutes (east positive).
std::tm LocalTime(std::time_t t, long* utcOffsetMinutes = nullptr);
std::tm UtcTime(std::time_t t);

}  // namespace HostSystem
