// The bus overview beside the main window's own poll, on one simulated line
// of three drives (1, 3 and 5) answering at the real speed of 9600 baud: the
// main window's status polls per second alone, then with the overview
// polling at its least period, and the overview's rounds per second then.
// Usage: overview_bench [seconds per case, default 10]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BusOverviewDlg.h"
#include "DemoDlg.h"
#include "DriveSimulator.h"

namespace {

void Serve(int ms)
{
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < ms) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("zoric-overview-bench"));
    QSettings().clear();
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    zoric::sim::SimOptions options;
    options.otherSlaves = {3, 5};
    options.pacing = true;
    zoric::sim::CDriveSimulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "overview_bench: simulator: %s\n", sim.LastError().c_str());
        return 1;
    }
    auto dlg = std::make_unique<CDemoDlg>();
    dlg->show();
    if (!dlg->m_master.OpenPort(sim.SlavePath(), 9600, zoric::sim::ParityIndex(options.parity, options.stopBits))) {
        std::fprintf(stderr, "overview_bench: cannot open %s\n", sim.SlavePath().c_str());
        return 1;
    }
    Serve(500);
    dlg->findChild<QCheckBox*>(QStringLiteral("autoUpdateCheck"))->click();
    Serve(1000);
    uint64_t before = sim.RequestCount();
    Serve(seconds * 1000);
    const double alone = static_cast<double>(sim.RequestCount() - before) / seconds;

    CBusOverviewDlg* overview = dlg->BusOverviewTool();
    overview->show();
    auto* address = overview->findChild<QSpinBox*>(QStringLiteral("addressSpin"));
    for (int slave : {1, 3, 5}) {
        address->setValue(slave);
        overview->findChild<QPushButton*>(QStringLiteral("addButton"))->click();
    }
    auto* period = overview->findChild<QSpinBox*>(QStringLiteral("periodSpin"));
    period->setValue(period->minimum());
    overview->findChild<QPushButton*>(QStringLiteral("pollButton"))->click();
    Serve(2000);  // each drive's device information read once
    before = sim.RequestCount();
    const uint64_t readsBefore = overview->Reads();
    Serve(seconds * 1000);
    const uint64_t reads = overview->Reads() - readsBefore;
    const double beside = static_cast<double>(sim.RequestCount() - before - reads) / seconds;
    const double rounds = static_cast<double>(reads) / 3.0 / seconds;

    std::printf("three drives at 9600 baud, paced; %d s a case\n", seconds);
    std::printf("main window's status polls alone          %6.2f /s\n", alone);
    std::printf("main window's status polls beside overview %6.2f /s\n", beside);
    std::printf("overview: least period %d ms, rounds      %6.2f /s (%.0f ms a round)\n", period->minimum(), rounds,
                rounds > 0 ? 1000.0 / rounds : 0.0);
    dlg.reset();
    sim.Stop();
    return 0;
}
