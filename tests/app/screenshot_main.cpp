// zoric-screenshot: renders the main window with each tab page, and every
// tool window and editor, to PNG files for review, in Chinese (zh/) and in
// English (en/). Runs offscreen against an in-process simulated drive so
// that the fields show real values.
//
//   zoric-screenshot <output directory>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "AboutDlg.h"
#include "ConfigDiffDlg.h"
#include "DemoDlg.h"
#include "DriveSimulator.h"
#include "LivePlotDlg.h"
#include "LoadOptionsDlg.h"
#include "LoadReportDlg.h"
#include "MessageBox.h"
#include "UiLanguage.h"

namespace {

// Message boxes would block an unattended run.
class CSilentBoxes : public CMessageBox::IHandler {
public:
    CMessageBox::Answer Handle(const CMessageBox::Request& request) override
    {
        std::fprintf(stderr, "zoric-screenshot: message box: %s\n", request.text.toUtf8().constData());
        return request.buttons == CMessageBox::Buttons::YesNo ? CMessageBox::Answer::No : CMessageBox::Answer::Ok;
    }
};

bool Save(QWidget* window, const QDir& dir, const QString& name)
{
    QTest::qWait(50);
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    const bool ok = window->grab().save(path);
    std::printf("%s %dx%d %s\n", ok ? "wrote" : "FAILED", window->width(), window->height(), path.toUtf8().constData());
    return ok;
}

// The configuration menu's windows, with the simulated drive's values and
// a few made-up differences.
bool SaveConfigWindows(CDemoDlg& dlg, const QDir& dir)
{
    bool ok = true;
    CLoadOptionsDlg options(&dlg, QStringLiteral("drive.json"));
    options.show();
    ok = Save(&options, dir, QStringLiteral("config-options")) && ok;

    const Backup::Values drive = Backup::ReadConfiguration(dlg.m_master, 1).config.values;
    Backup::Values file = drive;
    file["motor.rated_current"] += 50;
    file["pid.speed_kp"] = 0x40200000;
    file["motor.phase_sequence"] ^= 0x0101;
    std::vector<CConfigDiffDlg::Row> changes, kept;
    for (const Backup::Difference& d : Backup::Compare(drive, file))
        (d.key == "motor.phase_sequence" ? kept : changes).push_back({d.key, d.first, d.second});
    CConfigDiffDlg diff(&dlg, drive, file);
    diff.ShowLoad(changes, kept);
    diff.show();
    ok = Save(&diff, dir, QStringLiteral("config-changes")) && ok;

    Backup::LoadReport report;
    for (const std::string& step : Backup::LoadSteps({})) {
        Backup::StepReport out;
        out.step = step;
        out.status = step == "motor" || step == "pid" ? Backup::StepStatus::Verified : Backup::StepStatus::Unchanged;
        report.steps.push_back(out);
    }
    CLoadReportDlg result(&dlg, report);
    result.show();
    ok = Save(&result, dir, QStringLiteral("config-report")) && ok;
    return ok;
}

// Every window in the language now applied, into `dir`.
bool SaveAll(const QDir& dir)
{
    zoric::sim::CDriveSimulator sim;
    const bool simulated = sim.Start();
    bool ok = true;
    {
        CDemoDlg dlg;
        dlg.show();
        if (simulated && dlg.m_master.OpenPort(sim.SlavePath(), 9600, 0)) {
            // Fill the device information and the live status as a user would.
            if (auto* read = dlg.findChild<QPushButton*>(QStringLiteral("readInfoButton"))) read->click();
            if (auto* autoUpdate = dlg.findChild<QCheckBox*>(QStringLiteral("autoUpdateCheck"))) autoUpdate->click();
            // Every page's "读取", so that the pages show the drive's values.
            const QString read = QCoreApplication::translate("CMotorParamDlg", "读取");
            for (int i = 0; i < dlg.Tabs()->count(); ++i) {
                for (QPushButton* button : dlg.Tabs()->widget(i)->findChildren<QPushButton*>()) {
                    if (button->text() == read && button->isEnabled()) button->click();
                }
            }
            if (!QTest::qWaitFor([&] { return dlg.Link().Idle(); }, 10000))
                std::fprintf(stderr, "zoric-screenshot: the drive did not answer every read\n");
            QTest::qWait(400);
        } else {
            std::fprintf(stderr, "zoric-screenshot: no simulated drive; the fields stay empty\n");
        }
        for (int i = 0; i < dlg.Tabs()->count(); ++i) {
            dlg.ShowPage(i);
            ok = Save(&dlg, dir, QStringLiteral("main-tab%1").arg(i)) && ok;
        }
        dlg.ShowPage(0);
        // The tool windows the menu makes when first asked for.
        dlg.DriveScanTool();
        dlg.BusMonitorTool();
        dlg.BusOverviewTool();
        // Every tool window and editor the windows created (hidden) for later.
        int n = 0;
        for (QDialog* tool : dlg.findChildren<QDialog*>()) {
            if (!tool->isWindow()) continue;
            tool->show();
            const QString name =
                QString::fromLatin1(tool->metaObject()->className()).remove(QLatin1Char('C'), Qt::CaseSensitive);
            ok = Save(tool, dir, QStringLiteral("tool-%1-%2").arg(++n).arg(name)) && ok;
            tool->hide();
        }
        ok = SaveConfigWindows(dlg, dir) && ok;
        {
            CLivePlotDlg plot(&dlg);
            plot.show();
            QTest::qWait(600);  // a few samples on the curves
            ok = Save(&plot, dir, QStringLiteral("tool-live-plot")) && ok;
        }
        CAboutDlg about(&dlg);
        about.show();
        ok = Save(&about, dir, QStringLiteral("about")) && ok;
    }
    sim.Stop();
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZORIC_Demo"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: zoric-screenshot <output directory>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "zoric-screenshot: cannot create %s\n", argv[1]);
        return 1;
    }
    CSilentBoxes boxes;
    CMessageBox::SetHandler(&boxes);

    bool ok = true;
    for (const Language language : {Language::Chinese, Language::English}) {
        const QString code = QString::fromLatin1(LanguageCode(language));
        if (!UiLanguage::Apply(language)) {
            std::fprintf(stderr, "zoric-screenshot: no translation for %s\n", LanguageCode(language));
            ok = false;
        }
        if (!dir.mkpath(code)) {
            std::fprintf(stderr, "zoric-screenshot: cannot create %s\n", qPrintable(dir.filePath(code)));
            return 1;
        }
        ok = SaveAll(QDir(dir.filePath(code))) && ok;
    }
    CMessageBox::SetHandler(nullptr);
    return ok ? 0 : 1;
}
