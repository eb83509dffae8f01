#pragma once
// zoric-cli scan [--slaves A-B] [--bauds LIST|all] [--parities LIST|all]
// [--timeout MS]: one line per drive found on the standard output, the
// progress on the error stream.

#include <atomic>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace Cli {

// The command line's exit code when it is a scan command; nullopt for any
// other, which Run then handles as usual.
std::optional<int> RunScan(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                           const std::atomic<bool>& interrupted);

}  // namespace Cli
