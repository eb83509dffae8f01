#pragma once
// The drive configuration file: JSON text a person can read, edit and diff.
// A format name and version, when and by what it was made, the drive it came
// from, then each group and in it each setting under its key with its raw
// value and, beside it, the value as the page shows it. Only the raw values
// are loaded. Keys and every word the tool writes are ASCII and never follow
// the user's language; the shown values of lists are the page's item texts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigItems.h"

namespace Backup {

inline constexpr const char* kFormatName = "zoric-drive-configuration";
inline constexpr int kFormatVersion = 1;

// What the drive says about itself, as the device-information panel shows it.
struct DriveIdentity {
    std::string identifier;  // "0x1234"
    std::string version;     // "2.03"
    std::string model;
    bool operator==(const DriveIdentity&) const = default;
};

struct Configuration {
    std::string created;  // UTC, ISO 8601
    std::string tool;     // what made the file, with its version
    DriveIdentity drive;
    Values values;  // an object the drive did not have is absent
};

std::string ToText(const Configuration& config);

enum class FileError : uint8_t {
    None,
    Unreadable,   // the file cannot be read
    Syntax,       // not JSON (truncated, garbled)
    NotConfig,    // JSON, but not a drive configuration
    NewerFormat,  // made by a newer tool
    UnknownKey,
    MissingKey,
    BadValue,  // not of the setting's type or range, or not one of its list items
};

struct FileProblem {
    FileError error = FileError::None;
    std::string key;     // the key concerned, when there is one
    int line = 0;        // 1-based; 0 when unknown
    std::string detail;  // English, for the command line and as a detail to the windows' text
};

struct ParsedFile {
    std::optional<Configuration> config;
    FileProblem problem;
};

// The whole text is checked before anything is taken: any problem, and there
// is no configuration.
ParsedFile Parse(std::string_view text);
ParsedFile ReadFile(const std::string& path);
// Writes through a temporary file beside it, so a failed write never leaves
// half a file under the name. False with `error` set on failure.
bool WriteFile(const std::string& path, const Configuration& config, std::string& error);
// The name of one drive's file among several: by address and identifier
// ("slave-003-0x2408.json").
std::string DriveFileName(uint8_t slave, const std::string& identifier);

// A problem in one line of English: "motor.rated_current (line 42): ...".
std::string Describe(const FileProblem& problem);

// A raw value as the file writes it: signed words signed, floats as numbers,
// several registers as a list.
std::string RawText(const Item& item, uint64_t raw);

// The current time as the file records it.
std::string NowUtc();

}  // namespace Backup
