#pragma once
// What zoric-cli's command files share: what a command runs with, the exit
// code of a link result, and the commands, each in the file of its kind;
// the table that names them (usage, help, options) is CliTable.cpp.

#include <atomic>
#include <iosfwd>
#include <string>
#include <string_view>

#include "ModbusResult.h"
#include "ScriptJson.h"

class CModbusMaster;
struct CliArguments;
struct SdoStep;

namespace Cli {

using ScriptJson::Json;

// What a command runs with.
struct Context {
    CModbusMaster& master;
    const CliArguments& a;
    std::ostream& out;
    std::ostream& err;
    const std::atomic<bool>& interrupted;
    // --json: the command's one document, printed when it ends (null:
    // none). Commands that print one object a line use Line() instead.
    Json& document;

    bool AsJson() const;
    // Where the lines for people go: stdout, or stderr under --json.
    std::ostream& Says() const;
    // The document of a command on one drive: {"slave": N, ...}.
    Json& Drive() const;
    // One object a line, at once.
    void Line(const Json& object) const;

    // Opens the port named on the command line; false (with the reason
    // printed) when it cannot.
    bool Connect() const;
    // The reason, then the command's help on the error stream; exit code 2.
    int Usage(const std::string& why) const;
    // Prints the result text and returns its exit code; under --json the
    // document carries the failure.
    int Fail(ModbusResult r) const;
    // The link's failure, or the drive's abort in words.
    int SdoFailure(const SdoStep& step) const;
    // A configuration file that cannot be used: its name and why.
    int FileFailure(const std::string& path, const std::string& why) const;
};

int ExitCodeFor(ModbusResult r);
// Text that came from a file, fit for the terminal: control characters
// (C0, DEL and the UTF-8 C1 range) could move the cursor or retitle the
// window, and a garbled file could fill the screen.
std::string Printable(std::string_view text);

// The commands (CliTable.cpp lists them): the register and drive commands
// in CliCommands.cpp, the configuration files in CliConfigCommands.cpp,
// record, scan and listen in files of their own.
int CmdRead(const Context& c);
int CmdWrite(const Context& c);
int CmdInfo(const Context& c);
int CmdIdent(const Context& c);
int CmdStatus(const Context& c);
int CmdSdo(const Context& c);
int CmdStore(const Context& c);
int CmdLearn(const Context& c);
int CmdCalibrate(const Context& c);
int CmdBackup(const Context& c);
int CmdRestore(const Context& c);
int CmdDiff(const Context& c);
int CmdSet(const Context& c);
int CmdRecord(const Context& c);
int CmdScan(const Context& c);
int CmdListen(const Context& c);

// What a command's help lists from the tool itself.
void ListRecordChannels(std::ostream& to);
void ListConfigGroups(std::ostream& to);

}  // namespace Cli
