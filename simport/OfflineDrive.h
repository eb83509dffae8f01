#pragma once
// A drive configuration file edited with no drive attached: a simulated
// drive inside the tool holds the file's settings, in the file's shape (its
// RPDOs' entries, its speed unit, its identity), so that every page, check
// and message works on it as on a drive; what it holds then goes back into
// the file under exactly the file's keys.

#include <string>

#include "ConfigFile.h"

namespace zoric::sim {
class CSimulatedLine;
}

namespace OfflineDrive {

// Puts the file's identity and settings into the first drive of `line`.
// False (with the key in `why`) for a setting the drive has no place for.
bool Hold(zoric::sim::CSimulatedLine& line, const Backup::Configuration& file, std::string& why);

// A sim:// name of a new drive of the file's shape holding the file; empty
// (and the reason in `why`) when it cannot hold it.
std::string Open(const Backup::Configuration& file, std::string& why);

// The file as edited: the values a drive holds now (`held`, as read from
// it) under exactly the file's keys, the file's identity and format kept.
Backup::Configuration Edited(const Backup::Configuration& file, const Backup::Values& held);

}  // namespace OfflineDrive
