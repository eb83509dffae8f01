#pragma once
// zoric-cli's commands on the drive link. Exit codes: 0 success; 1 a drive
// exception, a bad response or a load the drive's state refuses; 2 bad
// arguments; 3 no port (cannot be opened, or not open); 4 time-out; 5 SDO
// abort; 6 a procedure ended without success; 7 diff found differences;
// 8 a scan found no drive; 9 the port was lost under a command (its device
// went away); 10 a configuration file that is not valid or cannot be read or
// written; 11 a load not confirmed; 12 some of the drives of --slaves
// failed; 130 interrupted (Ctrl-C) while a procedure, a read or a load of the
// drive ran.

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace Cli {

constexpr int kExitOk = 0;
constexpr int kExitDriveError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoPort = 3;
constexpr int kExitTimeout = 4;
constexpr int kExitSdoAbort = 5;
constexpr int kExitProcedureFailed = 6;
constexpr int kExitDiffer = 7;
// scan: no drive answered.
constexpr int kExitNoDrive = 8;
// The port closed or its device gone under a command.
constexpr int kExitLostLine = 9;
constexpr int kExitInvalidFile = 10;
constexpr int kExitNotConfirmed = 11;
// --slaves: the command failed on some of the drives (the report names them).
constexpr int kExitSomeFailed = 12;
constexpr int kExitInterrupted = 130;

// Runs one command line (without the program name). `interrupted` is set by
// the caller's Ctrl-C handler; long commands stop cleanly when it is set.
int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& interrupted);

}  // namespace Cli
