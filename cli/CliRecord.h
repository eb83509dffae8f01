#pragma once
// zoric-cli record FILE [--interval MS] [--duration S] [--channels LIST]:
// the live status into a CSV file until Ctrl-C or the duration's end.

#include <atomic>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace Cli {

// The command line's exit code when it is a record command; nullopt for
// any other, which Run then handles as usual.
std::optional<int> RunRecord(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
                             const std::atomic<bool>& interrupted);

}  // namespace Cli
