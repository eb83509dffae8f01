// The page "安全保护" on the main window against the simulated drive.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "PageFixture.h"
#include "SafetyDlg.h"

namespace {

using namespace GuiActions;

class SafetyPage : public CPageFixture<CSafetyDlg, &CDemoDlg::SafetyPage> {
protected:
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(page, name); }
    QCheckBox* Check(const char* name) { return Find<QCheckBox>(page, name); }
    void Press(const char* name) { Click(Find<QPushButton>(page, name)); }
    uint16_t Reg(int r) { return m_sim->GetRegister(static_cast<uint16_t>(r)); }

    // 256..269 as the drive holds them in these tests.
    static constexpr uint16_t kDrive[14] = {65526, 75, 560, 180, 29, 20, 1, 5, 0, 6, 29, 65531, 10000, 64536};
    void PresetDrive()
    {
        for (uint16_t i = 0; i < 14; ++i) m_sim->SetRegister(static_cast<uint16_t>(256 + i), kDrive[i]);
    }
    void ReadOk()
    {
        Press("readButton");
        ASSERT_EQ(m_boxes.Count(), 0) << m_boxes.LastText().toStdString();
    }
};

TEST_F(SafetyPage, ReadShowsSignedUnsignedAndScaledFields)
{
    EXPECT_FALSE(Find<QPushButton>(page, "writeButton")->isEnabled());
    PresetDrive();
    ReadOk();
    EXPECT_EQ(Text("overTempShutdownEdit"), "-10");
    EXPECT_EQ(Text("overTempLimitEdit"), "75");
    EXPECT_EQ(Text("overVoltageEdit"), "56.0");
    EXPECT_EQ(Text("underVoltageEdit"), "18.0");
    EXPECT_EQ(Text("overCurrentEdit"), "0.29");
    EXPECT_EQ(Text("hallErrorTimeEdit"), "20");
    EXPECT_EQ(Text("tempFactorEdit"), "0.0029");
    EXPECT_EQ(Text("tempOffsetEdit"), "-0.5");
    EXPECT_EQ(Text("voltageFactorEdit"), "1.0000");
    EXPECT_EQ(Text("voltageOffsetEdit"), "-100.0");          // longer than the box takes when typing
    EXPECT_TRUE(Check("dynamicPidCheck")->isChecked());      // 262
    EXPECT_FALSE(Check("clearOverTempCheck")->isChecked());  // 264
    EXPECT_TRUE(Find<QPushButton>(page, "writeButton")->isEnabled());
}

TEST_F(SafetyPage, UnchangedWriteSendsTheValuesReadWithTheSpareRegistersCleared)
{
    PresetDrive();
    ReadOk();
    for (uint16_t r = 256; r <= 269; ++r) m_sim->SetRegister(r, 0x5555);
    Press("writeButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"操作成功"});
    for (int i = 0; i < 14; ++i) {
        const uint16_t expected = (i == 7 || i == 9) ? 0 : kDrive[i];  // 263 and 265
        EXPECT_EQ(Reg(256 + i), expected) << 256 + i;
    }
}

TEST_F(SafetyPage, TypedValuesGoOutInTheDrivesUnits)
{
    PresetDrive();
    ReadOk();
    Enter(Edit("overTempShutdownEdit"), "-10");
    Enter(Edit("overTempLimitEdit"), "abc");
    Enter(Edit("overVoltageEdit"), "56");
    Enter(Edit("underVoltageEdit"), "-1.5");
    Enter(Edit("overCurrentEdit"), "12.34");
    Enter(Edit("hallErrorTimeEdit"), "9.9");  // whole milliseconds, truncated
    Enter(Edit("tempFactorEdit"), "0.9985");
    Enter(Edit("tempOffsetEdit"), "-0.5");
    Enter(Edit("voltageFactorEdit"), "1.0001");
    Enter(Edit("voltageOffsetEdit"), "2.5");
    Click(Check("dynamicPidCheck"));
    Click(Check("clearOverTempCheck"));
    Press("writeButton");
    EXPECT_EQ(m_boxes.LastText(), "操作成功");
    EXPECT_EQ(Reg(256), 65526);
    EXPECT_EQ(Reg(257), 0);
    EXPECT_EQ(Reg(258), 560);
    EXPECT_EQ(Reg(259), 65521);
    EXPECT_EQ(Reg(260), 1234);
    EXPECT_EQ(Reg(261), 9);
    EXPECT_EQ(Reg(262), 0);
    EXPECT_EQ(Reg(264), 1);
    EXPECT_EQ(Reg(266), 9985);
    EXPECT_EQ(Reg(267), 65531);
    EXPECT_EQ(Reg(268), 10001);
    EXPECT_EQ(Reg(269), 25);
}

TEST_F(SafetyPage, FailedReadChangesNothingAndFailedWriteKeepsTheTyping)
{
    PresetDrive();
    ReadOk();
    m_sim->SetRegister(258, 600);
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    Press("readButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"通讯超时"});
    EXPECT_EQ(Text("overVoltageEdit"), "56.0");

    m_boxes.Clear();
    Enter(Edit("overCurrentEdit"), "3.5");
    m_dlg->m_master.ClosePort();
    Press("writeButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"串口未打开"});
    EXPECT_EQ(Text("overCurrentEdit"), "3.5");
}

TEST_F(SafetyPage, TheWindowStaysFreeWhileTheDriveIsSilent)
{
    PresetDrive();
    auto* read = Find<QPushButton>(page, "readButton");
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    ClickNoWait(read);
    // The handler has returned with the exchange still waiting for its time-out.
    EXPECT_FALSE(m_dlg->Link().Idle());
    EXPECT_FALSE(read->isEnabled());
    EXPECT_EQ(m_dlg->cursor().shape(), Qt::WaitCursor);

    bool served = false;
    bool pendingWhenServed = false;
    QTimer::singleShot(0, m_dlg.get(), [&] {
        served = true;
        pendingWhenServed = !m_dlg->Link().Idle();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return served; }, 5000));
    EXPECT_TRUE(pendingWhenServed) << "an event posted meanwhile waits for nothing";
    EXPECT_EQ(m_boxes.Count(), 0);

    ASSERT_TRUE(Settle());
    EXPECT_EQ(m_boxes.Texts(), QStringList{"通讯超时"});
    EXPECT_TRUE(read->isEnabled());
    EXPECT_NE(m_dlg->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(Text("overVoltageEdit").isEmpty());
    EXPECT_FALSE(Find<QPushButton>(page, "writeButton")->isEnabled());
}

}  // namespace
