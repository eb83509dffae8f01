// zoric-cli's drive configuration files: backup (the drive into a file),
// restore (a file into the drive, every group read back) and diff.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <iostream>
#include <ostream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliShared.h"
#include "ConfigFile.h"
#include "DriveConfig.h"
#include "HostSystem.h"
#include "ModbusMaster.h"
#include "ParameterStore.h"
#include "TextNumber.h"

namespace Cli {
namespace {

std::string ToolName()
{
#ifdef ZORIC_VERSION
    return std::string("zoric-cli ") + ZORIC_VERSION;
#else
    return "zoric-cli";
#endif
}


int FailureExit(const Backup::Failure& failure)
{
    return failure.aborted ? kExitSdoAbort : ExitCodeFor(failure.result);
}

int LinkFailure(std::ostream& err, const std::string& what, const Backup::Failure& failure)
{
    err << what << " failed: " << Backup::FailureText(failure) << "\n";
    return FailureExit(failure);
}

// Progress goes to the terminal only: a script reading stderr gets the
// messages alone. Ctrl-C is asked for between steps.
Backup::Progress MakeProgress(std::ostream& err, const std::atomic<bool>& interrupted, const char* verb)
{
    Backup::Progress progress;
    progress.stopped = [&interrupted] { return interrupted.load(); };
    if (isatty(STDERR_FILENO)) {
        progress.step = [&err, verb](int done, int total, const std::string& step) {
            std::string line = std::string(verb) + " " + std::to_string(done) + "/" + std::to_string(total) + " " + step;
            line.resize(std::max<size_t>(line.size(), 60), ' ');
            err << "\r" << (done < total ? line : std::string(line.size(), ' ') + "\r") << std::flush;
        };
    }
    return progress;
}

std::optional<Backup::Configuration> ReadConfigFile(const std::string& path, std::ostream& err)
{
    Backup::ParsedFile parsed = Backup::ReadFile(path);
    if (!parsed.config) {
        err << Printable(path) << ": " << Printable(Backup::Describe(parsed.problem)) << "\n";
        return std::nullopt;
    }
    return std::move(parsed.config);
}

std::string RawOrDash(const Backup::Item& item, std::optional<uint64_t> raw)
{
    return raw ? Backup::RawText(item, *raw) : "-";
}

// "150 (1.50 A)": the raw value as the file writes it and as the page shows it.
std::string Both(const Backup::Item& item, std::optional<uint64_t> raw, const Backup::Values& values)
{
    if (!raw) return "-";
    return Backup::RawText(item, *raw) + " (" + Backup::Shown(item, *raw, values) + ")";
}

std::string IdentityField(const Backup::DriveIdentity& identity, const std::string& field)
{
    if (field == "identifier") return identity.identifier;
    if (field == "version") return identity.version;
    return identity.model;
}

std::string LinkText(const Backup::LinkSettings& link)
{
    return CModbusMaster::ModeText(static_cast<int>(link.baud), link.parityIndex) + ", address " +
           std::to_string(link.address);
}

const char* StatusText(Backup::StepStatus status)
{
    switch (status) {
    case Backup::StepStatus::Verified: return "verified";
    case Backup::StepStatus::Unchanged: return "unchanged";
    case Backup::StepStatus::Failed: return "FAILED";
    case Backup::StepStatus::NotDone: break;
    }
    return "not done";
}

std::string Joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

// Comma-separated group keys into the load options; false (a usage error
// printed) for an empty or unknown one.
bool TakeGroups(const Context& c, const std::string& list, Backup::LoadOptions& options)
{
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(',', start);
        options.groups.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    const std::string unknown = Backup::UnknownGroup(options);
    const bool empty = std::find(options.groups.begin(), options.groups.end(), "") != options.groups.end();
    if (!empty && unknown.empty()) return true;
    c.Usage((empty ? std::string("--groups has an empty group") : "unknown group " + Printable(unknown)) +
            "; the groups are " + Joined(Backup::GroupKeys()));
    return false;
}

// Asks on the terminal; anything but y or yes is no.
bool Confirmed(std::ostream& err, const std::string& question)
{
    err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        err << "\n";
        return false;
    }
    while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\r')) answer.pop_back();
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return answer == "y" || answer == "yes";
}

// What the plan would do, for the person deciding: returns the number of
// changes the load writes.
size_t PrintPlan(const Backup::Plan& plan, const Backup::Configuration& file, const Backup::LoadOptions& options,
                 std::ostream& out)
{
    if (!plan.identityDiffers.empty()) {
        out << "warning: the file comes from another drive:\n";
        for (const std::string& field : plan.identityDiffers)
            out << "  " << field << ": file \"" << Printable(IdentityField(file.drive, field)) << "\", drive \""
                << Printable(IdentityField(plan.drive, field)) << "\"\n";
    }
    size_t count = 0;
    std::vector<const Backup::Change*> missing;
    for (const Backup::Change& change : plan.changes) {
        if (!change.drive) {
            missing.push_back(&change);
            continue;
        }
        const Backup::Item& item = *Backup::FindItem(change.key);
        if (count++ == 0) out << "changes (drive -> file):\n";
        out << "  " << change.key << ": " << Both(item, change.drive, plan.driveValues) << " -> "
            << Both(item, change.file, file.values) << "\n";
    }
    for (const Backup::Change* change : missing)
        out << "  " << change->key << ": skipped, the drive does not have it\n";
    if (!plan.kept.empty()) {
        out << "kept (the drive's value stays):\n";
        for (const Backup::Change& change : plan.kept) {
            const Backup::Item& item = *Backup::FindItem(change.key);
            out << "  " << change.key << ": " << Both(item, change.drive, plan.driveValues) << ", file "
                << Both(item, change.file, file.values) << "; "
                << (item.motorIdentity ? "--include-motor-identity" : "--include-comm") << " would load it\n";
        }
    }
    if (plan.newLink && options.includeComm)
        out << "warning: the load changes the drive's RS-485 link to " << LinkText(*plan.newLink)
            << "; the port is reopened with it\n";
    return count;
}

// One line per step; returns the exit code of the first failure.
int PrintReport(const Backup::LoadReport& report, std::ostream& out, std::ostream& err)
{
    int code = kExitOk;
    std::string failed;
    out << "load:\n";
    for (const Backup::StepReport& step : report.steps) {
        out << "  " << step.step << ": " << StatusText(step.status);
        if (step.status == Backup::StepStatus::Failed) {
            out << ": "
                << (step.failure.Failed() ? Backup::FailureText(step.failure)
                                          : "read back different: " + Joined(step.mismatched));
            if (failed.empty()) {
                failed = step.step;
                code = step.failure.Failed() ? FailureExit(step.failure) : kExitDriveError;
            }
        }
        out << "\n";
        if (!step.skipped.empty())
            out << "  " << step.step << ": skipped, the drive does not have " << Joined(step.skipped) << "\n";
    }
    if (report.stopped) {
        err << "interrupted: the steps not done keep the drive's values\n";
        return kExitInterrupted;
    }
    if (!failed.empty()) {
        err << "the load did not complete: " << failed << " failed";
        if (report.steps.back().status == Backup::StepStatus::NotDone) err << "; the steps after it were not done";
        err << "\n";
    }
    return code == kExitOk && !report.Complete() ? kExitDriveError : code;
}

}  // namespace

std::string Printable(std::string_view text)
{
    constexpr size_t kMax = 240;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) < 0xA0;
        // Cut only before the first byte of a character.
        if (out.size() >= kMax && (c & 0xC0) != 0x80) return out + "...";
        if (c < 0x20 || c == 0x7F || c1) {
            out += '?';
            i += c1 ? 1 : 0;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

namespace {

// The exit code of a command on several drives: the line lost, Ctrl-C, a
// load not confirmed, then some drive failed, in that order.
int SeveralDrivesExit(const CModbusMaster& master, bool interrupted, bool notConfirmed, bool someFailed)
{
    if (master.IsPortLost()) return kExitLostLine;
    if (interrupted) return kExitInterrupted;
    if (notConfirmed) return kExitNotConfirmed;
    return someFailed ? kExitSomeFailed : kExitOk;
}

// backup DIR --slaves LIST: a file per drive, named by address and identifier.
int BackupSlaves(const Context& c, const std::vector<uint8_t>& slaves)
{
    namespace fs = std::filesystem;
    const fs::path dir = HostSystem::PathOf(c.a.args[0]);
    std::error_code error;
    if (!fs::is_directory(dir, error)) {
        c.err << Printable(c.a.args[0]) << ": not a folder\n";
        return kExitInvalidFile;
    }
    if (!c.Connect()) return kExitNoPort;
    std::vector<uint8_t> failed;
    for (const uint8_t slave : slaves) {
        if (c.interrupted || c.master.IsPortLost()) break;
        const Backup::ReadResult read =
            Backup::ReadConfiguration(c.master, slave, MakeProgress(c.err, c.interrupted, "reading"));
        if (read.stopped) break;
        if (!read.Ok()) {
            c.err << "slave " << int{slave} << ": reading " << read.failedStep
                  << " failed: " << Backup::FailureText(read.failure) << "\n";
            failed.push_back(slave);
            continue;
        }
        Backup::Configuration config = read.config;
        config.created = Backup::NowUtc();
        config.tool = ToolName();
        const std::string name = TextNumber::Format("slave-%03d-%s.json", slave, config.drive.identifier.c_str());
        const std::string path = (dir / name).string();
        std::string why;
        if (!Backup::WriteFile(path, config, why)) {
            c.err << "slave " << int{slave} << ": " << why << "\n";
            failed.push_back(slave);
            continue;
        }
        c.out << "slave " << int{slave} << ": wrote " << config.values.size() << " settings to " << path << "\n";
    }
    if (!failed.empty()) {
        c.err << "failed:";
        for (const uint8_t slave : failed) c.err << " " << int{slave};
        c.err << "\n";
    }
    return SeveralDrivesExit(c.master, c.interrupted, false, !failed.empty());
}

}  // namespace

int CmdBackup(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    if (a.args[0].empty()) return c.Usage("backup takes FILE");
    if (const std::optional<std::string> slaves = a.Value("--slaves")) return BackupSlaves(c, *ParseSlaveList(*slaves));
    if (!c.Connect()) return kExitNoPort;
    const Backup::ReadResult read = Backup::ReadConfiguration(m, a.slave, MakeProgress(err, interrupted, "reading"));
    if (read.stopped) {
        err << "interrupted: no file written\n";
        return kExitInterrupted;
    }
    if (read.failure.Failed()) return LinkFailure(err, "reading " + read.failedStep, read.failure);
    Backup::Configuration config = read.config;
    config.created = Backup::NowUtc();
    config.tool = ToolName();
    std::string error;
    if (!Backup::WriteFile(a.args[0], config, error)) {
        err << error << "\n";
        return kExitInvalidFile;
    }
    out << "wrote " << config.values.size() << " settings to " << a.args[0] << "\n";
    return kExitOk;
}

int CmdDiff(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    // Both files are checked before the port is touched.
    const auto file = ReadConfigFile(a.args[0], err);
    if (!file) return kExitInvalidFile;
    Backup::Values first, second;
    if (a.args.size() == 2) {
        const auto other = ReadConfigFile(a.args[1], err);
        if (!other) return kExitInvalidFile;
        first = file->values;
        second = other->values;
    } else {
        if (!c.Connect()) return kExitNoPort;
        const Backup::ReadResult read = Backup::ReadConfiguration(m, a.slave, MakeProgress(err, interrupted, "reading"));
        if (read.stopped) return kExitInterrupted;
        if (read.failure.Failed()) return LinkFailure(err, "reading " + read.failedStep, read.failure);
        first = read.config.values;
        second = file->values;
    }
    const std::vector<Backup::Difference> differences = Backup::Compare(first, second);
    for (const Backup::Difference& d : differences) {
        const Backup::Item& item = *Backup::FindItem(d.key);
        out << d.key << '\t' << RawOrDash(item, d.first) << '\t' << RawOrDash(item, d.second) << '\n';
    }
    return differences.empty() ? kExitOk : kExitDiffer;
}

namespace {

// restore FILE --slaves LIST: every drive's plan first, one question, then
// the loads one after another, a failure stopping none of the others.
int RestoreSlaves(const Context& c, const Backup::Configuration& file, const Backup::LoadOptions& options,
                  const std::vector<uint8_t>& slaves)
{
    struct Drive {
        uint8_t slave = 0;
        Backup::Plan plan;
        size_t changes = 0;
        std::string outcome;  // the report's word, set as the drive goes
        bool failed = false;
    };
    std::vector<Drive> drives;
    bool anotherDrive = false;
    size_t changes = 0;
    for (const uint8_t slave : slaves) {
        if (c.interrupted || c.master.IsPortLost()) break;
        Drive d;
        d.slave = slave;
        d.plan = Backup::Prepare(c.master, slave, file, options, MakeProgress(c.err, c.interrupted, "reading"));
        if (d.plan.stopped) break;
        c.out << "slave " << int{slave} << ":\n";
        if (d.plan.failure.Failed()) {
            d.failed = true;
            d.outcome = "failed reading " + (d.plan.failedStep.empty() ? std::string("the drive") : d.plan.failedStep) +
                        ": " + Backup::FailureText(d.plan.failure);
        } else if (d.plan.refusal != Backup::Refusal::None) {
            d.failed = true;
            d.outcome = std::string("refused: ") + Backup::RefusalText(d.plan.refusal);
        } else {
            d.changes = PrintPlan(d.plan, file, options, c.out);
            anotherDrive = anotherDrive || !d.plan.identityDiffers.empty();
            changes += d.changes;
            if (d.changes == 0) d.outcome = "unchanged";
        }
        if (!d.outcome.empty()) c.out << "  " << d.outcome << "\n";
        drives.push_back(std::move(d));
    }
    bool notConfirmed = false;
    if (changes > 0 && !c.interrupted && !c.a.Has("--yes")) {
        std::string question = "Load " + std::to_string(changes) + " changes into " + std::to_string(drives.size()) +
                               " drives?";
        if (anotherDrive) question = "The file comes from another drive. " + question;
        if (!isatty(STDIN_FILENO)) {
            c.err << "not on a terminal: nothing written; add --yes to load without asking\n";
            notConfirmed = true;
        } else if (!Confirmed(c.err, question)) {
            c.err << "nothing written\n";
            notConfirmed = true;
        }
    }
    for (Drive& d : drives) {
        if (notConfirmed || c.interrupted || c.master.IsPortLost() || d.failed || d.changes == 0) continue;
        Backup::LoadHooks hooks;
        hooks.progress = MakeProgress(c.err, c.interrupted, "loading");
        c.out << "slave " << int{d.slave} << ":\n";
        const Backup::LoadReport report = Backup::Load(c.master, d.slave, file, d.plan, options, hooks);
        if (report.refusal != Backup::Refusal::None) {
            d.failed = true;
            d.outcome = std::string("refused: ") + Backup::RefusalText(report.refusal);
            continue;
        }
        std::ostringstream quiet;
        d.failed = PrintReport(report, c.out, quiet) != kExitOk;
        d.outcome = report.Complete() ? "verified" : "failed: " + quiet.str().substr(0, quiet.str().find('\n'));
        if (!d.failed && c.a.Has("--store")) {
            const SdoStep stored = ParameterStore::Store(c.master, d.slave);
            if (!stored.Ok()) {
                d.failed = true;
                d.outcome = "verified, but storing failed";
            }
        }
    }
    c.out << "report:\n";
    bool someFailed = false;
    for (const Drive& d : drives) {
        c.out << "  slave " << int{d.slave} << ": " << (d.outcome.empty() ? "not loaded" : d.outcome) << "\n";
        someFailed = someFailed || d.failed;
    }
    return SeveralDrivesExit(c.master, c.interrupted, notConfirmed, someFailed);
}

}  // namespace

int CmdRestore(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::atomic<bool>& interrupted = c.interrupted;
    Backup::LoadOptions options;
    options.includeComm = a.Has("--include-comm");
    options.includeMotorIdentity = a.Has("--include-motor-identity");
    if (const std::optional<std::string> groups = a.Value("--groups"); groups && !TakeGroups(c, *groups, options))
        return kExitUsage;
    const std::optional<std::string> slaves = a.Value("--slaves");
    // Their addresses would collide: one file's link settings never go to several drives.
    if (slaves && options.includeComm) return c.Usage("--include-comm does not go with --slaves");
    // The whole file is checked before one byte goes to the drive.
    const auto file = ReadConfigFile(a.args[0], err);
    if (!file) return kExitInvalidFile;

    if (!c.Connect()) return kExitNoPort;
    if (slaves) return RestoreSlaves(c, *file, options, *ParseSlaveList(*slaves));
    const Backup::Plan plan = Backup::Prepare(m, a.slave, *file, options, MakeProgress(err, interrupted, "reading"));
    if (plan.stopped) {
        err << "interrupted: nothing written\n";
        return kExitInterrupted;
    }
    if (plan.failure.Failed())
        return LinkFailure(err, plan.failedStep.empty() ? "reading the drive" : "reading " + plan.failedStep,
                           plan.failure);
    if (plan.refusal != Backup::Refusal::None) {
        err << Backup::RefusalText(plan.refusal) << "\n";
        return kExitDriveError;
    }
    const size_t changes = PrintPlan(plan, *file, options, out);
    if (changes == 0) {
        out << (plan.kept.empty() ? "the drive already holds the file's settings: nothing to load\n"
                                  : "nothing to load: the only differences are kept\n");
        return kExitOk;
    }
    if (!a.Has("--yes")) {
        if (!isatty(STDIN_FILENO)) {
            err << "not on a terminal: nothing written; add --yes to load without asking\n";
            return kExitNotConfirmed;
        }
        std::string question = "Load " + std::to_string(changes) + (changes == 1 ? " change" : " changes") +
                               " into the drive?";
        if (!plan.identityDiffers.empty())
            question = "The file comes from another drive (" + Joined(plan.identityDiffers) + " differ). " + question;
        if (!Confirmed(err, question)) {
            err << "nothing written\n";
            return interrupted ? kExitInterrupted : kExitNotConfirmed;
        }
    }

    Backup::LoadHooks hooks;
    hooks.progress = MakeProgress(err, interrupted, "loading");
    if (options.includeComm) {
        hooks.relink = [&](const Backup::LinkSettings& link) {
            err << "warning: the drive's RS-485 link changed: reopening " << a.port << " at " << LinkText(link) << "\n";
            m.ClosePort();
            return m.OpenPort(a.port, static_cast<int>(link.baud), link.parityIndex);
        };
    }
    const Backup::LoadReport report = Backup::Load(m, a.slave, *file, plan, options, hooks);
    if (report.refusal != Backup::Refusal::None) {
        err << Backup::RefusalText(report.refusal) << "\n";
        return kExitDriveError;
    }
    const int code = PrintReport(report, out, err);
    if (code != kExitOk) return code;

    if (!a.Has("--store")) {
        out << "the drive keeps these values only until power-off unless they are stored (--store)\n";
        return kExitOk;
    }
    const uint8_t slave = report.newLink ? report.newLink->address : a.slave;
    const SdoStep stored = ParameterStore::Store(m, slave);
    if (!stored.Ok()) {
        err << "storing the parameters failed: ";
        return SdoFailure(err, stored);
    }
    out << "stored: the drive keeps these values after power-off\n";
    return kExitOk;
}

void ListConfigGroups(std::ostream& to)
{
    to << "groups:";
    for (const std::string& group : Backup::GroupKeys()) to << " " << group;
    to << "\n";
}

int CmdSet(const Context& c)
{
    const CliArguments& a = c.a;
    std::ostream& out = c.out;
    std::ostream& err = c.err;
    const std::string& path = a.args[0];
    std::optional<Backup::Configuration> file = ReadConfigFile(path, err);
    if (!file) return kExitInvalidFile;
    // Every pair is checked against the file as it stands (its speed unit
    // among the rest) before anything changes: all of them, or none.
    Backup::Values changed = file->values;
    for (size_t i = 1; i < a.args.size(); ++i) {
        const std::string& pair = a.args[i];
        const size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) {
            err << "set: " << Printable(pair) << ": not KEY=VALUE; " << Printable(path) << " is unchanged\n";
            return kExitInvalidFile;
        }
        const std::string key = pair.substr(0, equals);
        const Backup::Item* item = Backup::FindItem(key);
        if (!item) {
            err << "set: no setting " << Printable(key) << "; " << Printable(path) << " is unchanged\n";
            return kExitInvalidFile;
        }
        if (!file->values.count(key)) {
            err << "set: " << key << " is not in the file (its drive has no such object); " << Printable(path)
                << " is unchanged\n";
            return kExitInvalidFile;
        }
        std::string why;
        const std::optional<uint64_t> raw = Backup::ParseValue(*item, pair.substr(equals + 1), file->values, why);
        if (!raw) {
            err << "set: " << key << "=" << Printable(pair.substr(equals + 1)) << ": " << why << "; " << Printable(path)
                << " is unchanged\n";
            return kExitInvalidFile;
        }
        changed[key] = *raw;
    }
    for (const Backup::Difference& d : Backup::Compare(file->values, changed)) {
        const Backup::Item& item = *Backup::FindItem(d.key);
        out << d.key << '\t' << RawOrDash(item, d.first) << '\t' << RawOrDash(item, d.second) << '\n';
    }
    file->values = std::move(changed);
    std::string error;
    if (!Backup::WriteFile(path, *file, error)) {
        err << error << "\n";
        return kExitInvalidFile;
    }
    return kExitOk;
}

}  // namespace Cli
