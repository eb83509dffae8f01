#pragma once
// zoric-cli listen [--duration S]: the frames other masters and slaves put on
// the line, one trace line each on the standard output; the tool sends
// nothing.

#include <atomic>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace Cli {

// The command line's exit code when it is a listen command; nullopt for any
// other.
std::optional<int> RunListen(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                             const std::atomic<bool>& interrupted);

}  // namespace Cli
