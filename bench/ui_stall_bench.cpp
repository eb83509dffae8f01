// How long the main window's UI thread goes without serving its events while
// "自动更新" polls the live status: against a silent drive (every poll runs
// into the 1000 ms time-out) and against the simulated drive answering at the
// real speed of a 9600 baud line. A 1 ms timer on the UI thread stamps each
// turn of its event loop; a stall is the gap between two turns.
// Usage: ui_stall_bench [seconds per case, default 10] [--blocking]
// --blocking adds, for comparison, the same poll run on the UI thread itself.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "DemoDlg.h"
#include "DriveSimulator.h"

namespace {

struct Figures {
    double worstMs = 0;
    double p99Ms = 0;
    size_t turns = 0;
    uint64_t requests = 0;
};

// Serves the event loop for `seconds` and measures the gaps between turns.
Figures Measure(int seconds)
{
    std::vector<double> gaps;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer stamp;
    stamp.setTimerType(Qt::PreciseTimer);
    stamp.setInterval(1);
    QObject::connect(&stamp, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(static_cast<double>(now - last) / 1e6);
        last = now;
    });
    stamp.start();
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < seconds * 1000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    stamp.stop();
    Figures f;
    f.turns = gaps.size();
    if (gaps.empty()) return f;
    std::sort(gaps.begin(), gaps.end());
    f.worstMs = gaps.back();
    f.p99Ms = gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
    return f;
}

Figures RunCase(bool silent, bool blocking, int seconds)
{
    zoric::sim::SimOptions options;
    options.baudRate = 9600;
    options.pacing = true;
    if (silent) options.faultProbability[static_cast<int>(zoric::sim::SimFault::NoAnswer)] = 1.0;
    zoric::sim::CDriveSimulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "ui_stall_bench: simulator: %s\n", sim.LastError().c_str());
        std::exit(1);
    }
    auto dlg = std::make_unique<CDemoDlg>();
    dlg->show();
    if (!dlg->m_master.OpenPort(sim.SlavePath(), 9600, zoric::sim::ParityIndex(options.parity, options.stopBits))) {
        std::fprintf(stderr, "ui_stall_bench: cannot open %s\n", sim.SlavePath().c_str());
        std::exit(1);
    }
    // The first paint and the font set-up are not the drive's doing.
    QElapsedTimer warmUp;
    warmUp.start();
    while (warmUp.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QTimer oldPoll;
    if (blocking) {
        // The poll as it was: the status read on the UI thread every 100 ms.
        QObject::connect(&oldPoll, &QTimer::timeout, [&] {
            RealtimeStatus status{};
            dlg->m_master.ReadRealtimeStatus(dlg->m_deviceAddress.load(), status);
        });
        oldPoll.start(100);
    } else {
        dlg->findChild<QCheckBox*>(QStringLiteral("autoUpdateCheck"))->click();
    }
    Figures f = Measure(seconds);
    oldPoll.stop();
    f.requests = sim.RequestCount();
    dlg.reset();
    sim.Stop();
    return f;
}

void Print(const char* name, const Figures& f, int seconds)
{
    std::printf("%-34s worst %8.1f ms   p99 %6.1f ms   %7zu loop turns   %4llu polls in %d s\n", name, f.worstMs,
                f.p99Ms, f.turns, static_cast<unsigned long long>(f.requests), seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int seconds = 10;
    bool compare = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--blocking") == 0) {
            compare = true;
        } else {
            seconds = std::max(1, std::atoi(argv[i]));
        }
    }
    std::printf("UI-thread stalls of the main window with auto-update (goal: worst <= 16 ms)\n");
    Print("silent drive (1000 ms time-outs)", RunCase(true, false, seconds), seconds);
    Print("drive at 9600 baud, paced", RunCase(false, false, seconds), seconds);
    if (compare) {
        Print("silent drive, poll on UI thread", RunCase(true, true, seconds), seconds);
        Print("9600 baud, poll on UI thread", RunCase(false, true, seconds), seconds);
    }
    return 0;
}
