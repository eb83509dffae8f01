// The bus overview against three simulated drives on one line (1, 3 and 5),
// drive 3 silent: each drive's state as it answers or not, the main
// window's own poll going on meanwhile, a double-click choosing the drive,
// the CSV export, the drives remembered, and one at other line settings
// listed but never asked; the selected drives backed up one file each.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "BusOverviewDlg.h"
#include "ConfigFile.h"
#include "FileChoiceRecorder.h"
#include "GuiFixture.h"

using namespace GuiActions;

namespace {

class BusOverviewDlgTest : public CGuiFixture {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.otherSlaves = {3, 5};
        return options;
    }
    void SetUp() override
    {
        CGuiFixture::SetUp();
        m_sim->SetFaultProbability(zoric::sim::SimFault::NoAnswer, 1.0, 3);  // drive 3 silent
        QSettings().remove(QStringLiteral("bus_overview"));  // the drives of the test before
        m_tool = m_dlg->BusOverviewTool();
        m_tool->show();
    }
    template <class T>
    T* Get(const char* name) const { return Find<T>(m_tool, name); }
    void AddDrive(int slave)
    {
        Get<QSpinBox>("m_spinAddress")->setValue(slave);
        Click(Get<QPushButton>("m_btnAdd"));
    }
    const OverviewDrive& Drive(uint8_t slave) const { return *m_tool->Overview().Find(slave); }
    bool WaitFor(const std::function<bool()>& done, int ms = 8000) { return QTest::qWaitFor(done, ms); }
    QString Cell(int row, int column) const { return Get<QTableWidget>("m_tableDrives")->item(row, column)->text(); }

    CBusOverviewDlg* m_tool = nullptr;
};

TEST_F(BusOverviewDlgTest, PollsTheDrivesInTurnAndKeepsASilentOneListed)
{
    for (int slave : {5, 1, 3}) AddDrive(slave);
    ASSERT_EQ(m_tool->Overview().Drives().size(), 3u);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("1"));  // listed by address
    EXPECT_EQ(Cell(2, 0), QStringLiteral("5"));

    auto* period = Get<QSpinBox>("m_spinPeriod");
    period->setValue(period->minimum());
    Click(Get<QPushButton>("m_btnPoll"));
    ASSERT_TRUE(m_tool->Polling());
    // The main window's own poll goes on while the overview waits for the silent drive.
    Click(Find<QCheckBox>(m_dlg.get(), "m_checkAutoUpdate"));
    ASSERT_TRUE(WaitFor([&] { return Drive(3).asked && Drive(1).status && Drive(5).status; }));
    ASSERT_TRUE(WaitFor([&] { return Find<QLabel>(m_dlg.get(), "m_statusIn1")->text() != QStringLiteral("-"); }, 3000));

    EXPECT_TRUE(Drive(1).Answering());
    EXPECT_TRUE(Drive(5).Answering());
    EXPECT_FALSE(Drive(3).Answering());
    ASSERT_TRUE(Drive(5).info);
    EXPECT_EQ(Cell(0, 4), QStringLiteral("停止"));
    EXPECT_EQ(Cell(2, 4), QStringLiteral("停止"));
    EXPECT_EQ(Cell(1, 4), QString::fromStdString(CModbusMaster::ResultText(Drive(3).lastResult)));
    EXPECT_FALSE(Cell(2, 2).isEmpty());  // the identifier, read once
    EXPECT_TRUE(Cell(1, 7).isEmpty());   // never answered
    EXPECT_FALSE(Cell(2, 7).isEmpty());

    // A drive that stops answering is shown so, not removed.
    m_sim->SetFaultProbability(zoric::sim::SimFault::NoAnswer, 1.0, 5);
    ASSERT_TRUE(WaitFor([&] { return !Drive(5).Answering(); }));
    EXPECT_EQ(m_tool->Overview().Drives().size(), 3u);
    EXPECT_TRUE(Drive(5).lastAnswer.has_value());

    // Hidden, it polls no more.
    m_tool->hide();
    EXPECT_FALSE(m_tool->Polling());
}

TEST_F(BusOverviewDlgTest, DoubleClickChoosesTheDriveAndTheTableExportsAsCsv)
{
    for (int slave : {1, 5}) AddDrive(slave);
    Click(Get<QPushButton>("m_btnPoll"));
    ASSERT_TRUE(WaitFor([&] { return Drive(1).status && Drive(5).status; }));
    Click(Get<QPushButton>("m_btnPoll"));

    m_tool->OnUse(1);
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 5);

    QTemporaryDir dir;
    CFileChoiceRecorder files;
    files.Choose(dir.filePath("drives.csv"));
    Click(Get<QPushButton>("m_btnExportCsv"));
    QFile file(dir.filePath("drives.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("slave,model,identifier,version,state,error_state,supply_v,temperature_c,last_answer"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1,"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",stopped,"))) << lines[2].toStdString();
}

TEST_F(BusOverviewDlgTest, TheSelectedDrivesAreBackedUpOneFileEachAndASilentOneIsReported)
{
    for (int slave : {1, 3, 5}) AddDrive(slave);
    auto* table = Get<QTableWidget>("m_tableDrives");
    table->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int row : {0, 1, 2}) table->selectRow(row);
    QTemporaryDir dir;
    CFileChoiceRecorder files;
    files.Choose(dir.path());
    Click(Get<QPushButton>("m_btnBackup"));
    ASSERT_TRUE(WaitFor([&] { return m_boxes.Count() == 1; }, 15000));
    EXPECT_EQ(files.Requests().at(0).mode, CFileChooser::Mode::Folder);
    EXPECT_TRUE(QFile::exists(dir.filePath("slave-001-0x2408.json")));
    EXPECT_TRUE(QFile::exists(dir.filePath("slave-005-0x2408.json")));  // after the silent one
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    const QStringList report = m_boxes.LastText().split('\n');
    ASSERT_EQ(report.size(), 3) << m_boxes.LastText().toStdString();
    EXPECT_TRUE(report[1].startsWith(QStringLiteral("地址 3: 失败"))) << report[1].toStdString();
    const Backup::ParsedFile saved = Backup::ReadFile(dir.filePath("slave-005-0x2408.json").toStdString());
    EXPECT_TRUE(saved.config) << Backup::Describe(saved.problem);
}

TEST_F(BusOverviewDlgTest, TheDrivesAreRememberedAndOneAtOtherSettingsIsNeverAsked)
{
    AddDrive(5);
    DriveScan::Found elsewhere;
    elsewhere.slave = 9;
    elsewhere.baud = 19200;
    BusOverviewHost host;
    host.current = [] { return Backup::LinkSettings{9600, 0, 1}; };
    host.scanned = [&] { return std::vector<DriveScan::Found>{elsewhere}; };
    host.useAddress = [](uint8_t) {};
    CBusOverviewDlg again(m_dlg.get(), host);
    ASSERT_EQ(again.Overview().Drives().size(), 1u);
    EXPECT_EQ(again.Overview().Drives()[0].slave, 5);

    Click(Find<QPushButton>(&again, "m_btnAddScanned"));
    ASSERT_EQ(again.Overview().Drives().size(), 2u);
    const OverviewDrive& other = *again.Overview().Find(9);
    EXPECT_TRUE(other.otherLine);
    EXPECT_EQ(Find<QTableWidget>(&again, "m_tableDrives")->item(1, 4)->text(),
              QStringLiteral("在其他通讯设置 (19200 n,8,2), 不轮询"));

    again.show();
    Click(Find<QPushButton>(&again, "m_btnPoll"));
    ASSERT_TRUE(WaitFor([&] { return again.Reads() >= 3; }));
    EXPECT_FALSE(other.asked);
    EXPECT_TRUE(again.Overview().Find(5)->Answering());
}

}  // namespace
