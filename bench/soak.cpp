// A long run of the main window (offscreen) against the simulated drive with
// every fault kind at a small probability, all at once: "自动更新" polling
// the live status, the communication object list loading again and again,
// the register tool writing the ramp registers and reading each write back,
// and motor learning in a loop. Meant for the AddressSanitizer build
// (scripts/soak). Checks that nothing crashes or deadlocks (a UI-thread
// heartbeat and the progress of every activity, watched from another
// thread), that resident memory stays bounded after the warm-up, that every
// write reads back equal, and that the count of each result code fits the
// faults the drive injected. Prints the figures; exits 1 when a check fails.
//
// Usage: soak [seconds (300)] [--probability P (0.002 per fault kind)] [--seed N]
//             [--rss-growth-mb M (48)]
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include <unistd.h>

#include "CommParamDlg.h"
#include "DemoDlg.h"
#include "DriveSimulator.h"
#include "MessageBox.h"
#include "MotorParamDlg.h"
#include "RegisterDlg.h"

using zoric::sim::SimFault;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFaultKinds = static_cast<int>(SimFault::Count);
const char* const kFaultNames[kFaultKinds] = {"no answer",      "bad CRC",     "wrong slave",   "split answer",
                                              "trailing bytes", "late answer", "device failure"};
// The UI thread must turn within this, and each activity finish a round
// within the progress limit, or the run is taken for deadlocked.
constexpr int kHeartbeatLimitMs = 10000;
constexpr int kProgressLimitMs = 120000;
// A read answered by the late frame of an earlier request: possible for this
// long after a late answer went out.
constexpr int kLateWindowMs = 2500;

struct Options {
    int seconds = 300;
    double probability = 0.002;
    uint32_t seed = 1;
    double rssGrowthMb = 48;
};

double ResidentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// Every message box, counted by its text; questions are answered No.
class CBoxCounter : public CMessageBox::IHandler {
public:
    CMessageBox::Answer Handle(const CMessageBox::Request& request) override
    {
        ++m_texts[request.text];
        return request.buttons == CMessageBox::Buttons::YesNo ? CMessageBox::Answer::No : CMessageBox::Answer::Ok;
    }
    const std::map<QString, int>& Texts() const { return m_texts; }
    int Count(const QString& text) const
    {
        const auto it = m_texts.find(text);
        return it == m_texts.end() ? 0 : it->second;
    }

private:
    std::map<QString, int> m_texts;
};

// Rounds each activity finished; read by the watchdog thread.
struct Progress {
    std::atomic<int64_t> heartbeatMs{0};
    std::atomic<uint64_t> loads{0};
    std::atomic<uint64_t> learnings{0};
    std::atomic<uint64_t> writes{0};
    std::atomic<int64_t> lastLoadMs{0}, lastLearningMs{0}, lastWriteMs{0};
};

// The register tool: write a value, read it back until a read succeeds,
// compare. The ramp registers (80..83) take any value at any time and
// nothing else of this run writes them.
class CRegisterRounds {
public:
    CRegisterRounds(CRegisterDlg* tool, uint32_t seed) : m_tool(tool), m_random(seed) {}

    // Advances by one step when the tool is idle; false while it is busy.
    void Step(Progress& progress, zoric::sim::CDriveSimulator& sim, int64_t lastLateMs)
    {
        auto* writeButton = Child<QPushButton>("writeButton");
        auto* readButton = Child<QPushButton>("readButton");
        if (!writeButton->isEnabled() || !readButton->isEnabled()) return;
        switch (m_state) {
        case State::Idle: StartWrite(); break;
        case State::Writing: StartRead(); break;
        case State::Reading: Check(progress, sim, lastLateMs); break;
        }
    }

    uint64_t verified = 0;
    uint64_t readRetries = 0;
    uint64_t staleReads = 0;  // answered by a late frame, the drive holding the value written
    uint64_t mismatches = 0;  // anything else
    std::string firstMismatch;

private:
    enum class State { Idle, Writing, Reading };
    // A read that fails this often in a row is not bad luck.
    static constexpr int kReadTries = 20;

    template <class T>
    T* Child(const char* name) const
    {
        return m_tool->findChild<T*>(QString::fromLatin1(name));
    }

    void StartWrite()
    {
        m_type = static_cast<int>(m_round % 3);
        m_address = static_cast<uint16_t>(m_type == CRegisterDlg::kShort ? 80 + (m_round / 3) % 2 : 82);
        uint32_t value = static_cast<uint32_t>(m_random());
        if (m_type == CRegisterDlg::kShort) value &= 0xFFFF;
        if (m_type == CRegisterDlg::kFloat && ((value >> 23) & 0xFF) == 0xFF) value ^= 0x40000000;  // no NaN
        m_expected = QString::asprintf(m_type == CRegisterDlg::kShort ? "%04X" : "%08X", value);
        ++m_round;
        Child<QComboBox>("writeTypeCombo")->setCurrentIndex(m_type);
        Child<QLineEdit>("writeAddressEdit")->setText(QString::asprintf("%04X", m_address));
        Child<QLineEdit>("writeHexEdit")->setText(m_expected);
        Child<QPushButton>("writeButton")->click();
        m_readTries = 0;
        m_state = State::Writing;
    }

    void StartRead()
    {
        Child<QComboBox>("readTypeCombo")->setCurrentIndex(m_type);
        Child<QLineEdit>("readAddressEdit")->setText(QString::asprintf("%04X", m_address));
        Child<QLineEdit>("readHexEdit")->clear();  // filled only by a read that succeeds
        Child<QPushButton>("readButton")->click();
        m_readStartMs = NowMs();
        ++m_readTries;
        m_state = State::Reading;
    }

    void Check(Progress& progress, zoric::sim::CDriveSimulator& sim, int64_t lastLateMs)
    {
        const QString read = Child<QLineEdit>("readHexEdit")->text();
        if (read.isEmpty() && m_readTries < kReadTries) {  // the read failed (a spoiled answer): read again
            ++readRetries;
            StartRead();
            return;
        }
        if (read == m_expected) {
            ++verified;
        } else {
            // The drive carries out every request, whatever befalls the answer.
            uint32_t held = sim.GetRegister(m_address);
            if (m_type != CRegisterDlg::kShort)
                held = held << 16 | sim.GetRegister(static_cast<uint16_t>(m_address + 1));
            const QString drive = QString::asprintf(m_type == CRegisterDlg::kShort ? "%04X" : "%08X", held);
            if (!read.isEmpty() && drive == m_expected && m_readStartMs - lastLateMs < kLateWindowMs) {
                ++staleReads;
            } else {
                ++mismatches;
                if (firstMismatch.empty())
                    firstMismatch = QString::asprintf("register %u: wrote %s, read %s, drive holds %s", m_address,
                                                      qPrintable(m_expected), qPrintable(read), qPrintable(drive))
                                        .toStdString();
            }
        }
        progress.writes++;
        progress.lastWriteMs = NowMs();
        m_state = State::Idle;
    }

    CRegisterDlg* m_tool;
    std::mt19937 m_random;
    State m_state = State::Idle;
    uint64_t m_round = 0;
    int m_type = 0;
    uint16_t m_address = 80;
    QString m_expected;
    int m_readTries = 0;
    int64_t m_readStartMs = 0;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--probability" && hasValue) {
            o.probability = std::atof(argv[++i]);
        } else if (arg == "--seed" && hasValue) {
            o.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--rss-growth-mb" && hasValue) {
            o.rssGrowthMb = std::atof(argv[++i]);
        } else if (!arg.empty() && arg[0] >= '0' && arg[0] <= '9') {
            o.seconds = std::atoi(arg.c_str());
        } else {
            return false;
        }
    }
    return o.seconds > 0 && o.probability >= 0 && o.probability < 0.2;
}

// Ends the process when the UI thread stops turning or an activity stops
// finishing rounds: a deadlock must not pass for a quiet run.
void Watchdog(const Progress& progress, const std::atomic<bool>& done)
{
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const int64_t now = NowMs();
        const int64_t beat = now - progress.heartbeatMs.load();
        const char* stuck = nullptr;
        if (beat > kHeartbeatLimitMs) stuck = "the UI thread";
        else if (now - progress.lastLoadMs.load() > kProgressLimitMs) stuck = "the object list load";
        else if (now - progress.lastLearningMs.load() > kProgressLimitMs) stuck = "motor learning";
        else if (now - progress.lastWriteMs.load() > kProgressLimitMs) stuck = "the register tool";
        if (!stuck || done.load()) continue;
        std::fprintf(stderr,
                     "soak: DEADLOCK: %s made no progress (UI heartbeat %.1f s ago; %" PRIu64 " loads, %" PRIu64
                     " learnings, %" PRIu64 " writes)\n",
                     stuck, static_cast<double>(beat) / 1000.0, progress.loads.load(), progress.learnings.load(),
                     progress.writes.load());
        std::fflush(stderr);
        std::abort();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: soak [seconds] [--probability P] [--seed N] [--rss-growth-mb M]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZORIC_Demo"));

    zoric::sim::SimOptions simOptions;
    simOptions.timeScale = 0.05;  // a motor learning in 0.15 s
    simOptions.randomSeed = o.seed;
    // The line's faults; a drive's exception answer is no fault of the link.
    for (int k = 0; k < kFaultKinds; ++k)
        if (static_cast<SimFault>(k) != SimFault::Exception) simOptions.faultProbability[k] = o.probability;
    zoric::sim::CDriveSimulator sim(simOptions);
    if (!sim.Start()) {
        std::fprintf(stderr, "soak: simulator: %s\n", sim.LastError().c_str());
        return 1;
    }

    CBoxCounter boxes;
    CMessageBox::SetHandler(&boxes);
    auto dlg = std::make_unique<CDemoDlg>();
    dlg->show();
    if (!dlg->m_master.OpenPort(sim.SlavePath(), 9600,
                                zoric::sim::ParityIndex(simOptions.parity, simOptions.stopBits))) {
        std::fprintf(stderr, "soak: cannot open %s\n", sim.SlavePath().c_str());
        return 1;
    }

    Progress progress;
    progress.heartbeatMs = progress.lastLoadMs = progress.lastLearningMs = progress.lastWriteMs = NowMs();
    std::atomic<bool> done{false};
    std::thread watchdog([&] { Watchdog(progress, done); });

    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { progress.heartbeatMs = NowMs(); });
    heartbeat.start(100);

    dlg->findChild<QCheckBox*>(QStringLiteral("autoUpdateCheck"))->click();
    CCommParamDlg* commPage = dlg->CommParamPage();
    auto* loadButton = commPage->findChild<QPushButton*>(QStringLiteral("objectsLoadButton"));
    CMotorParamDlg* motorPage = dlg->MotorParamPage();
    auto* learnButton = motorPage->findChild<QPushButton*>(QStringLiteral("learnButton"));
    CRegisterRounds registers(dlg->RegisterTool(), o.seed);

    bool loading = false;
    bool learning = false;
    bool stopping = false;
    uint64_t lateSeen = 0;
    int64_t lastLateMs = -kLateWindowMs;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        const uint64_t late = sim.FaultCount(SimFault::LateAnswer);
        if (late != lateSeen) {
            lateSeen = late;
            lastLateMs = NowMs();
        }
        if (loading && loadButton->isEnabled() && !commPage->m_loading) {
            loading = false;
            ++progress.loads;
            progress.lastLoadMs = NowMs();
        }
        if (learning && learnButton->isEnabled() && !motorPage->IsLearning()) {
            learning = false;
            ++progress.learnings;
            progress.lastLearningMs = NowMs();
        }
        if (stopping) return;
        if (!loading && loadButton->isEnabled()) {
            loadButton->click();
            loading = true;
        }
        if (!learning && learnButton->isEnabled()) {
            learnButton->click();
            learning = true;
        }
        registers.Step(progress, sim, lastLateMs);
    });
    driver.start(20);

    // Resident memory: the warm-up fills the sanitizer's quarantine and Qt's
    // caches; after it the figure must stay near where it was.
    const int warmUpSeconds = std::max(20, o.seconds / 5);
    double rssWarm = 0, rssMax = 0, rssEnd = 0;
    const double rssStart = ResidentMb();
    QElapsedTimer run;
    run.start();
    int lastReport = 0;
    while (run.elapsed() < static_cast<qint64>(o.seconds) * 1000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        const int t = static_cast<int>(run.elapsed() / 1000);
        if (t == lastReport) continue;
        lastReport = t;
        const double rss = ResidentMb();
        if (t == warmUpSeconds) rssWarm = rss;
        if (t >= warmUpSeconds) rssMax = std::max(rssMax, rss);
        if (t % 60 == 0)
            std::printf("t=%4d s  rss %.1f MB  requests %" PRIu64 "  loads %" PRIu64 "  learnings %" PRIu64
                        "  writes %" PRIu64 "\n",
                        t, rss, sim.RequestCount(), progress.loads.load(), progress.learnings.load(),
                        progress.writes.load());
        std::fflush(stdout);
    }
    rssEnd = ResidentMb();
    if (rssWarm == 0) rssWarm = rssEnd;

    // Let every activity end its round, then take the figures with nothing in flight.
    stopping = true;
    dlg->findChild<QCheckBox*>(QStringLiteral("autoUpdateCheck"))->click();
    QElapsedTimer drain;
    drain.start();
    while ((loading || learning || !dlg->Link().Idle()) && drain.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QElapsedTimer settle;  // a late answer still on its way
    settle.start();
    while (settle.elapsed() < 1500) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    driver.stop();
    done = true;
    watchdog.join();

    std::array<uint64_t, 256> results{};
    uint64_t transactions = 0;
    for (size_t r = 0; r < results.size(); ++r) {
        results[r] = dlg->m_master.ResultCount(static_cast<ModbusResult>(r));
        transactions += results[r];
    }
    std::array<uint64_t, kFaultKinds> faults{};
    for (int k = 0; k < kFaultKinds; ++k) faults[static_cast<size_t>(k)] = sim.FaultCount(static_cast<SimFault>(k));
    const uint64_t requests = sim.RequestCount();
    const uint64_t answers = sim.AnswerCount();
    const bool drained = !loading && !learning && dlg->Link().Idle();
    dlg.reset();
    sim.Stop();
    CMessageBox::SetHandler(nullptr);

    // ---- figures ----
    std::printf("\nsoak: %d s, fault probability %.3f per kind, seed %u\n", o.seconds, o.probability, o.seed);
    std::printf("activities: %" PRIu64 " object list loads, %" PRIu64 " motor learnings, %" PRIu64
                " register writes (%" PRIu64 " read back equal, %" PRIu64 " reads repeated after a failure, %" PRIu64
                " answered by a late frame, %" PRIu64 " mismatches)\n",
                progress.loads.load(), progress.learnings.load(), progress.writes.load(), registers.verified,
                registers.readRetries, registers.staleReads, registers.mismatches);
    std::printf("drive: %" PRIu64 " requests, %" PRIu64 " answered; faults injected:", requests, answers);
    uint64_t spoiling = 0;
    for (int k = 0; k < kFaultKinds; ++k) {
        std::printf("%s %s %" PRIu64, k ? "," : "", kFaultNames[k], faults[static_cast<size_t>(k)]);
        if (static_cast<SimFault>(k) != SimFault::SplitResponse) spoiling += faults[static_cast<size_t>(k)];
    }
    std::printf("\nmaster: %" PRIu64 " transactions; by result:", transactions);
    for (size_t r = 0; r < results.size(); ++r)
        if (results[r]) std::printf(" %zu:%" PRIu64, r, results[r]);
    std::printf("\nmessage boxes:");
    for (const auto& [text, count] : boxes.Texts())
        std::printf(" [%s] x%d", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))), count);
    std::printf(
        "\nresident memory: %.1f MB at start, %.1f MB after the %d s warm-up, %.1f MB at most after it, "
        "%.1f MB at the end (growth %.1f MB, %.2f MB/min)\n",
        rssStart, rssWarm, warmUpSeconds, rssMax, rssEnd, rssEnd - rssWarm,
        (rssEnd - rssWarm) * 60.0 / std::max(1, o.seconds - warmUpSeconds));

    // ---- checks ----
    int failed = 0;
    auto check = [&](bool ok, const std::string& what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
        if (!ok) ++failed;
    };
    const uint64_t late = faults[static_cast<size_t>(SimFault::LateAnswer)];
    const uint64_t timeouts = results[kResultTimeout];
    check(drained, "every activity ended its round at the end");
    check(progress.loads > 0 && progress.learnings > 0 && registers.verified > 0, "every activity completed rounds");
    check(registers.mismatches == 0, "every write read back equal" +
                                         (registers.firstMismatch.empty() ? "" : " (" + registers.firstMismatch + ")"));
    check(registers.staleReads <= late,
          "reads answered by a late frame (" + std::to_string(registers.staleReads) + ") no more than late answers");
    check(transactions - results[kResultPortNotOpen] - results[kResultTooLong] == requests,
          "every transaction reached the drive (" + std::to_string(requests) + " requests)");
    check(results[kResultPortNotOpen] == 0 && results[kResultTooLong] == 0 &&
              boxes.Count(QStringLiteral("串口未打开")) == 0,
          "the port stayed open and no request was refused unsent");
    // Each spoiled answer times out; a late frame can end one later
    // transaction early (as its answer) or spoil it (a time-out or a bad
    // response) - at most one each.
    check(timeouts + late >= spoiling && timeouts <= spoiling + late,
          "time-outs (" + std::to_string(timeouts) + ") match the spoiled answers (" + std::to_string(spoiling) +
              ") within the late ones (" + std::to_string(late) + ")");
    check(results[kResultBadResponse] <= late,
          "bad responses (" + std::to_string(results[kResultBadResponse]) + ") come only from late frames");
    check(rssEnd - rssWarm <= o.rssGrowthMb, "resident memory after the warm-up grew by at most " +
                                                 std::to_string(static_cast<int>(o.rssGrowthMb)) + " MB");
    std::printf("%s\n", failed ? "soak: FAILED" : "soak: passed");
    return failed ? 1 : 0;
}
