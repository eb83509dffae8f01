// zoric-cli's drive configuration files: backup (the drive into a file),
// restore (a file into the drive, every group read back) and diff.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliShared.h"
#include "ConfigFile.h"
#include "DriveBatch.h"
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

// `step`: what was being read ("motor", "drive").
int LinkFailure(const Context& c, const std::string& step, const Backup::Failure& failure)
{
    c.err << "reading " << step << " failed: " << Backup::FailureText(failure) << "\n";
    if (c.AsJson()) {
        c.Drive()["error"] = ScriptJson::Error(failure);
        c.Drive()["error"]["step"] = step;
    }
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
            std::string line =
                std::string(verb) + " " + std::to_string(done) + "/" + std::to_string(total) + " " + step;
            line.resize(std::max<size_t>(line.size(), 60), ' ');
            err << "\r" << (done < total ? line : std::string(line.size(), ' ') + "\r") << std::flush;
        };
    }
    return progress;
}

std::optional<Backup::Configuration> ReadConfigFile(const Context& c, const std::string& path)
{
    Backup::ParsedFile parsed = Backup::ReadFile(path);
    if (!parsed.config) {
        c.FileFailure(path, Backup::Describe(parsed.problem));
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
            << Both(item, change.file, file.values) << "  [" << Backup::TitleOf(item) << "]\n";
    }
    for (const Backup::Change* change : missing)
        out << "  " << change->key << ": skipped, the drive does not have it\n";
    if (!plan.kept.empty()) {
        out << "kept (the drive's value stays):\n";
        for (const Backup::Change& change : plan.kept) {
            const Backup::Item& item = *Backup::FindItem(change.key);
            out << "  " << change.key << ": " << Both(item, change.drive, plan.driveValues) << ", file "
                << Both(item, change.file, file.values) << "; "
                << (item.motorIdentity ? "--include-motor-identity" : "--include-comm") << " would load it  ["
                << Backup::TitleOf(item) << "]\n";
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
    if (!fs::is_directory(dir, error)) return c.FileFailure(c.a.args[0], "not a folder");
    if (!c.Connect()) return kExitNoPort;
    std::vector<uint8_t> failed;
    if (c.AsJson()) c.document = {{"drives", Json::array()}};
    auto failure = [&c](uint8_t slave, Json why) {
        if (c.AsJson()) c.document["drives"].push_back({{"slave", slave}, {"error", std::move(why)}});
    };
    for (const uint8_t slave : slaves) {
        if (c.interrupted || c.master.IsPortLost()) break;
        const Backup::ReadResult read =
            Backup::ReadConfiguration(c.master, slave, MakeProgress(c.err, c.interrupted, "reading"));
        if (read.stopped) break;
        if (!read.Ok()) {
            c.err << "slave " << int{slave} << ": reading " << read.failedStep
                  << " failed: " << Backup::FailureText(read.failure) << "\n";
            Json why = ScriptJson::Error(read.failure);
            why["step"] = read.failedStep;
            failure(slave, std::move(why));
            failed.push_back(slave);
            continue;
        }
        Backup::Configuration config = read.config;
        config.created = Backup::NowUtc();
        config.tool = ToolName();
        const std::string path = (dir / Backup::DriveFileName(slave, config.drive.identifier)).string();
        std::string why;
        if (!Backup::WriteFile(path, config, why)) {
            c.err << "slave " << int{slave} << ": " << why << "\n";
            failure(slave, ScriptJson::Error("file", path, why));
            failed.push_back(slave);
            continue;
        }
        c.Says() << "slave " << int{slave} << ": wrote " << config.values.size() << " settings to " << path << "\n";
        if (c.AsJson()) {
            Json drive = {{"slave", slave}};
            drive.update(ScriptJson::Backup(path, config.values.size()));
            c.document["drives"].push_back(std::move(drive));
        }
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
    if (read.failure.Failed()) return LinkFailure(c, read.failedStep, read.failure);
    Backup::Configuration config = read.config;
    config.created = Backup::NowUtc();
    config.tool = ToolName();
    std::string error;
    if (!Backup::WriteFile(a.args[0], config, error)) {
        err << error << "\n";
        if (c.AsJson()) c.Drive()["error"] = ScriptJson::Error("file", a.args[0], error);
        return kExitInvalidFile;
    }
    c.Says() << "wrote " << config.values.size() << " settings to " << a.args[0] << "\n";
    if (c.AsJson()) c.Drive().update(ScriptJson::Backup(a.args[0], config.values.size()));
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
    const auto file = ReadConfigFile(c, a.args[0]);
    if (!file) return kExitInvalidFile;
    Backup::Values first, second;
    if (a.args.size() == 2) {
        const auto other = ReadConfigFile(c, a.args[1]);
        if (!other) return kExitInvalidFile;
        first = file->values;
        second = other->values;
        if (c.AsJson()) c.document = ScriptJson::Diff(a.args[0], a.args[1], first, second);
    } else {
        if (!c.Connect()) return kExitNoPort;
        const Backup::ReadResult read =
            Backup::ReadConfiguration(m, a.slave, MakeProgress(err, interrupted, "reading"));
        if (read.stopped) return kExitInterrupted;
        if (read.failure.Failed()) return LinkFailure(c, read.failedStep, read.failure);
        first = read.config.values;
        second = file->values;
        if (c.AsJson()) c.Drive().update(ScriptJson::Diff("drive", a.args[0], first, second));
    }
    const std::vector<Backup::Difference> differences = Backup::Compare(first, second);
    if (c.AsJson()) return differences.empty() ? kExitOk : kExitDiffer;
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
    Backup::BatchOptions batch;
    batch.load = options;
    batch.store = c.a.Has("--store");
    std::vector<Backup::BatchDrive> drives;
    std::vector<std::string> outcomes;  // the report's words, set as each drive goes
    for (const uint8_t slave : slaves) {
        if (c.interrupted || c.master.IsPortLost()) break;
        Backup::BatchDrive d = Backup::BatchDrives({slave}).front();
        Backup::PlanDrive(c.master, d, file, batch, MakeProgress(c.err, c.interrupted, "reading"));
        const Backup::Plan& plan = *d.plan;
        if (plan.stopped) break;
        c.Says() << "slave " << int{slave} << ":\n";
        std::string outcome;
        if (plan.failure.Failed()) {
            outcome = "failed reading " + (plan.failedStep.empty() ? std::string("the drive") : plan.failedStep) +
                      ": " + Backup::FailureText(plan.failure);
        } else if (plan.refusal != Backup::Refusal::None) {
            outcome = std::string("refused: ") + Backup::RefusalText(plan.refusal);
        } else if (PrintPlan(plan, file, options, c.Says()) == 0) {
            outcome = "unchanged";
        }
        if (!outcome.empty()) c.Says() << "  " << outcome << "\n";
        drives.push_back(std::move(d));
        outcomes.push_back(outcome);
    }
    bool notConfirmed = false;
    if (const size_t changes = Backup::BatchChanges(drives); changes > 0 && !c.interrupted && !c.a.Has("--yes")) {
        std::string question =
            "Load " + std::to_string(changes) + " changes into " + std::to_string(drives.size()) + " drives?";
        if (Backup::FromAnotherDrive(drives)) question = "The file comes from another drive. " + question;
        if (!isatty(STDIN_FILENO)) {
            c.err << "not on a terminal: nothing written; add --yes to load without asking\n";
            notConfirmed = true;
        } else if (!Confirmed(c.err, question)) {
            c.err << "nothing written\n";
            notConfirmed = true;
        }
    }
    for (size_t i = 0; i < drives.size() && !notConfirmed; ++i) {
        Backup::BatchDrive& d = drives[i];
        if (c.interrupted || c.master.IsPortLost()) break;
        if (!Backup::ToLoad(d)) continue;
        c.Says() << "slave " << int{d.slave} << ":\n";
        Backup::LoadDrive(c.master, d, file, batch, MakeProgress(c.err, c.interrupted, "loading"));
        const Backup::LoadReport& report = *d.report;
        if (report.refusal != Backup::Refusal::None) {
            outcomes[i] = std::string("refused: ") + Backup::RefusalText(report.refusal);
            continue;
        }
        std::ostringstream quiet;
        PrintReport(report, c.Says(), quiet);
        outcomes[i] = report.Complete() ? "verified" : "failed: " + quiet.str().substr(0, quiet.str().find('\n'));
        if (Backup::OutcomeOf(d) == Backup::BatchOutcome::StoreFailed) outcomes[i] = "verified, but storing failed";
        if (Backup::BatchStops(d, batch)) break;
    }
    c.Says() << "report:\n";
    bool someFailed = false;
    if (c.AsJson()) c.document = {{"file", c.a.args[0]}, {"drives", Json::array()}};
    for (size_t i = 0; i < drives.size(); ++i) {
        const Backup::BatchDrive& d = drives[i];
        const std::string outcome = outcomes[i].empty() ? "not loaded" : outcomes[i];
        const bool failed = Backup::IsFailure(Backup::OutcomeOf(d));
        c.Says() << "  slave " << int{d.slave} << ": " << outcome << "\n";
        someFailed = someFailed || failed;
        if (!c.AsJson()) continue;
        Json drive = {{"slave", d.slave}, {"outcome", outcome}, {"failed", failed}};
        if (d.plan->Ok()) drive["plan"] = ScriptJson::Plan(*d.plan, file);
        drive["load"] = d.report ? ScriptJson::Load(*d.report) : Json(nullptr);
        c.document["drives"].push_back(std::move(drive));
    }
    return SeveralDrivesExit(c.master, c.interrupted, notConfirmed, someFailed);
}

}  // namespace

int CmdRestore(const Context& c)
{
    CModbusMaster& m = c.master;
    const CliArguments& a = c.a;
    std::ostream& says = c.Says();
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
    const auto file = ReadConfigFile(c, a.args[0]);
    if (!file) return kExitInvalidFile;

    if (!c.Connect()) return kExitNoPort;
    if (slaves) return RestoreSlaves(c, *file, options, *ParseSlaveList(*slaves));

    Backup::LoadHooks hooks;
    hooks.progress = MakeProgress(err, interrupted, "reading");
    if (options.includeComm) {
        hooks.relink = [&](const Backup::LinkSettings& link) {
            err << "warning: the drive's RS-485 link changed: reopening " << a.port << " at " << LinkText(link) << "\n";
            m.ClosePort();
            return m.OpenPort(a.port, static_cast<int>(link.baud), link.parityIndex);
        };
    }
    int unloaded = kExitOk;  // the exit code when the plan is not loaded
    const auto confirm = [&](const Backup::Plan& plan) {
        const size_t changes = PrintPlan(plan, *file, options, says);
        if (changes == 0) {
            says << (plan.kept.empty() ? "the drive already holds the file's settings: nothing to load\n"
                                       : "nothing to load: the only differences are kept\n");
            return false;
        }
        if (!a.Has("--yes")) {
            unloaded = kExitNotConfirmed;
            if (!isatty(STDIN_FILENO)) {
                err << "not on a terminal: nothing written; add --yes to load without asking\n";
                return false;
            }
            std::string question =
                "Load " + std::to_string(changes) + (changes == 1 ? " change" : " changes") + " into the drive?";
            if (!plan.identityDiffers.empty())
                question =
                    "The file comes from another drive (" + Joined(plan.identityDiffers) + " differ). " + question;
            if (!Confirmed(err, question)) {
                err << "nothing written\n";
                if (interrupted) unloaded = kExitInterrupted;
                return false;
            }
        }
        // The same hooks go on to the load: its progress says so.
        hooks.progress = MakeProgress(err, interrupted, "loading");
        return true;
    };
    const Backup::RestoreRun run = Backup::Restore(m, a.slave, *file, options, hooks, confirm, a.Has("--store"));
    if (c.AsJson()) {
        c.Drive()["file"] = a.args[0];
        c.Drive().update(ScriptJson::Restore(run, *file));
    }

    const Backup::Plan& plan = run.plan;
    if (plan.stopped) {
        err << "interrupted: nothing written\n";
        return kExitInterrupted;
    }
    if (plan.failure.Failed()) {
        err << "reading " << (plan.failedStep.empty() ? std::string("the drive") : plan.failedStep)
            << " failed: " << Backup::FailureText(plan.failure) << "\n";
        return FailureExit(plan.failure);
    }
    const Backup::Refusal refusal = run.report ? run.report->refusal : plan.refusal;
    if (refusal != Backup::Refusal::None) {
        err << Backup::RefusalText(refusal) << "\n";
        return kExitDriveError;
    }
    if (!run.report) return unloaded;
    const int code = PrintReport(*run.report, says, err);
    if (code != kExitOk) return code;
    if (!run.store) {
        says << "the drive keeps these values only until power-off unless they are stored (--store)\n";
        return kExitOk;
    }
    if (run.store->Failed()) {
        err << "storing the parameters failed: " << Backup::FailureText(*run.store) << "\n";
        return FailureExit(*run.store);
    }
    says << "stored: the drive keeps these values after power-off\n";
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
    std::optional<Backup::Configuration> file = ReadConfigFile(c, path);
    if (!file) return kExitInvalidFile;
    // The file stays as it was: the message names what was wrong.
    const auto refuse = [&](const std::string& what, const std::string& key) {
        err << "set: " << what << "; " << Printable(path) << " is unchanged\n";
        if (c.AsJson()) {
            c.document = {{"file", path}, {"error", ScriptJson::Error("file", path, what)}};
            if (!key.empty()) c.document["error"]["key"] = key;
        }
        return kExitInvalidFile;
    };
    // Every pair is checked against the file as it stands (its speed unit
    // among the rest) before anything changes: all of them, or none.
    Backup::Values changed = file->values;
    for (size_t i = 1; i < a.args.size(); ++i) {
        const std::string& pair = a.args[i];
        const size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) return refuse(Printable(pair) + ": not KEY=VALUE", "");
        const std::string key = pair.substr(0, equals);
        const Backup::Item* item = Backup::FindItem(key);
        if (!item) return refuse("no setting " + Printable(key), "");
        if (!file->values.count(key)) return refuse(key + " is not in the file (its drive has no such object)", key);
        std::string why;
        const std::optional<uint64_t> raw = Backup::ParseValue(*item, pair.substr(equals + 1), file->values, why);
        if (!raw) return refuse(key + "=" + Printable(pair.substr(equals + 1)) + ": " + why, key);
        changed[key] = *raw;
    }
    const std::vector<Backup::Difference> differences = Backup::Compare(file->values, changed);
    if (c.AsJson()) {
        Json list = Json::array();
        for (const Backup::Difference& d : differences)
            list.push_back({{"key", d.key},
                            {"old", ScriptJson::Setting(d.key, d.first, file->values)},
                            {"new", ScriptJson::Setting(d.key, d.second, changed)}});
        c.document = {{"file", path}, {"changed", std::move(list)}};
    } else {
        for (const Backup::Difference& d : differences) {
            const Backup::Item& item = *Backup::FindItem(d.key);
            out << d.key << '\t' << RawOrDash(item, d.first) << '\t' << RawOrDash(item, d.second) << '\n';
        }
    }
    file->values = std::move(changed);
    std::string error;
    if (!Backup::WriteFile(path, *file, error)) {
        err << error << "\n";
        if (c.AsJson()) c.document = {{"file", path}, {"error", ScriptJson::Error("file", path, error)}};
        return kExitInvalidFile;
    }
    return kExitOk;
}

}  // namespace Cli
