// The page "往复运动" on the main window against the simulated drive: both
// groups in both speed units, the test commands and the travel watch.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <functional>

#include "PageFixture.h"
#include "ReciprocateDlg.h"

namespace {

using namespace GuiActions;

class ReciprocatePage : public CPageFixture<CReciprocateDlg, &CDemoDlg::ReciprocatePage> {
protected:
    // Homing and measuring take a fiftieth of their real time.
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.timeScale = 0.02;
        return options;
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(page, name); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(page, name); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(page, name); }
    void Press(const char* name) { Click(Button(name)); }
    uint16_t Reg(int r) { return m_sim->GetRegister(static_cast<uint16_t>(r)); }
    void Set(int r, uint16_t v) { m_sim->SetRegister(static_cast<uint16_t>(r), v); }
    void PressOk(const char* name)
    {
        Press(name);
        ASSERT_EQ(m_boxes.Count(), 0) << name << ": " << m_boxes.LastText().toStdString();
    }
    // The value of the last single-register write the master sent to 170.
    int LastCommand()
    {
        const auto request = LastRequest();
        if (request.size() != 8 || request[1] != 0x06 || request[2] != 0 || request[3] != 170) return -1;
        return request[4] << 8 | request[5];
    }
    bool WaitFor(const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > timeoutMs) return false;
            Pump(20);
        }
        return true;
    }
    void PresetProcess()
    {
        const uint16_t values[] = {2, 1, 0x0001, 0x86A0, 1234, 55, 6543, 15, 0, 29};
        for (int i = 0; i < 10; ++i) Set(160 + i, values[i]);
    }
};

TEST_F(ReciprocatePage, ProcessGroupInTenthsOfHzRoundTripsUnchanged)
{
    m_dlg->m_speedRangeX10 = 0;
    PresetProcess();
    EXPECT_FALSE(Button("processWriteButton")->isEnabled());
    PressOk("processReadButton");
    EXPECT_EQ(Combo("homingModeCombo")->currentIndex(), 2);
    EXPECT_TRUE(Find<QCheckBox>(page, "fineHomingCheck")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(page, "rehomeAfterLimitCheck")->isChecked());
    EXPECT_EQ(Text("totalTravelEdit"), "100000");
    EXPECT_EQ(Text("coarseSpeedEdit"), "123.4");
    EXPECT_EQ(Text("fineSpeedEdit"), "5.5");
    EXPECT_EQ(Text("speedAfterHomingEdit"), "654.3");
    EXPECT_EQ(Text("deadBandEdit"), "1.5");
    EXPECT_EQ(Text("homingTorqueEdit"), "0.29");
    EXPECT_TRUE(Button("processWriteButton")->isEnabled());
    EXPECT_FALSE(Button("presetWriteButton")->isEnabled());  // its own group not read yet

    for (int r = 160; r <= 169; ++r) Set(r, 0x5555);
    Press("processWriteButton");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"操作成功"});
    const uint16_t expected[] = {2, 1, 0x0001, 0x86A0, 1234, 55, 6543, 15, 0, 29};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Reg(160 + i), expected[i]) << 160 + i;

    m_boxes.Clear();
    Enter(Edit("coarseSpeedEdit"), "123.4");
    Enter(Edit("totalTravelEdit"), "4000000000");  // beyond the signed 32-bit range
    Select(Combo("homingModeCombo"), 0);
    Click(Find<QCheckBox>(page, "rehomeAfterLimitCheck"));
    Press("processWriteButton");
    EXPECT_EQ(m_boxes.LastText(), "操作成功");
    EXPECT_EQ(Reg(164), 1234);
    EXPECT_EQ(Reg(162), 0xEE6B);
    EXPECT_EQ(Reg(163), 0x2800);
    EXPECT_EQ(Reg(160), 0);
    EXPECT_EQ(Reg(168), 1);
}

TEST_F(ReciprocatePage, WholeHzRangeShowsAndSendsIntegers)
{
    m_dlg->m_speedRangeX10 = 1;
    PresetProcess();
    PressOk("processReadButton");
    EXPECT_EQ(Text("coarseSpeedEdit"), "1234");
    EXPECT_EQ(Text("homingTorqueEdit"), "0.29");  // not a speed
    Enter(Edit("fineSpeedEdit"), "1234");
    Press("processWriteButton");
    EXPECT_EQ(Reg(164), 1234);
    EXPECT_EQ(Reg(165), 1234);
    EXPECT_EQ(Reg(169), 29);
}

TEST_F(ReciprocatePage, PresetSpeedsFollowTheSpeedMode)
{
    for (int flag : {0, 1}) {
        m_dlg->m_speedRangeX10 = flag;
        Set(176, 1);  // 力矩
        Set(177, 1);
        Set(178, 150);
        Set(179, 5);
        m_boxes.Clear();
        PressOk("presetReadButton");
        EXPECT_EQ(Combo("speedModeCombo")->currentIndex(), 1);
        EXPECT_EQ(Combo("controlModeCombo")->currentIndex(), 1);
        EXPECT_EQ(Text("forwardSpeedEdit"), "1.50") << flag;
        EXPECT_EQ(Text("reverseSpeedEdit"), "0.05") << flag;
        Enter(Edit("forwardSpeedEdit"), "1.5");
        Press("presetWriteButton");
        EXPECT_EQ(Reg(178), 150);
        EXPECT_EQ(Reg(179), 5);

        Set(176, 0);  // 占空比
        Set(178, 500);
        m_boxes.Clear();
        PressOk("presetReadButton");
        EXPECT_EQ(Text("forwardSpeedEdit"), "50.0") << flag;
        Set(178, 0);
        Press("presetWriteButton");
        EXPECT_EQ(Reg(178), 500);
    }

    Set(176, 2);  // 速度闭环
    Set(178, 1234);
    m_dlg->m_speedRangeX10 = 1;
    m_boxes.Clear();
    PressOk("presetReadButton");
    EXPECT_EQ(Text("forwardSpeedEdit"), "1234");
    m_dlg->m_speedRangeX10 = 0;
    PressOk("presetReadButton");
    EXPECT_EQ(Text("forwardSpeedEdit"), "123.4");

    // A mode the page does not know: no selection, one decimal, and sent as
    // no selection with the speeds in tenths.
    Set(176, 7);
    Set(178, 500);
    m_dlg->m_speedRangeX10 = 1;
    PressOk("presetReadButton");
    EXPECT_EQ(Combo("speedModeCombo")->currentIndex(), -1);
    EXPECT_EQ(Text("forwardSpeedEdit"), "50.0");
    Press("presetWriteButton");
    EXPECT_EQ(Reg(176), 65535);
    EXPECT_EQ(Reg(178), 500);

    // Changing the mode before "配置" sends the typed number in the new mode's unit.
    m_boxes.Clear();
    Select(Combo("speedModeCombo"), 3);
    Enter(Edit("forwardSpeedEdit"), "77");
    Press("presetWriteButton");
    EXPECT_EQ(Reg(176), 3);
    EXPECT_EQ(Reg(178), 77);
}

TEST_F(ReciprocatePage, TestButtonsWriteTheirCommands)
{
    Set(164, 100);  // slow homing: still busy when the next button is pressed
    Set(161, 0);
    Press("homeSq1Button");
    EXPECT_EQ(LastCommand(), 2);
    Press("cancelButton");
    EXPECT_EQ(LastCommand(), 1);
    Press("homeSq2Button");
    EXPECT_EQ(LastCommand(), 3);
    // The drive is busy homing: a second command is refused and said so.
    Press("homeSq1Button");
    EXPECT_EQ(m_boxes.Texts(), QStringList{"设备忙"});
    Press("cancelButton");
    EXPECT_EQ(LastCommand(), 1);
    EXPECT_FALSE(page->TravelMeasurementPending());
    EXPECT_EQ(m_boxes.Count(), 1);

    m_dlg->m_master.ClosePort();
    Press("measureTravelButton");
    EXPECT_EQ(m_boxes.LastText(), "串口未打开");
    EXPECT_FALSE(page->TravelMeasurementPending());
}

TEST_F(ReciprocatePage, TravelWatchReloadsOnceWhenTheMeasurementEnds)
{
    // Nothing is read while no measurement is pending.
    uint64_t before = RequestCount();
    Pump(600);
    EXPECT_EQ(RequestCount(), before);

    Set(162, 0);
    Set(163, 0);
    PressOk("measureTravelButton");
    EXPECT_EQ(LastCommand(), 4);
    EXPECT_TRUE(page->TravelMeasurementPending());
    EXPECT_FALSE(Button("processWriteButton")->isEnabled());

    ASSERT_TRUE(WaitFor([&] { return !page->TravelMeasurementPending(); }, 15000));
    ASSERT_TRUE(Settle());                        // the reload
    EXPECT_EQ(Text("totalTravelEdit"), "12800");  // the simulated rail
    EXPECT_TRUE(Button("processWriteButton")->isEnabled());
    EXPECT_EQ(m_boxes.Count(), 0);

    // The watch has ended: no more polling.
    before = RequestCount();
    Pump(700);
    EXPECT_EQ(RequestCount(), before);
}

TEST_F(ReciprocatePage, TravelWatchSurvivesAClosedPortSilently)
{
    Set(164, 200);  // slow enough to still be measuring when the port closes
    Set(161, 0);
    PressOk("measureTravelButton");
    m_dlg->m_master.ClosePort();
    Pump(700);
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_TRUE(page->TravelMeasurementPending());

    Press("cancelButton");  // fails on the closed port, says so, watch goes on
    EXPECT_EQ(m_boxes.Texts(), QStringList{"串口未打开"});
    EXPECT_TRUE(page->TravelMeasurementPending());

    m_boxes.Clear();
    ASSERT_TRUE(m_dlg->m_master.OpenWithMode(DrivePort(), "9600,n,8,2"));
    PressOk("cancelButton");  // the drive sets 170 back to 0
    ASSERT_TRUE(WaitFor([&] { return !page->TravelMeasurementPending(); }, 3000));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_TRUE(Button("processWriteButton")->isEnabled());  // the reload happened
}

TEST_F(ReciprocatePage, TheWatchKeepsOneReadPendingWhileTheDriveIsSilent)
{
    Set(164, 200);  // still measuring while the drive is silent
    Set(161, 0);
    PressOk("measureTravelButton");
    ASSERT_TRUE(page->TravelMeasurementPending());

    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 3);
    const uint64_t before = RequestCount();
    size_t mostQueued = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            mostQueued = std::max(mostQueued, m_dlg->Link().Queued());
            return RequestCount() >= before + 2;
        },
        10000));
    EXPECT_EQ(mostQueued, 0u) << "a tick never queues a read behind the one still waiting";
    EXPECT_TRUE(page->TravelMeasurementPending());
    EXPECT_EQ(m_boxes.Count(), 0);

    // The third read goes unanswered too: close the window while it waits.
    ASSERT_TRUE(WaitFor([&] { return RequestCount() >= before + 3; }, 5000));
    ASSERT_FALSE(m_dlg->Link().Idle());
    page = nullptr;
    m_dlg.reset();
    Pump(50);
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(ReciprocatePage, TheWatchReadsNothingWhileAnActionsBoxIsOpen)
{
    Set(164, 200);
    Set(161, 0);
    PressOk("processReadButton");
    PressOk("measureTravelButton");
    ASSERT_TRUE(page->TravelMeasurementPending());

    // A box the user takes a few watch periods to close.
    struct SlowReader : CMessageBox::IHandler {
        zoric::sim::CSimulatedLine* sim = nullptr;
        uint64_t requestsWhileOpen = 0;
        QStringList texts;
        CMessageBox::Answer Handle(const CMessageBox::Request& request) override
        {
            texts << request.text;
            const uint64_t before = sim->RequestCount();
            QTest::qWait(4 * CReciprocateDlg::kWatchPeriodMs);
            requestsWhileOpen += sim->RequestCount() - before;
            return CMessageBox::Answer::Ok;
        }
    } reader;
    reader.sim = m_sim.get();
    CMessageBox::SetHandler(&reader);
    ASSERT_TRUE(Settle());  // no read of the watch in flight at the click
    Press("processWriteButton");
    CMessageBox::SetHandler(&m_boxes);
    ASSERT_EQ(reader.texts.size(), 1);
    EXPECT_EQ(reader.requestsWhileOpen, 0u);

    // Once the box is closed the watch goes on and ends with the reload.
    PressOk("cancelButton");
    ASSERT_TRUE(WaitFor([&] { return !page->TravelMeasurementPending(); }, 5000));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(m_boxes.Count(), 0);
}

}  // namespace
