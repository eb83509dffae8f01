// The "文件" menu on a simulated drive: export, load with its options,
// questions and report, compare, what a bad file or a cancel leaves, and
// offline editing of a file.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "ConfigDiffDlg.h"
#include "ConfigFile.h"
#ifndef _WIN32
#include "EndlessFifo.h"
#endif
#include "FieldRules.h"
#include "FileChoiceRecorder.h"
#include "GuiFixture.h"
#include "LoadOptionsDlg.h"
#include "LoadReportDlg.h"
#include "MotorParamDlg.h"
#include "PidFocDlg.h"
#include "SystemParamDlg.h"
#include "TaskProgress.h"

using namespace GuiActions;

namespace {

constexpr uint16_t kRatedCurrent = 106;   // motor.rated_current
constexpr uint16_t kPhaseSequence = 109;  // motor.phase_sequence, the first of three
constexpr uint16_t kOverVoltage = 258;    // safety.over_voltage
constexpr uint16_t kSpeedKp = 192;        // pid.speed_kp, a float

class ConfigFlowTest : public CGuiFixture {
protected:
    void SetUp() override
    {
        CGuiFixture::SetUp();
        ASSERT_TRUE(m_dir.isValid());
    }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Chooses a menu entry and, unless told not to, waits for its drive exchanges.
    void Trigger(const char* entry, bool wait = true)
    {
        for (QAction* action : m_dlg->findChildren<QAction*>()) {
            if (action->text() == QString::fromUtf8(entry)) {
                action->trigger();
                if (wait) Settle();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << entry;
    }

    // The window of type D the flow has open, once it is there.
    template <class D>
    D* Open(int timeoutMs = 10000)
    {
        D* found = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                for (D* d : m_dlg->findChildren<D*>()) {
                    if (d->isVisible()) found = d;
                }
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }

    static void Press(QWidget* dialog, const char* button) { Click(Find<QPushButton>(dialog, button)); }

    // Exports through the menu; the file's configuration.
    Backup::Configuration Export(const QString& path)
    {
        m_files.Choose(path);
        Trigger("导出配置(&E)");
        const Backup::ParsedFile parsed = Backup::ReadFile(path.toStdString());
        EXPECT_TRUE(parsed.config) << Backup::Describe(parsed.problem);
        return parsed.config.value_or(Backup::Configuration{});
    }

    void Write(const QString& path, const Backup::Configuration& config)
    {
        std::string error;
        ASSERT_TRUE(Backup::WriteFile(path.toStdString(), config, error)) << error;
    }

    // The raw value of a register setting as the simulator holds it.
    uint64_t SimValue(const Backup::Item& item)
    {
        const FieldRules::Field& f = *item.field;
        if (item.type == Backup::ValueType::Bit) return (m_sim->GetRegister(f.reg) & f.mask) != 0 ? 1 : 0;
        uint64_t raw = 0;
        for (int i = 0; i < f.registers; ++i) raw = raw << 16 | m_sim->GetRegister(static_cast<uint16_t>(f.reg + i));
        return raw;
    }

    static QStringList Column(const QTableWidget* table, int column)
    {
        QStringList cells;
        for (int r = 0; r < table->rowCount(); ++r) cells << table->item(r, column)->text();
        return cells;
    }

    QTemporaryDir m_dir;
    CFileChoiceRecorder m_files;
};

TEST_F(ConfigFlowTest, ExportWritesTheDrivesSettings)
{
    m_sim->SetRegister(kRatedCurrent, 1234);
    const Backup::Configuration config = Export(Path("drive.json"));
    EXPECT_EQ(m_boxes.Texts(), QStringList({"导出成功"}));
    ASSERT_EQ(m_files.Requests().size(), 1u);
    EXPECT_EQ(m_files.Requests()[0].mode, CFileChooser::Mode::Save);
    EXPECT_TRUE(m_files.Requests()[0].filter.contains(QStringLiteral("*.json")));

    EXPECT_EQ(config.tool, "ZORIC_Demo 2.0");
    EXPECT_FALSE(config.created.empty());
    EXPECT_EQ(config.drive.version, "2.03");
    EXPECT_EQ(config.values.at("motor.rated_current"), 1234u);
    for (const Backup::Item& item : Backup::Items()) {
        if (!item.field) continue;
        EXPECT_EQ(config.values.at(item.key), SimValue(item)) << item.key;
    }
    EXPECT_TRUE(config.values.contains("sync.cycle_period"));
    EXPECT_FALSE(QFile::exists(Path("drive.json.part")));
}

TEST_F(ConfigFlowTest, NothingHappensWithoutAPortOrAFile)
{
    Trigger("导出配置(&E)");  // the file dialog cancelled
    Trigger("载入配置(&L)");
    Trigger("比较配置(&C)");
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(m_files.Requests().size(), 3u);

    m_dlg->m_master.ClosePort();
    Trigger("导出配置(&E)");
    Trigger("载入配置(&L)");
    EXPECT_EQ(m_boxes.Texts(), QStringList({"串口未打开", "串口未打开"}));
    EXPECT_EQ(m_files.Requests().size(), 3u) << "no file is asked for";
    EXPECT_EQ(m_dlg->findChildren<CTaskProgress*>().size(), 0);
}

TEST_F(ConfigFlowTest, LoadWritesTheChosenGroupsAndReportsThemVerified)
{
    Backup::Configuration file = Export(Path("drive.json"));
    const uint16_t current = m_sim->GetRegister(kRatedCurrent);
    const uint16_t phase = m_sim->GetRegister(kPhaseSequence);
    const uint16_t voltage = m_sim->GetRegister(kOverVoltage);
    file.values["motor.rated_current"] = current + 5u;
    file.values["pid.speed_kp"] = 0x40200000;           // 2.5f
    file.values["motor.phase_sequence"] ^= 0x0101;      // the motor's own: kept unless asked
    file.values["safety.over_voltage"] = voltage + 7u;  // its group is left out below
    file.values["motor.speed_range_x10"] = 1;           // whole Hz from now on, for every page
    Write(Path("changed.json"), file);
    m_boxes.Clear();

    m_files.Choose(Path("changed.json"));
    Trigger("载入配置(&L)");
    auto* options = Open<CLoadOptionsDlg>();
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(Find<QCheckBox>(options, "identityCheck")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(options, "commCheck")->isChecked());
    EXPECT_EQ(options->GroupBox("motor")->text(), QStringLiteral("电机参数"));
    Click(options->GroupBox("safety"));
    Press(options, "okButton");

    auto* changes = Open<CConfigDiffDlg>();
    ASSERT_NE(changes, nullptr);
    EXPECT_EQ(Column(changes->Changes(), 1),
              QStringList({"motor.rated_current", "motor.speed_range_x10", "pid.speed_kp"}));
    EXPECT_EQ(Column(changes->Changes(), 0),
              QStringList({"电机参数 / 电机额定电流", "电机参数 / 速度量程×10", "PID和FOC参数 / 速度PID参数 Kp"}));
    EXPECT_EQ(changes->Changes()->item(2, 3)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(Column(changes->Kept(), 1), QStringList({"motor.phase_sequence"}));
    EXPECT_EQ(m_sim->GetRegister(kRatedCurrent), current) << "nothing written before 载入";
    Press(changes, "okButton");

    auto* report = Open<CLoadReportDlg>();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->Summary().startsWith(QStringLiteral("载入完成")));
    const QStringList steps = Column(report->Steps(), 0);
    const QStringList results = Column(report->Steps(), 1);
    ASSERT_EQ(steps.value(0), QStringLiteral("电机参数"));
    EXPECT_EQ(results.value(0), QStringLiteral("已写入并校验"));
    EXPECT_EQ(results.value(steps.indexOf(QStringLiteral("PID参数"))), QStringLiteral("已写入并校验"));
    EXPECT_EQ(results.value(steps.indexOf(QStringLiteral("TPDO1"))), QStringLiteral("无变化"));
    EXPECT_FALSE(steps.contains(QStringLiteral("安全保护")));

    EXPECT_EQ(m_sim->GetRegister(kRatedCurrent), current + 5);
    EXPECT_EQ(m_sim->GetRegister(kSpeedKp), 0x4020);
    EXPECT_EQ(g_pMainDlg->m_speedRangeX10, 1) << "the pages count whole Hz as the drive now does";
    EXPECT_EQ(m_sim->GetRegister(kPhaseSequence), phase);
    EXPECT_EQ(m_sim->GetRegister(kOverVoltage), voltage);

    m_boxes.Answer(CMessageBox::Answer::Yes);
    Press(report, "closeButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList({"载入完成。要让驱动器保存参数吗?", "保存成功"}));
}

TEST_F(ConfigFlowTest, ABadFileIsNamedByKeyAndLineAndNothingIsSent)
{
    Export(Path("drive.json"));
    QFile in(Path("drive.json"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    // A rated current out of its register's range, and a file cut short.
    const int at = static_cast<int>(text.indexOf("\"motor.rated_current\""));
    ASSERT_GT(at, 0);
    const int line = static_cast<int>(text.left(at).count('\n')) + 1;
    QByteArray bad = text.left(at) + "\"motor.rated_current\": {\"raw\": 70000}," + text.mid(text.indexOf('\n', at));
    for (const auto& [name, content] :
         {std::pair{"bad.json", bad}, std::pair{"cut.json", text.left(text.size() / 2)}}) {
        QFile out(Path(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    m_boxes.Clear();
    const uint64_t requests = RequestCount();

    m_files.Choose(Path("bad.json"));
    Trigger("载入配置(&L)");
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("配置文件第%1行的motor.rated_current有误。").arg(line)))
        << m_boxes.LastText().toStdString();
    m_files.Choose(Path("cut.json"));
    Trigger("比较配置(&C)");
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("配置文件第"))) << m_boxes.LastText().toStdString();
    m_files.Choose(Path("missing.json"));
    Trigger("载入配置(&L)");
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("无法读取文件。")));

    EXPECT_EQ(m_boxes.Count(), 3);
    EXPECT_EQ(Open<CLoadOptionsDlg>(100), nullptr);
    EXPECT_EQ(RequestCount(), requests);
}

// A configuration padded to 2 MiB, and one followed by blanks that never
// end: both are read to the limit only, and said not to be configurations.
TEST_F(ConfigFlowTest, AFileLongerThanAConfigurationIsRefusedAtItsLimit)
{
    Export(Path("drive.json"));
    QFile in(Path("drive.json"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    QFile big(Path("big.json"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(text + QByteArray((2 << 20) - text.size(), ' '));
    big.close();
    m_boxes.Clear();
    const uint64_t requests = RequestCount();
    const QString refused = QStringLiteral("不是有效的配置文件。");

    m_files.Choose(Path("big.json"));
    Trigger("载入配置(&L)");
    EXPECT_TRUE(m_boxes.LastText().startsWith(refused)) << m_boxes.LastText().toStdString();
    EXPECT_TRUE(m_boxes.LastText().contains(QStringLiteral("not a drive configuration")));

#ifndef _WIN32  // a named pipe as a file: Linux's
    CEndlessFifo fifo(text.toStdString());
    ASSERT_TRUE(fifo.Ok());
    m_files.Choose(QString::fromStdString(fifo.Path()));
    Trigger("载入配置(&L)");
    EXPECT_TRUE(m_boxes.LastText().startsWith(refused)) << m_boxes.LastText().toStdString();
    EXPECT_TRUE(fifo.Finish()) << "the window gave up before the writer";

    EXPECT_EQ(m_boxes.Count(), 2);
#else
    EXPECT_EQ(m_boxes.Count(), 1);
#endif
    EXPECT_EQ(Open<CLoadOptionsDlg>(100), nullptr);
    EXPECT_EQ(RequestCount(), requests);
}

TEST_F(ConfigFlowTest, CompareListsWhatDiffersAsThePagesShowIt)
{
    Export(Path("drive.json"));
    m_boxes.Clear();
    m_files.Choose(Path("drive.json"));
    Trigger("比较配置(&C)");
    EXPECT_EQ(m_boxes.Texts(), QStringList({"驱动器中的参数与文件相同。"}));

    m_sim->SetRegister(kRatedCurrent, 250);
    m_files.Choose(Path("drive.json"));
    Trigger("比较配置(&C)");
    auto* diff = Open<CConfigDiffDlg>();
    ASSERT_NE(diff, nullptr);
    EXPECT_EQ(Column(diff->Changes(), 1), QStringList({"motor.rated_current"}));
    EXPECT_EQ(diff->Changes()->item(0, 2)->text(), QStringLiteral("2.50 A"));
    EXPECT_NE(diff->Changes()->item(0, 3)->text(), QStringLiteral("2.50 A"));
    EXPECT_FALSE(Find<QPushButton>(diff, "okButton")->isVisible()) << "a compare writes nothing";
}

TEST_F(ConfigFlowTest, ARefusalOrAnotherDriveWritesNothing)
{
    Backup::Configuration file = Export(Path("drive.json"));
    const uint16_t current = m_sim->GetRegister(kRatedCurrent);
    file.values["motor.rated_current"] = current + 5u;
    file.drive.model = "OTHER";
    Write(Path("other.json"), file);
    m_boxes.Clear();

    m_files.Choose(Path("other.json"));
    Trigger("载入配置(&L)");
    Press(Open<CLoadOptionsDlg>(), "okButton");
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.LastText().contains(QStringLiteral("设备型号: 文件中为 OTHER")))
        << m_boxes.LastText().toStdString();
    EXPECT_EQ(Open<CConfigDiffDlg>(100), nullptr) << "answered No";

    ASSERT_EQ(m_dlg->m_master.WriteSpeedCommand(1, 250, CModbusMaster::SpeedCommandKind::Frequency), kResultOk);
    ASSERT_TRUE(QTest::qWaitFor([&] {  // the motor picks up speed
        RealtimeStatus status{};
        return m_dlg->m_master.ReadRealtimeStatus(1, status) == kResultOk && status.commutationFrequency != 0;
    }));
    m_files.Choose(Path("other.json"));
    Trigger("载入配置(&L)");
    Press(Open<CLoadOptionsDlg>(), "okButton");
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("电机正在运行, 请先停止电机。未写入任何参数。"));
    EXPECT_EQ(m_sim->GetRegister(kRatedCurrent), current);
}

// Answers at the line's speed: an export takes long enough to be cancelled.
class ConfigFlowPacedTest : public ConfigFlowTest {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.pacing = true;
        return options;
    }
};

TEST_F(ConfigFlowPacedTest, CancelInTheMiddleOfAnExportLeavesNoFile)
{
    const uint64_t before = RequestCount();
    Export(Path("whole.json"));
    const uint64_t whole = RequestCount() - before;
    m_boxes.Clear();

    m_files.Choose(Path("drive.json"));
    Trigger("导出配置(&E)", false);
    CTaskProgress* progress = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        progress = m_dlg->findChild<CTaskProgress*>();
        return progress && progress->isVisible() && progress->value() >= 2;
    }));
    EXPECT_LT(progress->value(), progress->maximum());
    Click(progress->findChild<QPushButton*>());
    EXPECT_EQ(m_boxes.Texts(), QStringList({"导出已取消, 未保存文件。"}));
    EXPECT_FALSE(QFile::exists(Path("drive.json")));
    EXPECT_FALSE(QFile::exists(Path("drive.json.part")));
    EXPECT_LT(RequestCount() - before - whole, whole / 2) << "the read stopped at the next step";
}

#ifndef _WIN32  // COM3 as a link to the simulator's pty, and line settings: a serial line
// The drive answers whatever line settings the port uses, as a drive that
// has just taken new ones does.
class ConfigFlowRelinkTest : public ConfigFlowTest {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.strictLine = false;
        return options;
    }
};

TEST_F(ConfigFlowRelinkTest, NewLineSettingsReopenThePortAndTheConnectionControlsFollow)
{
    // Opened through the connection controls, as a user does: COM3 is the drive.
    qputenv("ZORIC_COM_DIR", m_dir.path().toLocal8Bit());
    ASSERT_TRUE(QFile::link(QString::fromStdString(m_sim->SlavePath()), Path("COM3")));
    auto* openButton = Find<QPushButton>(m_dlg.get(), "openPortButton");
    Click(openButton);  // the fixture's port closes
    Select(Find<QComboBox>(m_dlg.get(), "portCombo"), 2);
    Click(openButton);
    ASSERT_TRUE(m_dlg->m_master.IsPortOpen());

    Backup::Configuration file = Export(Path("drive.json"));
    file.values["comm.baud_rate"] = 19200;
    file.values["comm.parity"] = 2;
    Write(Path("line.json"), file);
    m_boxes.Clear();

    m_files.Choose(Path("line.json"));
    Trigger("载入配置(&L)");
    auto* options = Open<CLoadOptionsDlg>();
    ASSERT_NE(options, nullptr);
    Press(options, "okButton");
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("没有要写入的参数(2项差异按所选项保留)。"));

    m_files.Choose(Path("line.json"));
    Trigger("载入配置(&L)");
    options = Open<CLoadOptionsDlg>();
    Click(Find<QCheckBox>(options, "commCheck"));
    EXPECT_TRUE(m_boxes.LastText().contains(QStringLiteral("通讯连接")));
    Press(options, "okButton");
    auto* changes = Open<CConfigDiffDlg>();
    ASSERT_NE(changes, nullptr);
    EXPECT_EQ(Column(changes->Changes(), 1), QStringList({"comm.baud_rate", "comm.parity"}));
    Press(changes, "okButton");
    auto* report = Open<CLoadReportDlg>();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->Summary().contains(QStringLiteral("重新打开")));
    const QStringList steps = Column(report->Steps(), 0);
    EXPECT_EQ(Column(report->Steps(), 1).value(steps.indexOf(QStringLiteral("通讯参数"))),
              QStringLiteral("已写入并校验"));

    EXPECT_EQ(m_sim->GetRegister(0x0091), 19200);
    EXPECT_EQ(m_sim->GetRegister(0x0092), 2);
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(Find<QComboBox>(m_dlg.get(), "baudCombo")->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(Find<QComboBox>(m_dlg.get(), "parityCombo")->currentIndex(), 2);
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 1);
    Press(report, "closeButton");
    qunsetenv("ZORIC_COM_DIR");
}

#endif

}  // namespace

// Offline editing: a file held by a drive inside the tool, edited on two
// pages and saved, changes exactly the two settings edited; the drive on
// the line is not touched; what means nothing offline is disabled; closing
// with changes not saved asks and saves.
class OfflineEditTest : public ConfigFlowTest {
protected:
    bool WaitOffline(bool offline)
    {
        return QTest::qWaitFor([&] { return m_dlg->windowTitle().contains(QStringLiteral("离线")) == offline; }, 10000);
    }
    QAction* Action(const char* entry) const
    {
        for (QAction* action : m_dlg->findChildren<QAction*>())
            if (action->text() == QString::fromUtf8(entry)) return action;
        return nullptr;
    }
    void EditTwoPages()
    {
        CPidFocDlg* pid = m_dlg->PidFocPage();
        Click(Find<QPushButton>(pid, "pidReadButton"));
        Enter(Find<QLineEdit>(pid, "speedKpEdit"), "0.75");
        Click(Find<QPushButton>(pid, "pidConfigButton"));
        CSystemParamDlg* system = m_dlg->SystemParamPage();
        Click(Find<QPushButton>(system, "readButton"));
        Enter(Find<QLineEdit>(system, "stallTimeEdit"), "2.55");
        Click(Find<QPushButton>(system, "writeButton"));
        Settle();
    }
};

TEST_F(OfflineEditTest, ASavedEditChangesExactlyTheSettingsEdited)
{
    const Backup::Configuration original = Export(Path("motor-a.json"));
    const uint16_t lineKp = m_sim->GetRegister(kSpeedKp);
    m_files.Choose(Path("motor-a.json"));
    Trigger("离线编辑配置(&O)…");
    ASSERT_TRUE(WaitOffline(true));
    EXPECT_TRUE(m_dlg->windowTitle().endsWith(QStringLiteral(" — 离线: motor-a.json")))
        << m_dlg->windowTitle().toStdString();
    EXPECT_TRUE(Find<QLabel>(m_dlg.get(), "offlineLabel")->isVisibleTo(m_dlg.get()));
    EXPECT_FALSE(Find<QPushButton>(m_dlg->MotorParamPage(), "learnButton")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(m_dlg->PidFocPage(), "calibrateButton")->isEnabled());
    EXPECT_FALSE(Action("读写寄存器(&R)")->isEnabled());
    EXPECT_FALSE(Action("扫描设备(&S)")->isEnabled());
    EXPECT_TRUE(Action("保存(&S)")->isEnabled());

    EditTwoPages();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("操作成功"));
    EXPECT_EQ(m_sim->GetRegister(kSpeedKp), lineKp);  // the drive on the line as it was
    Trigger("保存(&S)");
    const Backup::ParsedFile saved = Backup::ReadFile(Path("motor-a.json").toStdString());
    ASSERT_TRUE(saved.config) << Backup::Describe(saved.problem);
    std::vector<std::string> changed;
    for (const Backup::Difference& d : Backup::Compare(original.values, saved.config->values)) changed.push_back(d.key);
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{"pid.speed_kp", "system.stall_stop_time"}));
    EXPECT_EQ(saved.config->drive.identifier, original.drive.identifier);

    // Closing the port ends offline editing; the window is its own again.
    Click(Find<QPushButton>(m_dlg.get(), "openPortButton"));
    ASSERT_TRUE(WaitOffline(false));
    EXPECT_TRUE(Find<QPushButton>(m_dlg->MotorParamPage(), "learnButton")->isEnabled());
    EXPECT_TRUE(Action("读写寄存器(&R)")->isEnabled());
    EXPECT_FALSE(Action("保存(&S)")->isEnabled());
}

TEST_F(OfflineEditTest, AFileWithABadValueIsNotOpened)
{
    Backup::Configuration config = Export(Path("drive.json"));
    config.values["motor.rated_current"] = 1u << 20;
    Write(Path("bad.json"), config);
    m_files.Choose(Path("bad.json"));
    Trigger("离线编辑配置(&O)…");
    EXPECT_FALSE(m_dlg->windowTitle().contains(QStringLiteral("离线")));
    EXPECT_EQ(m_boxes.Count(), 2);  // "导出成功", then the file's problem
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
}

TEST_F(OfflineEditTest, ClosingWithChangesNotSavedAsksAndSaves)
{
    const Backup::Configuration original = Export(Path("motor-b.json"));
    m_files.Choose(Path("motor-b.json"));
    Trigger("离线编辑配置(&O)…");
    ASSERT_TRUE(WaitOffline(true));
    EditTwoPages();
    m_boxes.Clear();
    m_boxes.Answer(CMessageBox::Answer::Yes);
    m_dlg->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dlg->isVisible(); }, 10000));
    EXPECT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.LastText().contains(QStringLiteral("motor-b.json")));
    const Backup::ParsedFile saved = Backup::ReadFile(Path("motor-b.json").toStdString());
    ASSERT_TRUE(saved.config);
    EXPECT_EQ(Backup::Compare(original.values, saved.config->values).size(), 2u);
}
