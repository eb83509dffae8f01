// The main window against the simulated drive: connection, device address,
// tabs and tools, live status, frame lines and device information.
#include <gtest/gtest.h>

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "AppIcon.h"
#include "CommParamDlg.h"
#include "GuiFixture.h"
#include "MotorControlDlg.h"
#include "NetListener.h"
#include "ObjectDictDlg.h"
#include "RegisterDlg.h"
#include "SimOptions.h"

using namespace GuiActions;
using Answer = CMessageBox::Answer;

namespace {

class DemoDlgTest : public CGuiFixture {
protected:
    QCheckBox* Bit(int k) const { return Find<QCheckBox>(m_dlg.get(), ("addressCheck" + std::to_string(k)).c_str()); }
    QLineEdit* AddressEdit() const { return Find<QLineEdit>(m_dlg.get(), "addressEdit"); }
    QString Field(const char* name) const
    {
        const QLabel* label = Find<QLabel>(m_dlg.get(), name);
        return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
    }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(m_dlg.get(), name); }
    QString Bits() const
    {
        QString s;
        for (int k = 1; k <= 7; ++k) s += Bit(k)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    // The menu entry with this text, searched through every menu.
    QAction* MenuAction(const QString& text) const
    {
        for (QAction* top : Find<QMenuBar>(m_dlg.get(), "menuBar")->actions()) {
            for (QAction* action : top->menu()->actions()) {
                if (action->text() == text) return action;
            }
        }
        return nullptr;
    }
};

TEST_F(DemoDlgTest, AddressTextsSetTheAddressTheBoxesAndTheTransactions)
{
    struct Case {
        const char* typed;
        int address;
        const char* shown;
        const char* bits;  // boxes "1".."7"
    };
    const Case cases[] = {
        {"0x1f", 31, "0x1F", "0111100"},                                   // 31 - 1 = 30: boxes 2 to 5
        {"0X1F", 31, "0x1F", "0111100"}, {"200", 200, "0xC8", "0000000"},  // above 128: no box pattern, still used
        {"0", 0, "0x00", "0000000"},     {"x5", 0, "0x00", "0000000"},     // an x in front is not hexadecimal
        {"", 0, "0x00", "0000000"},      {"128", 128, "0x80", "1111111"}, {"1", 1, "0x01", "0000000"},
        {"  7", 7, "0x07", "0110000"},   {"-1", 255, "0xFF", "0000000"},  {"0x", 0, "0x00", "0000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Enter(AddressEdit(), QString::fromLatin1(c.typed));
        EXPECT_EQ(m_dlg->m_deviceAddress.load(), c.address);
        EXPECT_EQ(AddressEdit()->text(), QLatin1String(c.shown));
        EXPECT_EQ(Bits(), QLatin1String(c.bits));
    }

    // The edit takes four characters, as typed.
    Type(AddressEdit(), QStringLiteral("123456"));
    EXPECT_EQ(AddressEdit()->text(), QStringLiteral("1234"));

    // Transactions go to the address in use: 200 gets no answer from drive 1.
    Enter(AddressEdit(), QStringLiteral("200"));
    m_dlg->m_master.SetResponseTimeout(150);
    Click(Button("readInfoButton"));
    ASSERT_FALSE(LastRequest().empty());
    EXPECT_EQ(LastRequest()[0], 200);
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("通讯超时"));
}

TEST_F(DemoDlgTest, AddressBoxesBuildTheAddress)
{
    for (int k = 1; k <= 7; ++k) Click(Bit(k));
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 128);
    EXPECT_EQ(AddressEdit()->text(), QStringLiteral("0x80"));
    for (int k = 1; k <= 7; ++k) Click(Bit(k));
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 1);
    EXPECT_EQ(AddressEdit()->text(), QStringLiteral("0x01"));
    Click(Bit(1));
    Click(Bit(3));
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 6);
    EXPECT_EQ(AddressEdit()->text(), QStringLiteral("0x06"));
}

TEST_F(DemoDlgTest, StartsWithTheDocumentedControlsAndPages)
{
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("ZORIC_Modbus示例程序"));
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 1);
    EXPECT_EQ(AddressEdit()->text(), QStringLiteral("0x01"));
    const auto* port = Find<QComboBox>(m_dlg.get(), "portCombo");
    ASSERT_GE(port->count(), 15);
    EXPECT_EQ(port->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(port->itemText(14), QStringLiteral("COM15"));
    EXPECT_EQ(Find<QComboBox>(m_dlg.get(), "baudCombo")->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(Find<QComboBox>(m_dlg.get(), "parityCombo")->currentText(), QStringLiteral("无+2停止位"));
    EXPECT_EQ(Field("statusSpeedValueLabel"), QStringLiteral("-"));
    EXPECT_EQ(Field("infoModelValueLabel"), QStringLiteral("-"));

    QTabWidget* tabs = m_dlg->Tabs();
    const QStringList titles = {"电机控制", "电机参数", "系统参数", "通讯参数", "PID和FOC参数", "往复运动", "安全保护"};
    ASSERT_EQ(tabs->count(), titles.size());
    for (int i = 0; i < tabs->count(); ++i) EXPECT_EQ(tabs->tabText(i), titles[i]);
    EXPECT_EQ(tabs->widget(0), static_cast<QWidget*>(m_dlg->MotorControlPage()));
    EXPECT_EQ(tabs->widget(3), static_cast<QWidget*>(m_dlg->CommParamPage()));
    EXPECT_EQ(tabs->currentIndex(), 0);

    m_dlg->ShowPage(4);
    EXPECT_EQ(tabs->currentIndex(), 4);
    EXPECT_TRUE(tabs->widget(4)->isVisible());
    EXPECT_FALSE(tabs->widget(0)->isVisible());
    m_dlg->ShowPage(99);  // no such page: nothing changes
    EXPECT_EQ(tabs->currentIndex(), 4);

    EXPECT_FALSE(m_dlg->RegisterTool()->isVisible());
    EXPECT_FALSE(m_dlg->ObjectDictTool()->isVisible());
    EXPECT_EQ(g_pMainDlg, m_dlg.get());
}

// The icon comes from the build's bitmaps of the SVG: a size missing or an
// empty resource would leave the window and the task bar without one.
TEST(AppIconTest, HoldsEveryRenderedSizeAndDraws)
{
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    QList<int> sides;
    for (const QSize& size : icon.availableSizes()) {
        EXPECT_EQ(size.width(), size.height());
        sides.append(size.width());
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, QList<int>({16, 24, 32, 48, 64, 128, 256}));
    const QImage small = icon.pixmap(16, 16).toImage();
    ASSERT_EQ(small.size(), QSize(16, 16));
    EXPECT_GT(qAlpha(small.pixel(8, 8)), 0);  // drawn, not transparent
}

TEST_F(DemoDlgTest, TheWindowHasTheProgramIcon)
{
    EXPECT_FALSE(m_dlg->windowIcon().isNull());
    EXPECT_EQ(m_dlg->windowIcon().availableSizes(), AppIcon().availableSizes());
}

TEST_F(DemoDlgTest, MenuShowsTheToolWindowsAndTheFileEntries)
{
    QAction* registers = MenuAction(QStringLiteral("读写寄存器(&R)"));
    ASSERT_NE(registers, nullptr);
    registers->trigger();
    EXPECT_TRUE(m_dlg->RegisterTool()->isVisible());
    EXPECT_LE((m_dlg->RegisterTool()->frameGeometry().center() - m_dlg->frameGeometry().center()).manhattanLength(), 6);
    m_dlg->RegisterTool()->close();  // closing only hides it
    EXPECT_FALSE(m_dlg->RegisterTool()->isVisible());
    registers->trigger();
    EXPECT_TRUE(m_dlg->RegisterTool()->isVisible());

    QAction* dictionary = MenuAction(QStringLiteral("访问对象字典(&V)"));
    ASSERT_NE(dictionary, nullptr);
    dictionary->trigger();
    EXPECT_TRUE(m_dlg->ObjectDictTool()->isVisible());

    QStringList fileEntries;
    for (QAction* action : Find<QMenuBar>(m_dlg.get(), "menuBar")->actions().value(0)->menu()->actions())
        fileEntries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(fileEntries, QStringList({"载入配置(&L)", "导出配置(&E)", "比较配置(&C)", "-", "离线编辑配置(&O)…",
                                        "保存(&S)", "另存为(&A)…", "-", "退出(&Q)"}));
    // With the port closed the configuration entries say so before asking for a file.
    m_dlg->m_master.ClosePort();
    MenuAction(QStringLiteral("导出配置(&E)"))->trigger();
    EXPECT_EQ(m_boxes.Texts(), QStringList({"串口未打开"}));
    EXPECT_EQ(m_boxes.Requests()[0].caption, QStringLiteral("ZORIC_Demo"));
    EXPECT_NE(MenuAction(QStringLiteral("关于(&A)")), nullptr);

    MenuAction(QStringLiteral("退出(&Q)"))->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dlg->isVisible(); }, 2000));
}

TEST_F(DemoDlgTest, EnterLeavesTheWindowOpenAndEscClosesIt)
{
    QTest::keyClick(m_dlg.get(), Qt::Key_Return);
    QTest::keyClick(AddressEdit(), Qt::Key_Enter);
    QTest::keyClick(m_dlg->Tabs(), Qt::Key_Return);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_boxes.Count(), 0);
    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    EXPECT_FALSE(m_dlg->isVisible());
}

#ifndef _WIN32  // COMn as links to the simulator's pty: Linux's way to a COM port
TEST_F(DemoDlgTest, ConnectionButtonOpensClosesAndReportsFailure)
{
    QTemporaryDir comDir;
    ASSERT_TRUE(comDir.isValid());
    qputenv("ZORIC_COM_DIR", comDir.path().toLocal8Bit());
    // COM3 is the simulator; COM5 names a device that does not exist.
    ASSERT_TRUE(QFile::link(QString::fromStdString(m_sim->SlavePath()), comDir.filePath("COM3")));
    ASSERT_TRUE(QFile::link(comDir.filePath("no-such-device"), comDir.filePath("COM5")));
    QPushButton* open = Button("openPortButton");
    auto* port = Find<QComboBox>(m_dlg.get(), "portCombo");

    Click(open);  // the fixture opened it: this closes
    EXPECT_FALSE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(open->text(), QStringLiteral("打开串口"));

    Select(port, 4);
    Click(open);
    EXPECT_FALSE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(open->text(), QStringLiteral("打开串口"));
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("打开串口失败: COM5\n找不到设备: COM5 对应 /dev/ttyS4")))
        << m_boxes.LastText().toStdString();

    Select(port, 2);
    Click(open);
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(open->text(), QStringLiteral("关闭串口"));
    Click(Button("readInfoButton"));
    EXPECT_EQ(Field("infoVersionValueLabel"), QStringLiteral("2.03"));

    Click(open);
    EXPECT_FALSE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(open->text(), QStringLiteral("打开串口"));
    Click(Button("readInfoButton"));
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("串口未打开"));
    qunsetenv("ZORIC_COM_DIR");
}
#endif

TEST_F(DemoDlgTest, DeviceInformationIsShownInItsFormats)
{
    m_sim->SetRegister(0, 0x001A);
    m_sim->SetRegister(1, 0x0203);
    const char model[] = "ABCDEFGHIJKLMNOP";  // 16 characters, no NUL
    for (int i = 0; i < 8; ++i)
        m_sim->SetRegister(static_cast<uint16_t>(2 + i), static_cast<uint16_t>(model[2 * i] << 8 | model[2 * i + 1]));
    m_sim->SetRegister(10, 4096);
    m_sim->SetRegister(11, 16000);
    m_sim->SetRegister(12, 1500);
    m_sim->SetRegister(13, 25);

    Click(Button("readInfoButton"));
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Field("infoIdValueLabel"), QStringLiteral("0x001A"));
    EXPECT_EQ(Field("infoVersionValueLabel"), QStringLiteral("2.03"));
    EXPECT_EQ(Field("infoModelValueLabel"), QStringLiteral("ABCDEFGHIJKLMNO"));
    EXPECT_EQ(Field("infoPwmResolutionValueLabel"), QStringLiteral("1/4096"));
    EXPECT_EQ(Field("infoPwmFrequencyValueLabel"), QStringLiteral("16.0kHz"));
    EXPECT_EQ(Field("infoMaxCurrentValueLabel"), QStringLiteral("15.0A"));
    EXPECT_EQ(Field("infoCurrentResolutionValueLabel"), QStringLiteral("25mA"));

#ifndef _WIN32  // a second drive on a pseudo-terminal
    // The drive's own GBK model text.
    m_sim.reset(new zoric::sim::CDriveSimulator());
    ASSERT_TRUE(m_sim->Start());
    m_dlg->m_master.ClosePort();
    ASSERT_TRUE(m_dlg->m_master.OpenPort(m_sim->SlavePath(), 9600, 0));
    Click(Button("readInfoButton"));
    EXPECT_EQ(Field("infoModelValueLabel"), QStringLiteral("ZORIC-FOC驱动器"));

    // A failed read reports the result and leaves the panel alone.
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    m_dlg->m_master.SetResponseTimeout(150);
    Click(Button("readInfoButton"));
    EXPECT_EQ(m_boxes.Texts(), QStringList({"通讯超时"}));
    EXPECT_EQ(Field("infoModelValueLabel"), QStringLiteral("ZORIC-FOC驱动器"));
#endif
}

TEST_F(DemoDlgTest, OemInformationShowsTheIdentificationObjects)
{
    Click(Button("oemInfoButton"));
    ASSERT_EQ(m_boxes.Count(), 1);
    const QString text = m_boxes.LastText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("公司名称:"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n产品代码:"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
    EXPECT_EQ(m_boxes.Requests()[0].caption, QStringLiteral("ZORIC_Demo"));
}

TEST_F(DemoDlgTest, ClearPositionAsksFirstAndNoSendsNothing)
{
    const uint64_t before = RequestCount();
    m_boxes.Answer(Answer::No);
    Click(Button("clearPositionButton"));
    ASSERT_EQ(m_boxes.Count(), 1);
    const CMessageBox::Request& question = m_boxes.Requests()[0];
    EXPECT_EQ(question.text, QStringLiteral("真的要清零吗?"));
    EXPECT_EQ(question.caption, QStringLiteral("询问"));
    EXPECT_EQ(question.buttons, CMessageBox::Buttons::YesNo);
    EXPECT_EQ(question.icon, CMessageBox::Icon::Question);
    Pump(50);
    EXPECT_EQ(RequestCount(), before);

    m_boxes.Answer(Answer::Yes);
    Click(Button("clearPositionButton"));
    const std::vector<uint8_t> request = LastRequest();
    ASSERT_GE(request.size(), 6u);
    EXPECT_EQ(std::vector<uint8_t>(request.begin(), request.begin() + 6),
              (std::vector<uint8_t>{0x01, 0x06, 0x70, 0x0A, 0x00, 0x01}));
    EXPECT_EQ(m_boxes.Count(), 2);  // the result itself is not reported
}

TEST_F(DemoDlgTest, FrameLinesFollowTransactionsWithAutoUpdateOff)
{
    auto* send = Find<QLineEdit>(m_dlg.get(), "sendEdit");
    auto* receive = Find<QLineEdit>(m_dlg.get(), "receiveEdit");
    Click(Button("readInfoButton"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !send->text().isEmpty(); }, 1000));
    EXPECT_TRUE(send->text().startsWith(QStringLiteral("01 03 00 00 00 10 "))) << send->text().toStdString();
    EXPECT_EQ(send->text().size(), 8 * 3);  // "%02X " per byte, CRC included
    EXPECT_TRUE(receive->text().startsWith(QStringLiteral("01 03 20 "))) << receive->text().toStdString();
    EXPECT_EQ(receive->text().size(), (5 + 32) * 3);

    // A transaction made elsewhere (a page, a tool) shows as well.
    uint16_t value = 0;
    uint16_t length = 2;
    ASSERT_EQ(m_dlg->m_master.ReadHoldingRegisters(1, 0x0020, 1, reinterpret_cast<uint8_t*>(&value), &length), 0u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return send->text().startsWith(QStringLiteral("01 03 00 20 00 01 ")); }, 1000));
    // Nothing was polled meanwhile.
    Pump(250);
    EXPECT_TRUE(send->text().startsWith(QStringLiteral("01 03 00 20 00 01 ")));
    EXPECT_EQ(Field("statusSpeedValueLabel"), QStringLiteral("-"));
}

TEST_F(DemoDlgTest, AutoUpdatePollsTheLiveStatus)
{
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Field("statusIn1ValueLabel") != QStringLiteral("-"); }, 2000));
    EXPECT_EQ(Field("statusIn1ValueLabel"), QStringLiteral("1.652V"));  // the simulated potentiometer
    EXPECT_EQ(Field("statusErrorStateValueLabel"), QStringLiteral("无"));
    EXPECT_EQ(Field("statusSq1ValueLabel"), m_sim->GetRegister(44) ? QStringLiteral("高") : QStringLiteral("低"));
    EXPECT_EQ(Field("statusTemperatureValueLabel").right(1), QStringLiteral("℃"));
    EXPECT_TRUE(Field("statusSupplyValueLabel").startsWith(QStringLiteral("2")))
        << Field("statusSupplyValueLabel").toStdString();

    // Unticked: the poll stops.
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    Pump(150);
    const uint64_t stopped = RequestCount();
    Pump(300);
    EXPECT_EQ(RequestCount(), stopped);
}

TEST_F(DemoDlgTest, APollTimeOutWritesItsTextIntoExactlyTheEightFields)
{
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Field("statusSpeedValueLabel") != QStringLiteral("-"); }, 2000));
    const char* eight[] = {"statusOutputPwmValueLabel", "statusPhaseCurrentValueLabel", "statusIn1ValueLabel",
                           "statusIn2ValueLabel",       "statusDifferentialValueLabel", "statusSq1ValueLabel",
                           "statusSq2ValueLabel",       "statusFrequencyValueLabel"};
    const char* others[] = {"statusPositionValueLabel",    "statusIn3ValueLabel",
                            "statusInputPwmValueLabel",    "statusInputFrequencyValueLabel",
                            "statusInputPulsesValueLabel", "statusCompletionTimeValueLabel",
                            "statusSpeedValueLabel",       "statusErrorStateValueLabel",
                            "statusSupplyValueLabel",      "statusTemperatureValueLabel"};
    std::vector<QString> before;
    for (const char* name : others) before.push_back(Field(name));

    m_dlg->m_master.SetResponseTimeout(100);
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Field("statusIn1ValueLabel") == QStringLiteral("通讯超时"); }, 3000));
    for (const char* name : eight) EXPECT_EQ(Field(name), QStringLiteral("通讯超时")) << name;
    for (size_t i = 0; i < std::size(others); ++i) EXPECT_EQ(Field(others[i]), before[i]) << others[i];
    EXPECT_EQ(m_boxes.Count(), 0);  // a failed poll raises no box

    // The next good poll brings the fields back.
    m_sim->ClearFaults();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Field("statusIn1ValueLabel") == QStringLiteral("1.652V"); }, 3000));
}

TEST_F(DemoDlgTest, SpeedRangeFollowsTheDrive)
{
    // Register 54 is set by the drive when it supports the x10 range (14)
    // and the switch (119) is on.
    m_sim->SetRegister(14, 1);
    m_sim->SetRegister(119, 1);
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_dlg->m_speedRangeX10.load() != 0; }, 2000));
    m_sim->SetRegister(119, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_dlg->m_speedRangeX10.load() == 0; }, 2000));
}

TEST_F(DemoDlgTest, DestroyingTheWindowWhileItPollsIsClean)
{
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    Pump(250);
    m_dlg.reset();
    EXPECT_EQ(g_pMainDlg, nullptr);
}

// The window never waits on the drive: a silent drive leaves it serving
// events, and what happens to it meanwhile is handled soundly.
class SilentDriveTest : public DemoDlgTest {
protected:
    void SetUp() override
    {
        DemoDlgTest::SetUp();
        if (HasFatalFailure()) return;
        m_dlg->m_master.SetResponseTimeout(300);
    }
    void Silence(unsigned answers = 1000) { m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, answers); }
    // True when an event posted now is handled while the exchange in flight
    // is still pending, i.e. before its time-out's result arrives.
    bool ServedWhilePending()
    {
        bool served = false;
        bool pending = false;
        QTimer::singleShot(0, m_dlg.get(), [&] {
            served = true;
            pending = !m_dlg->Link().Idle();
        });
        return QTest::qWaitFor([&] { return served; }, 5000) && pending;
    }
};

TEST_F(SilentDriveTest, AButtonReturnsAtOnceAndShowsItIsBusyUntilTheTimeOut)
{
    Silence(1);
    QPushButton* read = Button("readInfoButton");
    ClickNoWait(read);
    EXPECT_FALSE(m_dlg->Link().Idle());
    EXPECT_FALSE(read->isEnabled());
    EXPECT_EQ(m_dlg->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(ServedWhilePending());
    EXPECT_EQ(m_boxes.Count(), 0);

    ASSERT_TRUE(Settle());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯超时")});
    EXPECT_TRUE(read->isEnabled());
    EXPECT_NE(m_dlg->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(Find<QLabel>(m_dlg.get(), "infoIdValueLabel")->text(), QStringLiteral("-"));
}

TEST_F(SilentDriveTest, AutoUpdateKeepsAtMostOnePollAndTheWindowFree)
{
    Silence();
    const uint64_t before = RequestCount();
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    // Ticks come every 100 ms, each poll takes 300: none queues behind another.
    for (int i = 0; i < 40; ++i) {
        Pump(20);
        ASSERT_EQ(m_dlg->Link().Queued(), 0u);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dlg->Link().Idle(); }, 2000));
    EXPECT_TRUE(ServedWhilePending());
    EXPECT_EQ(Field("statusIn1ValueLabel"), QStringLiteral("通讯超时"));
    EXPECT_LE(RequestCount() - before, 4u);  // 800 ms of polling at most one per time-out
    EXPECT_EQ(m_boxes.Count(), 0);

    // Unticked while a poll is pending: it can be, at once.
    QCheckBox* autoUpdate = Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck");
    ClickNoWait(autoUpdate);
    EXPECT_FALSE(autoUpdate->isChecked());
}

TEST_F(SilentDriveTest, ClosingThePortWhileAPollIsPendingSendsNothingAfterIt)
{
    Silence();
    Click(Find<QCheckBox>(m_dlg.get(), "autoUpdateCheck"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dlg->Link().Idle(); }, 2000));
    QPushButton* port = Button("openPortButton");
    ClickNoWait(port);  // the fixture opened the port: this closes it
    EXPECT_FALSE(port->isEnabled());
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(port->text(), QStringLiteral("打开串口"));
    EXPECT_TRUE(port->isEnabled());
    const uint64_t closed = RequestCount();
    Pump(400);
    EXPECT_EQ(RequestCount(), closed);
    EXPECT_EQ(m_boxes.Count(), 0);

    // And it opens again, off the UI thread as well.
    m_sim->ClearFaults();
    // The simulator's pseudo-terminal, as a device found on the machine.
    QComboBox* ports = Find<QComboBox>(m_dlg.get(), "portCombo");
    ports->addItem(QString::fromStdString(DrivePort()));
    Select(ports, ports->count() - 1);
    Click(port);
    EXPECT_TRUE(m_dlg->m_master.IsPortOpen());
    EXPECT_EQ(port->text(), QStringLiteral("关闭串口"));
    Click(Button("readInfoButton"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(SilentDriveTest, AnExchangeGoesToTheAddressInEffectWhenItWasStarted)
{
    Silence(1);
    ClickNoWait(Button("readInfoButton"));
    Type(AddressEdit(), QStringLiteral("0x05"));
    QTest::keyClick(AddressEdit(), Qt::Key_Return);
    EXPECT_EQ(m_dlg->m_deviceAddress.load(), 5);
    ASSERT_TRUE(Settle());
    const std::vector<uint8_t> request = LastRequest();
    ASSERT_FALSE(request.empty());
    EXPECT_EQ(request[0], 0x01);
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("通讯超时"));
}

TEST_F(SilentDriveTest, ClosingTheWindowMidExchangeDropsWhatIsQueuedAndShowsNothing)
{
    Silence();
    // Long enough that the window is closed while the first read still
    // waits, however slowly a loaded machine runs the test.
    m_dlg->m_master.SetResponseTimeout(1500);
    const uint64_t before = RequestCount();
    ClickNoWait(Button("readInfoButton"));
    ClickNoWait(Button("oemInfoButton"));  // queued behind the first
    ASSERT_TRUE(QTest::qWaitFor([&] { return RequestCount() > before; }, 2000));
    m_dlg.reset();
    EXPECT_EQ(g_pMainDlg, nullptr);
    Pump(50);
    EXPECT_EQ(RequestCount(), before + 1);
    EXPECT_EQ(m_boxes.Count(), 0);
}

}  // namespace

namespace {

TEST_F(DemoDlgTest, ANetworkPortIsTypedInHasNoLineSettingsAndIsRememberedWithTheAddress)
{
    // Outlives the window, which saves once more as it closes.
    static QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QSettings::setPath(QSettings::defaultFormat(), QSettings::UserScope, config.path());
    zoric::sim::ListenAddress address;
    ASSERT_TRUE(zoric::sim::ParseListenAddress("tcp://127.0.0.1:0", address));
    zoric::sim::CNetListener gateway({address}, *m_sim);
    ASSERT_TRUE(gateway.Start()) << gateway.LastError();
    const QString url = QString::fromStdString(gateway.Urls().front());
    auto* port = Find<QComboBox>(m_dlg.get(), "portCombo");
    auto* baud = Find<QComboBox>(m_dlg.get(), "baudCombo");
    auto* parity = Find<QComboBox>(m_dlg.get(), "parityCombo");
    QPushButton* open = Button("openPortButton");

    m_dlg->RememberConnection();  // nothing stored yet
    EXPECT_EQ(port->currentText(), QStringLiteral("COM1"));
    Click(open);  // the fixture opened the simulator's pty: this closes
    Select(baud, 2);
    port->setEditText(url);
    EXPECT_FALSE(baud->isEnabled());
    EXPECT_FALSE(parity->isEnabled());
    Click(open);
    ASSERT_TRUE(m_dlg->m_master.IsPortOpen()) << m_boxes.LastText().toStdString();
    EXPECT_EQ(m_dlg->m_master.PortName(), url.toStdString());
    Click(Button("readInfoButton"));
    EXPECT_EQ(Field("infoVersionValueLabel"), QStringLiteral("2.03"));
    Click(open);

    // What the next run finds.
    AddressEdit()->setText(QStringLiteral("0x05"));
    Select(port, 2);
    Select(baud, 0);
    EXPECT_TRUE(baud->isEnabled());
    m_dlg->RememberConnection();
    EXPECT_EQ(port->currentText(), url);
    EXPECT_EQ(baud->currentIndex(), 2);
    EXPECT_FALSE(parity->isEnabled());
    EXPECT_EQ(AddressEdit()->text(), QStringLiteral("0x01")) << "the address of the open";

    // A name that is no port at all says why.
    port->setEditText(QStringLiteral("tcp://127.0.0.1:99999"));
    Click(open);
    EXPECT_FALSE(m_dlg->m_master.IsPortOpen());
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("打开串口失败: tcp://127.0.0.1:99999\n网络端口名称无效")))
        << m_boxes.LastText().toStdString();
}

}  // namespace
