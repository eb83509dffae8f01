// The page "电机控制" against the simulated drive.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "MotorControlDlg.h"
#include "PageFixture.h"

using namespace GuiActions;

namespace {

class MotorControlPage : public CPageFixture<CMotorControlDlg, &CDemoDlg::MotorControlPage> {
protected:
    // Sets the shared speed-range flag as a read of the drive would, and
    // lets the page's timer notice it.
    void SetSpeedRange(int x10)
    {
        m_sim->SetRegister(119, static_cast<uint16_t>(x10));
        m_dlg->m_speedRangeX10 = x10;
        Pump(250);
    }
    uint16_t Word(const std::vector<uint8_t>& frame, size_t offset) const
    {
        return static_cast<uint16_t>(frame.at(offset) << 8 | frame.at(offset + 1));
    }
};

TEST_F(MotorControlPage, StartsWithItsInitialTextsAndRanges)
{
    EXPECT_EQ(W<QLineEdit>("pwmRiseEdit")->text(), "0.0");
    EXPECT_EQ(W<QLineEdit>("accelEdit")->text(), "500.0");
    EXPECT_EQ(W<QLineEdit>("maxFreqEdit")->text(), "1000.0");
    EXPECT_EQ(W<QLineEdit>("moveFreqEdit")->text(), "500.0");
    EXPECT_EQ(W<QLineEdit>("positionRangeEdit")->text(), "10000");
    EXPECT_EQ(W<QSlider>("pwmSlider")->maximum(), 1000);
    EXPECT_EQ(W<QSlider>("freqSlider")->minimum(), -10000);
    EXPECT_EQ(W<QSlider>("freqSlider")->maximum(), 10000);
    EXPECT_EQ(W<QSlider>("positionSlider")->minimum(), -10000);
    EXPECT_TRUE(W<QRadioButton>("normalStopRadio")->isChecked());
    EXPECT_TRUE(W<QRadioButton>("absoluteRadio")->isChecked());
    EXPECT_EQ(W<QLineEdit>("pwmRiseEdit")->maxLength(), 5);
    EXPECT_EQ(W<QLineEdit>("maxFreqEdit")->maxLength(), 6);
    EXPECT_EQ(W<QLineEdit>("positionRangeEdit")->maxLength(), 10);

    W<QSlider>("pwmSlider")->setValue(-5);
    W<QSlider>("freqSlider")->setValue(1234);
    W<QSlider>("positionSlider")->setValue(-77);
    Pump(250);
    EXPECT_EQ(W<QLabel>("pwmValueLabel")->text(), "-0.5%");
    EXPECT_EQ(W<QLabel>("freqValueLabel")->text(), "123.4Hz");
    EXPECT_EQ(W<QLabel>("positionValueLabel")->text(), "-77");
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(MotorControlPage, MaximumFrequencyIsHeldToTheSliderInEitherUnit)
{
    auto* maxText = W<QLineEdit>("maxFreqEdit");
    auto* slider = W<QSlider>("freqSlider");
    Enter(maxText, "5000");
    EXPECT_EQ(maxText->text(), "3276.7");
    EXPECT_EQ(slider->maximum(), 32767);
    EXPECT_EQ(slider->minimum(), -32767);
    Enter(maxText, "0");
    EXPECT_EQ(maxText->text(), "0.1");
    EXPECT_EQ(slider->maximum(), 1);
    Enter(maxText, "12.36");
    EXPECT_EQ(maxText->text(), "12.3") << "tenths taken from the digits";
    EXPECT_EQ(slider->maximum(), 123);
    Enter(maxText, "abc");
    EXPECT_EQ(maxText->text(), "12.3") << "no number keeps the range";
    EXPECT_EQ(slider->maximum(), 123);

    SetSpeedRange(1);
    EXPECT_EQ(maxText->text(), "12");
    Enter(maxText, "5000");
    EXPECT_EQ(maxText->text(), "5000");
    EXPECT_EQ(slider->maximum(), 5000);
    EXPECT_EQ(slider->minimum(), -5000);
    Enter(maxText, "40000");
    EXPECT_EQ(maxText->text(), "32767");
    Enter(maxText, "0.5");
    EXPECT_EQ(maxText->text(), "1");
    EXPECT_EQ(slider->maximum(), 1);
}

TEST_F(MotorControlPage, AChangeOfSpeedUnitShowsWithinATimerTick)
{
    auto* maxText = W<QLineEdit>("maxFreqEdit");
    auto* slider = W<QSlider>("freqSlider");
    ASSERT_EQ(maxText->text(), "1000.0");
    slider->setValue(250);
    m_dlg->m_speedRangeX10 = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return maxText->text() == "1000"; }, 150));
    EXPECT_EQ(slider->maximum(), 1000);
    EXPECT_EQ(W<QLabel>("freqValueLabel")->text(), "250Hz");

    m_dlg->m_speedRangeX10 = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return maxText->text() == "1000.0"; }, 150));
    EXPECT_EQ(slider->maximum(), 10000);
}

TEST_F(MotorControlPage, CommandsGoOutAsTheSlidersAndChoicesStand)
{
    W<QSlider>("pwmSlider")->setValue(-1000);
    Click(W<QPushButton>("pwmApplyButton"));
    EXPECT_EQ(m_sim->GetRegister(66), 0xFC18);
    Click(W<QPushButton>("stopButton"));
    EXPECT_EQ(m_sim->GetRegister(64), 0);

    W<QSlider>("freqSlider")->setValue(-2500);
    Click(W<QPushButton>("freqApplyButton"));
    EXPECT_EQ(m_sim->GetRegister(67), static_cast<uint16_t>(-2500));

    Click(W<QRadioButton>("freeStopRadio"));
    Click(W<QPushButton>("stopButton"));
    EXPECT_EQ(m_sim->GetRegister(64), 2);
    Click(W<QRadioButton>("emergencyStopRadio"));
    Click(W<QPushButton>("stopButton"));
    EXPECT_EQ(m_sim->GetRegister(64), 1);
    EXPECT_EQ(m_boxes.Count(), 0) << "commands report failures only";

    m_dlg->m_master.ClosePort();
    Click(W<QPushButton>("pwmApplyButton"));
    Click(W<QPushButton>("stopButton"));
    EXPECT_EQ(m_boxes.Texts(), (QStringList{"串口未打开", "串口未打开"}));
}

TEST_F(MotorControlPage, PositionMoveClampsItsFrequencyInTheRegisterUnit)
{
    auto* moveText = W<QLineEdit>("moveFreqEdit");
    auto* apply = W<QPushButton>("positionApplyButton");
    W<QSlider>("positionSlider")->setValue(-2);
    Click(W<QRadioButton>("relativeRadio"));

    const std::pair<const char*, uint16_t> tenths[] = {{"0", 1}, {"", 1}, {"12.34", 123}, {"7000", 65535}, {"-3", 1}};
    for (const auto& [text, expected] : tenths) {
        Type(moveText, text);
        Click(apply);
        const auto req = LastRequest();
        ASSERT_EQ(req.size(), 17u);
        EXPECT_EQ(Word(req, 2), 68);
        EXPECT_EQ(Word(req, 7), expected) << "flag 0, text " << text;
        EXPECT_EQ(Word(req, 9), 1) << "relative";
        EXPECT_EQ(Word(req, 11), 0xFFFF);
        EXPECT_EQ(Word(req, 13), 0xFFFE) << "-2 as 32 bits, high word first";
        EXPECT_EQ(moveText->text(), QString::fromUtf8(text)) << "the text is not rewritten";
    }
    SetSpeedRange(1);
    const std::pair<const char*, uint16_t> whole[] = {{"0", 1}, {"", 1}, {"12.34", 12}, {"70000", 65535}};
    for (const auto& [text, expected] : whole) {
        Type(moveText, text);
        Click(apply);
        EXPECT_EQ(Word(LastRequest(), 7), expected) << "flag 1, text " << text;
    }
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(MotorControlPage, PositionRangeIsAtLeastOneAndSetsTheSlider)
{
    auto* range = W<QLineEdit>("positionRangeEdit");
    auto* slider = W<QSlider>("positionSlider");
    range->setText("0");  // as pasted over the whole text
    EXPECT_EQ(range->text(), "1");
    EXPECT_EQ(slider->maximum(), 1);
    range->setText("-5");
    EXPECT_EQ(range->text(), "1");
    Type(range, "250");
    EXPECT_EQ(range->text(), "1250") << "every change is applied at once: the emptied field became 1";
    EXPECT_EQ(slider->maximum(), 1250);
    range->setText("250");
    EXPECT_EQ(slider->maximum(), 250);
    EXPECT_EQ(slider->minimum(), -250);
}

TEST_F(MotorControlPage, RampsReadAndSetOnTheDigitsInTheCurrentUnit)
{
    m_sim->SetRegister(80, 7);
    m_sim->SetRegister(81, 12);
    m_sim->SetRegister(82, 5000);
    m_sim->SetRegister(83, 123);
    Click(W<QPushButton>("rampReadButton"));
    EXPECT_EQ(W<QLineEdit>("pwmRiseEdit")->text(), "0.7");
    EXPECT_EQ(W<QLineEdit>("pwmFallEdit")->text(), "1.2");
    EXPECT_EQ(W<QLineEdit>("accelEdit")->text(), "500.0");
    EXPECT_EQ(W<QLineEdit>("decelEdit")->text(), "12.3");
    EXPECT_EQ(m_boxes.Count(), 0);

    // What was read goes back unchanged.
    for (uint16_t a = 80; a <= 83; ++a) m_sim->SetRegister(a, 0);
    Click(W<QPushButton>("rampSetButton"));
    EXPECT_EQ(m_boxes.LastText(), "操作成功");
    EXPECT_EQ(m_sim->GetRegister(80), 7);
    EXPECT_EQ(m_sim->GetRegister(81), 12);
    EXPECT_EQ(m_sim->GetRegister(82), 5000);
    EXPECT_EQ(m_sim->GetRegister(83), 123);

    SetSpeedRange(1);
    Click(W<QPushButton>("rampReadButton"));
    EXPECT_EQ(W<QLineEdit>("accelEdit")->text(), "5000");
    Type(W<QLineEdit>("accelEdit"), "70000");
    Type(W<QLineEdit>("decelEdit"), "250.9");
    Click(W<QPushButton>("rampSetButton"));
    EXPECT_EQ(m_sim->GetRegister(82), 65535);
    EXPECT_EQ(m_sim->GetRegister(83), 250);
}

TEST_F(MotorControlPage, AFailedRampReadIsReportedUnlessTheUnitIsChanging)
{
    m_dlg->m_master.ClosePort();
    Click(W<QPushButton>("rampReadButton"));
    EXPECT_EQ(m_boxes.Texts(), QStringList{"串口未打开"});
    EXPECT_EQ(W<QLineEdit>("accelEdit")->text(), "500.0");

    m_dlg->m_speedRangeX10 = 1;  // the page has not seen this yet
    Click(W<QPushButton>("rampReadButton"));
    EXPECT_EQ(m_boxes.Count(), 1);

    Click(W<QPushButton>("rampSetButton"));
    EXPECT_EQ(m_boxes.LastText(), "串口未打开") << "设定 always reports";
}

TEST_F(MotorControlPage, AFailedRampReadIsJudgedByTheUnitInEffectWhenItComesBack)
{
    auto* read = W<QPushButton>("rampReadButton");
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    ClickNoWait(read);
    EXPECT_FALSE(m_dlg->Link().Idle());
    EXPECT_FALSE(read->isEnabled());
    EXPECT_EQ(m_dlg->cursor().shape(), Qt::WaitCursor);

    // The page's timer goes on while the drive is silent and takes up the new unit.
    m_dlg->m_speedRangeX10 = 1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return W<QLineEdit>("maxFreqEdit")->text() == "1000"; }, 5000));
    EXPECT_FALSE(m_dlg->Link().Idle()) << "taken up before the time-out";
    ASSERT_TRUE(Settle());
    EXPECT_EQ(m_boxes.Count(), 0) << "the unit changed while the read was out";
    EXPECT_TRUE(read->isEnabled());
    EXPECT_NE(m_dlg->cursor().shape(), Qt::WaitCursor);

    // In a steady unit the time-out is reported.
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    Click(read);
    EXPECT_EQ(m_boxes.Texts(), QStringList{"通讯超时"});
}

}  // namespace
