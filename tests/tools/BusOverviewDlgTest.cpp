// The bus overview against three simulated drives on one line (1, 3 and 5),
// drive 3 silent: each drive's state as it answers or not, the main
// window's own poll going on meanwhile, a double-click choosing the drive,
// the CSV export, the drives remembered, and one at other line settings
// listed but never asked; the selected drives backed up one file each; one
// file loaded into the selected drives, one of them going silent half-way
// and one failing with an exception.
#include <gtest/gtest.h>

#include <QAction>
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

#include <functional>
#include <memory>
#include <mutex>

#include "BusOverviewDlg.h"
#include "ConfigDiffDlg.h"
#include "ConfigFile.h"
#include "FileChoiceRecorder.h"
#include "FrameMonitor.h"
#include "GuiFixture.h"
#include "LoadOptionsDlg.h"
#include "LoadReportDlg.h"

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
        QSettings().remove(QStringLiteral("bus_overview"));                  // the drives of the test before
        m_tool = m_dlg->BusOverviewTool();
        m_tool->show();
    }
    template <class T>
    T* Get(const char* name) const
    {
        return Find<T>(m_tool, name);
    }
    void AddDrive(int slave)
    {
        Get<QSpinBox>("addressSpin")->setValue(slave);
        Click(Get<QPushButton>("addButton"));
    }
    const OverviewDrive& Drive(uint8_t slave) const { return *m_tool->Overview().Find(slave); }
    bool WaitFor(const std::function<bool()>& done, int ms = 8000) { return QTest::qWaitFor(done, ms); }
    QString Cell(int row, int column) const { return Get<QTableWidget>("drivesTable")->item(row, column)->text(); }

    CBusOverviewDlg* m_tool = nullptr;
};

TEST_F(BusOverviewDlgTest, PollsTheDrivesInTurnAndKeepsASilentOneListed)
{
    for (int slave : {5, 1, 3}) AddDrive(slave);
    ASSERT_EQ(m_tool->Overview().Drives().size(), 3u);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("1"));  // listed by address
    EXPECT_EQ(Cell(2, 0), QStringLiteral("5"));

    auto* period = Get<QSpinBox>("periodSpin");
    period->setValue(period->minimum());
    Click(Get<QPushButton>("pollButton"));
    ASSERT_TRUE(m_tool->Polling());
    // The main window's own poll goes on while the overview waits for the silent drive.
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    ASSERT_TRUE(WaitFor([&] { return Drive(3).asked && Drive(1).status && Drive(5).status; }));
    ASSERT_TRUE(
        WaitFor([&] { return Find<QLabel>(m_dlg.get(), "statusIn1ValueLabel")->text() != QStringLiteral("-"); }, 3000));

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
    Click(Get<QPushButton>("pollButton"));
    ASSERT_TRUE(WaitFor([&] { return Drive(1).status && Drive(5).status; }));
    Click(Get<QPushButton>("pollButton"));

    m_tool->OnUse(1);
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 5);

    QTemporaryDir dir;
    CFileChoiceRecorder files;
    files.Choose(dir.filePath("drives.csv"));
    Click(Get<QPushButton>("exportCsvButton"));
    QFile file(dir.filePath("drives.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              QStringLiteral("slave,model,identifier,version,state,error_state,supply_v,temperature_c,last_answer"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1,"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",stopped,"))) << lines[2].toStdString();
}

TEST_F(BusOverviewDlgTest, TheSelectedDrivesAreBackedUpOneFileEachAndASilentOneIsReported)
{
    for (int slave : {1, 3, 5}) AddDrive(slave);
    auto* table = Get<QTableWidget>("drivesTable");
    table->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int row : {0, 1, 2}) table->selectRow(row);
    QTemporaryDir dir;
    CFileChoiceRecorder files;
    files.Choose(dir.path());
    Click(Get<QPushButton>("backupButton"));
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

TEST_F(BusOverviewDlgTest, ALoadNeedsSelectedDrivesAndAnOpenPortBeforeAFileIsAsked)
{
    CFileChoiceRecorder files;
    Click(Get<QPushButton>("loadButton"));
    AddDrive(1);
    Get<QTableWidget>("drivesTable")->selectRow(0);
    m_dlg->m_master.ClosePort();
    Click(Get<QPushButton>("loadButton"));
    EXPECT_EQ(m_boxes.Texts(), QStringList({"请先选择主窗口通讯设置下的驱动器。", "串口未打开"}));
    EXPECT_TRUE(files.Requests().empty());
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

    Click(Find<QPushButton>(&again, "addScannedButton"));
    ASSERT_EQ(again.Overview().Drives().size(), 2u);
    const OverviewDrive& other = *again.Overview().Find(9);
    EXPECT_TRUE(other.otherLine);
    EXPECT_EQ(Find<QTableWidget>(&again, "drivesTable")->item(1, 4)->text(),
              QStringLiteral("在其他通讯设置 (19200 n,8,2), 不轮询"));

    again.show();
    Click(Find<QPushButton>(&again, "pollButton"));
    ASSERT_TRUE(WaitFor([&] { return again.Reads() >= 3; }));
    EXPECT_FALSE(other.asked);
    EXPECT_TRUE(again.Overview().Find(5)->Answering());
}

// Drive 3 goes silent once it has answered its second register-group write
// of a load, drive 5 answers every request with exception 4 once drive 1's
// load has begun: both at a point of the loads, however the windows show
// them. It also keeps the order of the requests, by slave.
class CBatchFaults : public IFrameMonitor {
public:
    using Fault = std::function<void(zoric::sim::SimFault fault, uint8_t slave)>;
    explicit CBatchFaults(Fault fault) : m_fault(std::move(fault)) {}
    void OnFrame(const CapturedFrame& frame) override
    {
        if (frame.kind == FrameKind::Request) {
            std::lock_guard lock(m_lock);
            m_slaves.push_back(frame.slave);
            return;
        }
        if (frame.kind != FrameKind::Answer || frame.bytes.size() < 2 || frame.bytes[1] != 0x10) return;
        // A register group, not the SDO tunnel's registers at 0x200.
        if (frame.request.size() < 4 || frame.request[2] >= 0x02) return;
        if (frame.slave == 1) m_fault(zoric::sim::SimFault::Exception, 5);
        if (frame.slave == 3 && ++m_writes3 == 2) m_fault(zoric::sim::SimFault::NoAnswer, 3);
    }
    std::vector<uint8_t> Slaves() const
    {
        std::lock_guard lock(m_lock);
        return m_slaves;
    }

private:
    const Fault m_fault;
    int m_writes3 = 0;  // the link's thread only
    mutable std::mutex m_lock;
    std::vector<uint8_t> m_slaves;
};

class BatchLoadTest : public BusOverviewDlgTest {
protected:
    void SetUp() override
    {
        BusOverviewDlgTest::SetUp();
        m_sim->ClearFaults();
        for (int slave : {1, 3, 5}) AddDrive(slave);
        auto* table = Get<QTableWidget>("drivesTable");
        table->setSelectionMode(QAbstractItemView::MultiSelection);
        for (int row : {0, 1, 2}) table->selectRow(row);
        // Drive 1's settings, changed, in a file made by another drive.
        for (QAction* action : m_dlg->findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("导出配置(&E)")) {
                m_files.Choose(m_dir.filePath("drive.json"));
                action->trigger();
                Settle();
            }
        }
        const Backup::ParsedFile exported = Backup::ReadFile(m_dir.filePath("drive.json").toStdString());
        ASSERT_TRUE(exported.config) << Backup::Describe(exported.problem);
        Backup::Configuration file = *exported.config;
        m_current = static_cast<uint16_t>(file.values.at("motor.rated_current") + 5);
        file.values["motor.rated_current"] = m_current;
        file.values["pid.speed_kp"] = 0x40200000;  // 2.5f
        file.values["comm.slave_address"] = 9;
        file.drive.identifier = "0x2409";
        std::string error;
        ASSERT_TRUE(Backup::WriteFile(m_dir.filePath("batch.json").toStdString(), file, error)) << error;
        m_boxes.Clear();
        m_faults = std::make_unique<CBatchFaults>(
            [sim = m_sim](zoric::sim::SimFault fault, uint8_t slave) { sim->SetFaultProbability(fault, 1.0, slave); });
        m_dlg->m_master.SetFrameMonitor(m_faults.get());
    }
    void TearDown() override
    {
        m_dlg->m_master.SetFrameMonitor(nullptr);
        BusOverviewDlgTest::TearDown();
    }
    template <class D>
    D* Open(int timeoutMs = 10000)
    {
        D* found = nullptr;
        (void)WaitFor(
            [&] {
                for (D* d : m_tool->findChildren<D*>()) {
                    if (d->isVisible()) found = d;
                }
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }
    // The load through the windows up to its report; the options as given.
    CLoadReportDlg* LoadSelected(bool stopAtFailure)
    {
        m_files.Choose(m_dir.filePath("batch.json"));
        m_boxes.Answer(CMessageBox::Answer::Yes);  // the file of another drive: load it all the same
        Click(Get<QPushButton>("loadButton"));
        auto* options = Open<CLoadOptionsDlg>();
        if (!options) return nullptr;
        EXPECT_FALSE(Find<QCheckBox>(options, "commCheck")->isVisible()) << "never offered for several drives";
        auto* stop = Find<QCheckBox>(options, "stopAtFailureCheck");
        EXPECT_FALSE(stop->isChecked());
        if (stopAtFailure) Click(stop);
        Click(Find<QPushButton>(options, "okButton"));

        auto* changes = Open<CConfigDiffDlg>();
        if (!changes) return nullptr;
        QStringList rows;
        for (int r = 0; r < changes->Changes()->rowCount(); ++r)
            rows << changes->Changes()->item(r, 0)->text() + QLatin1Char(' ') + changes->Changes()->item(r, 2)->text();
        EXPECT_EQ(changes->Changes()->item(0, 1)->text(), QStringLiteral("电机参数 / 电机额定电流"));
        EXPECT_EQ(rows, QStringList({"1 motor.rated_current", "1 pid.speed_kp", "3 motor.rated_current",
                                     "3 pid.speed_kp", "5 motor.rated_current", "5 pid.speed_kp"}));
        EXPECT_EQ(m_sim->GetRegisterOf(1, kRatedCurrent), m_current - 5) << "nothing written before 载入";
        Click(Find<QPushButton>(changes, "okButton"));
        return Open<CLoadReportDlg>(30000);
    }
    QStringList Results(const CLoadReportDlg* report) const
    {
        QStringList results;
        for (int r = 0; r < report->Steps()->rowCount(); ++r)
            results << report->Steps()->item(r, 0)->text() + QStringLiteral(" | ") +
                           report->Steps()->item(r, 1)->text();
        return results;
    }
    int Questions() const
    {
        return static_cast<int>(m_boxes.Texts().filter(QStringLiteral("文件来自另一台驱动器")).size());
    }
    void ExpectOwnAddresses() const
    {
        for (const uint8_t slave : std::vector<uint8_t>{1, 3, 5})
            EXPECT_EQ(m_sim->GetRegisterOf(slave, kSlaveAddress), slave) << int{slave};
    }

    static constexpr uint16_t kRatedCurrent = 106;
    static constexpr uint16_t kSlaveAddress = 156;
    QTemporaryDir m_dir;
    CFileChoiceRecorder m_files;
    std::unique_ptr<CBatchFaults> m_faults;
    uint16_t m_current = 0;
};

TEST_F(BatchLoadTest, EachDriveIsReportedAndAFailingOneStopsNoneOfTheOthers)
{
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));  // the main window's own poll
    CLoadReportDlg* report = LoadSelected(false);
    ASSERT_NE(report, nullptr);
    const QStringList results = Results(report);
    ASSERT_EQ(results.size(), 3) << results.join('\n').toStdString();
    EXPECT_EQ(results[0], QStringLiteral("地址 1 | 已写入并校验"));
    EXPECT_TRUE(results[1].startsWith(QStringLiteral("地址 3 | PID参数: 失败: 通讯超时"))) << results[1].toStdString();
    EXPECT_TRUE(results[2].startsWith(QStringLiteral("地址 5 | 电机参数: 失败: 操作失败"))) << results[2].toStdString();
    EXPECT_EQ(report->Summary(), QStringLiteral("部分驱动器载入失败, 请查看下表。"));
    EXPECT_EQ(m_sim->GetRegisterOf(1, kRatedCurrent), m_current);
    EXPECT_EQ(m_sim->GetRegisterOf(3, kRatedCurrent), m_current) << "its first step went through";
    EXPECT_EQ(Questions(), 1) << "asked once for the batch";
    ExpectOwnAddresses();
    EXPECT_FALSE(m_tool->Polling()) << "the overview's poll stops for the loads";

    // The drive loaded stores its parameters when asked, once.
    m_boxes.Answer(CMessageBox::Answer::Yes);
    Click(Find<QPushButton>(report, "closeButton"));
    ASSERT_TRUE(WaitFor([&] { return m_boxes.Count() == 3; }));
    EXPECT_EQ(m_boxes.Texts().mid(1), QStringList({"要让载入完成的驱动器保存参数吗?", "地址 1: 保存成功"}));

    // The main window's poll of drive 1 had its turn between the drives:
    // after 3 had waited for its answer, before the load of 5.
    const std::vector<uint8_t> slaves = m_faults->Slaves();
    const auto last3 = std::find(slaves.rbegin(), slaves.rend(), 3).base();
    const auto next5 = std::find(last3, slaves.end(), 5);
    ASSERT_NE(next5, slaves.end());
    EXPECT_NE(std::find(last3, next5, 1), next5) << "no read of drive 1 between the loads of 3 and 5";
}

TEST_F(BatchLoadTest, StoppingAtTheFirstFailureLeavesTheRestUnloaded)
{
    CLoadReportDlg* report = LoadSelected(true);
    ASSERT_NE(report, nullptr);
    const QStringList results = Results(report);
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0], QStringLiteral("地址 1 | 已写入并校验"));
    EXPECT_TRUE(results[1].startsWith(QStringLiteral("地址 3 | PID参数: 失败"))) << results[1].toStdString();
    EXPECT_EQ(results[2], QStringLiteral("地址 5 | 未载入"));
    EXPECT_EQ(m_sim->GetRegisterOf(5, kRatedCurrent), m_current - 5);
    EXPECT_EQ(Questions(), 1);
    ExpectOwnAddresses();
}

}  // namespace
