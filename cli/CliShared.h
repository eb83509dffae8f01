#pragma once
// What zoric-cli's command files share: the usage and help texts, the exit
// code of a link result, and the commands kept in files of their own.

#include <atomic>
#include <functional>
#include <iosfwd>
#include <string>

#include "ModbusResult.h"

class CModbusMaster;
struct CliArguments;
struct SdoStep;

namespace Cli {

// Opens the port named on the command line; false (with the reason printed)
// when it cannot.
using Connect = std::function<bool()>;

int ExitCodeFor(ModbusResult r);
// Prints the result text and returns its exit code.
int Fail(std::ostream& err, ModbusResult r);
// The link's failure, or the drive's abort in words.
int SdoFailure(std::ostream& err, const SdoStep& step);
// Prints the reason and the help (the general usage when none), returns 2.
int Usage(std::ostream& err, const std::string& why, const char* help = nullptr);
const char* HelpFor(const std::string& command);

// Drive configuration files: CliConfigCommands.cpp.
int CmdBackup(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err,
              const std::atomic<bool>& interrupted);
int CmdRestore(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& interrupted);
int CmdDiff(CModbusMaster& m, const Connect& connect, const CliArguments& a, std::ostream& out, std::ostream& err,
            const std::atomic<bool>& interrupted);

}  // namespace Cli
