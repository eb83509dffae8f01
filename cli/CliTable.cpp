#include "CliTable.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliPort.h"
#include "CliTrace.h"
#include "ConfigFile.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "OfflineDrive.h"
#include "PortNames.h"
#include "SimulatedLine.h"
#include "SimulatedPort.h"

namespace Cli {
namespace {

constexpr OptionSpec kTypeOption[] = {{"--type", "T"}};
constexpr OptionSpec kStatusOptions[] = {{"--watch", nullptr}, {"--slaves", "LIST"}};
constexpr OptionSpec kBackupOptions[] = {{"--slaves", "LIST"}};
constexpr OptionSpec kRecordOptions[] = {{"--interval", "MS"}, {"--duration", "S"}, {"--channels", "LIST"}};
constexpr OptionSpec kRestoreOptions[] = {{"--include-comm", nullptr}, {"--include-motor-identity", nullptr},
                                          {"--groups", "LIST"},        {"--store", nullptr},
                                          {"--yes", nullptr},          {"--slaves", "LIST"}};
constexpr OptionSpec kScanOptions[] = {{"--slaves", "LIST"},
                                       {"--bauds", "LIST|all"},
                                       {"--parities", "LIST|all"},
                                       {"--timeout", "MS"}};
constexpr OptionSpec kListenOptions[] = {{"--duration", "S"}};

const Command kCommands[] = {
    {"read", "ADDR [COUNT]", 1, 2, kTypeOption, "read COUNT values (default 1) from register ADDR",
     "Reads COUNT values from holding register ADDR and prints one line each:\n"
     "the register address and the value. T is u16 (default), s16, u32, s32 or float.\n",
     nullptr, CmdRead},
    {"write", "ADDR VALUE...", 2, -1, kTypeOption, "write values from register ADDR",
     "Writes the values from register ADDR: one 16-bit value with function 6,\n"
     "more (or 32-bit values) with function 16, at most 31 registers.\n",
     nullptr, CmdWrite},
    {"info",
     "",
     0,
     0,
     {},
     "the device-information texts",
     "Reads registers 0 to 15 and prints the device-information texts.\n",
     nullptr,
     CmdInfo},
    {"ident",
     "",
     0,
     0,
     {},
     "the device identification text",
     "Reads the device identification objects and prints them.\n",
     nullptr,
     CmdIdent},
    {"status", "", 0, 0, kStatusOptions, "the live status, once or every 100 ms",
     "Reads registers 32 to 58 and prints the live-status texts; with --watch\n"
     "every 100 ms until Ctrl-C. With --slaves, the drives of LIST in turn, one\n"
     "line each under a header of the CSV column names: slave, the values in the\n"
     "panel's digits (empty for none), and the result (empty, or what failed).\n"
     "Exits 12 when a drive did not answer.\n",
     nullptr, CmdStatus},
    {"record", "FILE", 1, 1, kRecordOptions, "the live status into a CSV file until Ctrl-C",
     "Reads registers 32 to 58 every MS milliseconds (default 100; 0: each read\n"
     "as soon as the last is back) and writes one CSV row per read: the time,\n"
     "the seconds since the start, the chosen channels and the result of a failed\n"
     "read. Runs for S seconds (decimals allowed), or until Ctrl-C; a summary goes\n"
     "to stderr. LIST is a comma-separated list of column names (default: all):\n",
     ListRecordChannels, CmdRecord},
    {"sdo",
     "read INDEX SUB | write INDEX SUB SIZE VALUE",
     3,
     5,
     {},
     "one object through the SDO tunnel",
     "One expedited SDO transfer through the register tunnel: sdo read uploads\n"
     "the object, sdo write downloads VALUE in SIZE (1-4) bytes. An abort prints\n"
     "its text and exits 5.\n",
     nullptr,
     CmdSdo},
    {"store",
     "",
     0,
     0,
     {},
     "make the drive store its parameters (0x1010:1)",
     "Writes the \"save\" signature to object 0x1010 sub-index 1.\n",
     nullptr,
     CmdStore},
    {"learn",
     "",
     0,
     0,
     {},
     "run motor learning and follow it",
     "Starts motor learning, polls it every 250 ms and prints the outcome and\n"
     "the phase-sequence data. Ctrl-C stops the procedure in the drive.\n",
     nullptr,
     CmdLearn},
    {"calibrate",
     "",
     0,
     0,
     {},
     "run the FOC phase calibration and follow it",
     "Starts the FOC phase calibration (the motor turns both ways for about\n"
     "20 s: it must run without load), prints its steps and the phase offset\n"
     "and advance. Ctrl-C stops the procedure in the drive.\n",
     nullptr,
     CmdCalibrate},
    {"backup", "FILE", 1, 1, kBackupOptions, "save the drive's configuration to FILE",
     "Reads every setting of the drive (the register groups, the PDOs and SYNC)\n"
     "and writes them to FILE as a drive configuration: JSON, one setting a line,\n"
     "each with its raw value and its value as the page shows it. With --slaves,\n"
     "FILE is a folder and each drive of LIST gets a file of its own there, named\n"
     "by its address and identifier (slave-003-0x2408.json); exit 12 when some\n"
     "drive could not be read.\n",
     nullptr, CmdBackup},
    {"restore", "FILE", 1, 1, kRestoreOptions, "load FILE into the drive, each group read back",
     "Checks the whole file first (an invalid one exits 10 with the drive untouched),\n"
     "reads the drive, lists what would change and asks before loading: --yes\n"
     "loads without asking, and without a terminal --yes is needed (else exit 11).\n"
     "Each group is written, read back and compared; the motor group goes first.\n"
     "Kept unless asked for: the motor's identity (phase sequence, learning state,\n"
     "FOC phase angles: --include-motor-identity) and the link (RS-485 address and\n"
     "line, CAN node and rate: --include-comm, which reopens the port with the new\n"
     "RS-485 settings). --groups loads only the listed groups, comma-separated.\n"
     "--store makes the drive keep the values over power-off. Ctrl-C stops between\n"
     "groups (exit 130). A running motor is refused (exit 1).\n"
     "--slaves loads the file into each drive of LIST in turn (never the link\n"
     "settings: --include-comm is refused with it), the changes of every drive\n"
     "shown before anything is written and one question for all; a drive that\n"
     "fails does not stop the others. A report per drive; exit 12 when some\n"
     "failed (9 the line lost, 130 Ctrl-C and 11 not confirmed come first).\n",
     ListConfigGroups, CmdRestore},
    {"diff",
     "FILE [FILE2]",
     1,
     2,
     {},
     "the drive against FILE, or FILE against FILE2",
     "Compares the drive with FILE, or two files without opening the port. One\n"
     "line per difference: the key, the first value and the second (the drive's,\n"
     "then the file's), tab-separated raw values as the file writes them, \"-\"\n"
     "where one side has none. Exits 0 when equal, 7 when they differ.\n",
     nullptr,
     CmdDiff},
    {"set",
     "FILE KEY=VALUE...",
     2,
     -1,
     {},
     "change settings in a configuration file",
     "Changes settings of a drive configuration file by their keys, with no drive:\n"
     "VALUE in the unit and digits the page shows (speeds in the file's speed unit),\n"
     "a list item by its number in the list (0 first), a check or flag as 1 or 0,\n"
     "a PDO or SYNC object as a decimal or 0x number. Every pair is checked before\n"
     "anything changes: a bad key or value leaves the file untouched (exit 10).\n"
     "Prints one line per setting changed: the key, the old and the new raw value.\n",
     nullptr,
     CmdSet},
    {"scan", "", 0, 0, kScanOptions, "look for drives on the line",
     "Asks every slave address of LIST (1,3,5 or 1-5; default 1-247) for its device\n"
     "information at each baud rate and parity given (comma lists; default the\n"
     "--baud and --parity of the command line; all: 9600,19200,38400,57600,115200\n"
     "and 0,1,2,3). Prints one line per drive found:\n"
     "  slave ADDRESS BAUD PARITY model MODEL id IDENTIFIER version VERSION\n"
     "and the progress on the error stream. MS is the time-out of one probe\n"
     "(default: long enough for the slowest baud rate given). Ctrl-C stops it.\n"
     "exit codes: 0 drives found; 8 none; 2 bad arguments; 3 no port; 130 interrupted.\n",
     nullptr, CmdScan},
    {"listen", "", 0, 0, kListenOptions, "print the frames of other masters, sending nothing",
     "Opens the port without sending anything and prints every frame other\n"
     "masters and slaves put on the line, one line each as --trace does, with the\n"
     "direction MA (from a master), SL (from a slave, or bytes that are not a\n"
     "frame) or -- (a request no answer was heard for). Runs for S seconds\n"
     "(decimals allowed), or until Ctrl-C; then the counts per slave and the line\n"
     "errors the port reported go to the error stream.\n"
     "exit codes: 0 done; 2 bad arguments; 3 no port; 9 the port was lost.\n",
     nullptr, CmdListen},
};

const char* const kCommonUsage =
    "usage: zoric-cli [--port COMn|DEVICE|tcp://HOST[:PORT]|rtu+tcp://HOST:PORT|sim://] [--baud N]\n"
    "                 [--parity 0-3] [--slave N] [--drive-file FILE] [--trace] [--json] [--lang zh|en]\n"
    "                 COMMAND ...\n"
    "       zoric-cli --help | --version\n";

const char* const kNotes =
    "T is u16 (default), s16, u32, s32 or float; 32-bit values take two registers,\n"
    "high word first. Numbers are decimal or 0x hexadecimal. --port defaults to COM1,\n"
    "--baud to 9600, --parity to 0 (none, 2 stop bits), --slave to 1; sim:// is a\n"
    "simulated drive inside the tool. --drive-file FILE (with --port sim://) makes\n"
    "that drive hold a configuration file's settings, to work on the file with no\n"
    "drive: the command runs on the drive, FILE itself is never written (but by set).\n"
    "--trace prints every frame sent and received, and the counts per slave, on the\n"
    "error stream.\n"
    "--json prints for scripts: stdout carries only JSON, one document (one object\n"
    "a line for status --watch, scan and listen); messages and progress stay on the\n"
    "error stream. Keys are the configuration files' keys and the CSV column names;\n"
    "a value with a scale or a unit is {\"value\", \"raw\", \"unit\"}, a setting also has\n"
    "its \"text\" as the page shows it; a value that is not a number is null beside\n"
    "its raw value. A failure is {\"error\": {\"result\": CODE, \"text\": ...}} (an SDO\n"
    "abort: \"abort_code\"; a file: \"file\"; a refused load: \"refusal\"); with --trace\n"
    "the counts are under \"trace\". restore --json needs --yes. Bad arguments (exit 2)\n"
    "print no document. The exit codes are the same.\n"
    "--lang chooses the language of the messages, zh (Chinese) or en (English);\n"
    "by default the locale's (LC_ALL, LC_MESSAGES, then LANG: zh... is Chinese,\n"
    "anything else English). Trace and scan lines, CSV headers, configuration\n"
    "file keys and exit codes are the same in both.\n"
    "Run 'zoric-cli COMMAND --help' for one command.\n"
    "\n"
    "exit codes: 0 done; 1 drive error or refusal; 2 bad arguments; 3 no port;\n"
    "4 time-out; 5 SDO abort; 6 procedure failed; 7 the configurations differ;\n"
    "8 the scan found no drive; 9 the port was lost (its device went away);\n"
    "10 configuration file invalid, unreadable or unwritable; 11 load not confirmed;\n"
    "12 some of the drives of --slaves failed; 130 interrupted.\n";

// "read ADDR [COUNT] [--type T]"
std::string Synopsis(const Command& c)
{
    std::string text = c.name;
    if (*c.words) text.append(" ").append(c.words);
    for (const OptionSpec& o : c.options) {
        text.append(" [").append(o.name);
        if (o.value) text.append(" ").append(o.value);
        text.append("]");
    }
    return text;
}

// Whether any command's option of that name takes a value: the words of
// the command line are told apart before the command is known.
std::optional<bool> AnyCommandsOption(const std::string& word)
{
    for (const Command& c : kCommands)
        for (const OptionSpec& o : c.options)
            if (word == o.name) return o.value != nullptr;
    return std::nullopt;
}

// The command's words and options against its table entry; empty when they fit.
std::string Misfit(const Command& c, const CliArguments& a)
{
    for (const auto& entry : a.options) {
        const std::string& option = entry.first;
        const bool own = std::any_of(c.options.begin(), c.options.end(),
                                     [&option](const OptionSpec& o) { return option == o.name; });
        if (!own) return option + " does not go with " + c.name;
    }
    const int count = static_cast<int>(a.args.size());
    if (count < c.minWords || (c.maxWords >= 0 && count > c.maxWords))
        return *c.words ? std::string(c.name) + " takes " + c.words : std::string(c.name) + " takes no arguments";
    return {};
}

// The simulated drive of --port takes the file's settings.
int HoldDriveFile(const CliArguments& a, std::ostream& err)
{
    const Backup::ParsedFile parsed = Backup::ReadFile(*a.driveFile);
    if (!parsed.config) {
        err << Printable(*a.driveFile) << ": " << Printable(Backup::Describe(parsed.problem)) << "\n";
        return kExitInvalidFile;
    }
    const auto line = SimulatedPort::Line(a.port);
    std::string why;
    if (!line || !OfflineDrive::Hold(*line, *parsed.config, why)) {
        err << "zoric-cli: the simulated drive of " << a.port << " cannot hold " << Printable(*a.driveFile)
            << (why.empty() ? std::string() : " (" + why + ")") << "\n";
        return kExitInvalidFile;
    }
    return kExitOk;
}

int UsageError(std::ostream& err, const std::string& why, const Command* command)
{
    err << "zoric-cli: " << why << "\n";
    if (command) PrintHelp(err, *command);
    else PrintUsage(err);
    return kExitUsage;
}

}  // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(const std::string& name)
{
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

void PrintUsage(std::ostream& to)
{
    to << kCommonUsage << "\ncommands:\n";
    for (const Command& c : kCommands) {
        std::string synopsis = Synopsis(c);
        if (synopsis.size() > 32 && !c.options.empty())
            synopsis = std::string(c.name) + (*c.words ? " " : "") + c.words + " [OPTIONS]";
        to << "  " << synopsis;
        if (synopsis.size() < 33) to << std::string(33 - synopsis.size(), ' ');
        else to << "\n" << std::string(35, ' ');
        to << c.summary << "\n";
    }
    to << "\n" << kNotes;
}

void PrintHelp(std::ostream& to, const Command& command)
{
    // The options every command takes are the general help's.
    to << "usage: zoric-cli [--port P] [--slave N] ... " << Synopsis(command) << "\n" << command.help;
    if (command.listMore) command.listMore(to);
}

bool Context::AsJson() const { return a.json; }

std::ostream& Context::Says() const { return a.json ? err : out; }

Json& Context::Drive() const
{
    if (document.is_null()) document = {{"slave", a.slave}};
    return document;
}

void Context::Line(const Json& object) const { out << ScriptJson::Text(object) << std::endl; }

bool Context::Connect() const
{
    std::ostringstream why;
    if (OpenCommandPort(master, a, why)) return true;
    err << why.str();
    if (a.json) {
        std::string text = why.str();
        while (!text.empty() && text.back() == '\n') text.pop_back();
        Drive()["error"] = ScriptJson::Error(kResultPortNotOpen);
        Drive()["error"]["text"] = text;
    }
    return false;
}

int Context::FileFailure(const std::string& path, const std::string& why) const
{
    err << Printable(path) << ": " << Printable(why) << "\n";
    if (a.json) {
        if (document.is_null()) document = Json::object();
        document["error"] = ScriptJson::Error("file", path, why);
    }
    return kExitInvalidFile;
}

int Context::Usage(const std::string& why) const { return UsageError(err, why, FindCommand(a.command)); }

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& interrupted)
{
    SetLanguage(ChosenLanguage(argv));
    std::string error;
    const std::optional<CliArguments> parsed = ParseCliArguments(argv, AnyCommandsOption, error);
    if (!parsed) return UsageError(err, error, nullptr);
    const CliArguments& a = *parsed;
    if (a.command.empty()) {
        if (!a.help) return UsageError(err, "no command", nullptr);
        PrintUsage(out);
        return kExitOk;
    }
    const Command* command = FindCommand(a.command);
    if (!command) return UsageError(err, "unknown command " + a.command, nullptr);
    if (a.help) {
        PrintHelp(out, *command);
        return kExitOk;
    }
    if (const std::string misfit = Misfit(*command, a); !misfit.empty()) return UsageError(err, misfit, command);
    // A script cannot answer the question.
    if (a.json && command->run == CmdRestore && !a.Has("--yes"))
        return UsageError(err, "restore --json needs --yes", command);
    if (a.Has("--slaves")) {
        if (a.slaveGiven) return UsageError(err, "--slaves and --slave exclude each other", command);
        if (!ParseSlaveList(*a.Value("--slaves")))
            return UsageError(err, "--slaves takes addresses such as 1,3,5 or 1-5, each 1 to 247", command);
    }

    if (a.driveFile) {
        if (PortKindOf(a.port) != PortKind::Simulated)
            return UsageError(err, "--drive-file goes with --port sim://", nullptr);
        if (const int held = HoldDriveFile(a, err); held != kExitOk) return held;
    }

    CModbusMaster master;
    CliTrace trace(err);
    if (a.trace) master.SetFrameMonitor(&trace);
    Json document;
    const Context context{master, a, out, err, interrupted, document};
    // Whatever the command, a line lost under it ends it the same way.
    std::ostringstream lost;
    const int code = CheckLostLine(master, command->run(context), lost);
    err << lost.str();
    if (a.trace) {
        master.SetFrameMonitor(nullptr);
        trace.PrintCounters(master.LineErrors());
    }
    if (!a.json) return code;
    if (!lost.str().empty()) {
        std::string text = lost.str();
        text.pop_back();
        context.Drive()["error"] = ScriptJson::Error("lost", master.PortName(), text);
    }
    if (a.trace) {
        // A command of one document carries the counts in it; one of lines
        // ends with them.
        Json counts = ScriptJson::Counters(trace.Counters(), master.LineErrors());
        if (document.is_null()) context.Line({{"trace", std::move(counts)}});
        else document["trace"] = std::move(counts);
    }
    if (!document.is_null()) out << ScriptJson::Text(document) << "\n";
    return code;
}

}  // namespace Cli
