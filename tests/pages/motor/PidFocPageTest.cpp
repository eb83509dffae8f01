// The page "PID和FOC参数" and the FOC calibration against the simulated drive.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "PageFixture.h"
#include "PidFocDlg.h"

using namespace GuiActions;

namespace {

uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

class PidFocPage : public CPageFixture<CPidFocDlg, &CDemoDlg::PidFocPage> {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions o;
        o.timeScale = 0.1;  // calibration in 2 s, a new step every 0.2 s
        return o;
    }
    void SetFloat(uint16_t reg, float f)
    {
        m_sim->SetRegister(reg, static_cast<uint16_t>(Bits(f) >> 16));
        m_sim->SetRegister(static_cast<uint16_t>(reg + 1), static_cast<uint16_t>(Bits(f)));
    }
    uint32_t GetBits(uint16_t reg)
    {
        return uint32_t{m_sim->GetRegister(reg)} << 16 | m_sim->GetRegister(static_cast<uint16_t>(reg + 1));
    }
    void Press(const char* button, const char* expected)
    {
        Click(W<QPushButton>(button));
        EXPECT_EQ(m_boxes.LastText(), QString::fromUtf8(expected)) << button;
    }
};

TEST_F(PidFocPage, EachConfigureWaitsForAGoodReadOfItsOwnGroup)
{
    EXPECT_FALSE(W<QPushButton>("pidConfigButton")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("focConfigButton")->isEnabled());
    m_dlg->m_master.ClosePort();
    Click(W<QPushButton>("pidReadButton"));
    Click(W<QPushButton>("focReadButton"));
    EXPECT_EQ(m_boxes.Texts(), (QStringList{"串口未打开", "串口未打开"}));
    EXPECT_FALSE(W<QPushButton>("pidConfigButton")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("focConfigButton")->isEnabled());

    ASSERT_TRUE(m_dlg->m_master.OpenPort(DrivePort(), 9600, 0));
    Click(W<QPushButton>("pidReadButton"));
    EXPECT_TRUE(W<QPushButton>("pidConfigButton")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("focConfigButton")->isEnabled());
    m_dlg->m_master.ClosePort();
    Click(W<QPushButton>("pidReadButton"));
    EXPECT_TRUE(W<QPushButton>("pidConfigButton")->isEnabled()) << "stays enabled";
}

TEST_F(PidFocPage, GainsShowAsPercentGAndGoBackAsShown)
{
    SetFloat(192, 0.5f);           // speed Kp
    SetFloat(194, 0.0001f);        // speed Ki
    SetFloat(196, 123456.f);       // speed Kd
    SetFloat(198, 1234567.f);      // position Kp
    SetFloat(200, -0.000123457f);  // position Ki: longer than its box
    SetFloat(186, 2.f);            // self-lock Kp
    Click(W<QPushButton>("pidReadButton"));
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Text("speedKpEdit"), "0.5");
    EXPECT_EQ(Text("speedKiEdit"), "0.0001");
    EXPECT_EQ(Text("speedKdEdit"), "123456");
    EXPECT_EQ(Text("positionKpEdit"), "1.23457e+06");
    EXPECT_EQ(Text("positionKiEdit"), "-0.000123457") << "shown whole, not cut to 8 characters";
    EXPECT_EQ(Text("selfLockKpEdit"), "2");

    for (uint16_t a = 186; a <= 203; ++a) m_sim->SetRegister(a, 0);
    Press("pidConfigButton", "操作成功");
    EXPECT_EQ(GetBits(192), Bits(0.5f));
    EXPECT_EQ(GetBits(194), Bits(0.0001f));
    EXPECT_EQ(GetBits(198), Bits(1234570.f)) << "the exponent is read";
    EXPECT_EQ(GetBits(200), Bits(-0.000123457f));
    EXPECT_EQ(GetBits(186), Bits(2.f));

    Type(W<QLineEdit>("selfLockKiEdit"), " -1.5e2x");
    Type(W<QLineEdit>("selfLockKdEdit"), "abc");
    Type(W<QLineEdit>("speedKpEdit"), "1e39");
    Press("pidConfigButton", "操作成功");
    EXPECT_EQ(GetBits(188), Bits(-150.f));
    EXPECT_EQ(GetBits(190), Bits(0.f));
    EXPECT_EQ(GetBits(192), Bits(3.40282347e38f)) << "held at the largest float";
}

TEST_F(PidFocPage, FocSettingsReadAndWriteWithTheirConversions)
{
    m_sim->SetRegister(768, 0xFFF5);  // open loop and position loop, higher bits set
    m_sim->SetRegister(769, 3000);
    m_sim->SetRegister(770, 60000);
    m_sim->SetRegister(771, 0xBEEF);
    m_sim->SetRegister(772, 65416);
    m_sim->SetRegister(773, 15);
    m_sim->SetRegister(774, 1200);
    m_sim->SetRegister(775, 80);
    m_sim->SetRegister(776, 150);
    m_sim->SetRegister(777, 3);
    m_sim->SetRegister(778, 2);
    m_sim->SetRegister(779, 0x1234);
    Click(W<QPushButton>("focReadButton"));
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_TRUE(W<QCheckBox>("openLoopCheck")->isChecked());
    EXPECT_FALSE(W<QCheckBox>("speedLoopCheck")->isChecked());
    EXPECT_TRUE(W<QCheckBox>("positionLoopCheck")->isChecked());
    EXPECT_EQ(Text("maxDecelEdit"), "60000");
    EXPECT_EQ(Text("phaseOffsetEdit"), "-120") << "shown whole in its 3-character box";
    EXPECT_EQ(Text("thresholdEdit"), "1.50");
    EXPECT_TRUE(W<QCheckBox>("squareWaveCheck")->isChecked());
    EXPECT_FALSE(W<QCheckBox>("selfLockCheck")->isChecked());

    for (uint16_t a = 768; a <= 779; ++a) m_sim->SetRegister(a, 0);
    Press("focConfigButton", "操作成功");
    EXPECT_EQ(m_sim->GetRegister(768), 5) << "higher bits go out as 0";
    EXPECT_EQ(m_sim->GetRegister(771), 0xBEEF) << "no control: sent back as read";
    EXPECT_EQ(m_sim->GetRegister(779), 0x1234);
    EXPECT_EQ(m_sim->GetRegister(772), 65416) << "what is shown is what is sent";
    EXPECT_EQ(m_sim->GetRegister(776), 150);
    EXPECT_EQ(m_sim->GetRegister(777), 1);
    EXPECT_EQ(m_sim->GetRegister(778), 0);

    Type(W<QLineEdit>("fluxKpEdit"), "70000");
    Type(W<QLineEdit>("fluxKiEdit"), "-1");
    Type(W<QLineEdit>("maxDecelEdit"), "70000");
    Type(W<QLineEdit>("phaseOffsetEdit"), "-20");
    Type(W<QLineEdit>("thresholdEdit"), "1.159");
    Click(W<QCheckBox>("speedLoopCheck"));
    Press("focConfigButton", "操作成功");
    EXPECT_EQ(m_sim->GetRegister(774), 65535);
    EXPECT_EQ(m_sim->GetRegister(775), 65535);
    EXPECT_EQ(m_sim->GetRegister(770), 4464);
    EXPECT_EQ(m_sim->GetRegister(772), 65516);
    EXPECT_EQ(m_sim->GetRegister(776), 115);
    EXPECT_EQ(m_sim->GetRegister(768), 7);
    Type(W<QLineEdit>("thresholdEdit"), "1.15");
    Type(W<QLineEdit>("fluxKpEdit"), "-5");
    Press("focConfigButton", "操作成功");
    EXPECT_EQ(m_sim->GetRegister(776), 115);
    EXPECT_EQ(m_sim->GetRegister(774), 65535) << "negative flux Kp saturates too";
}

TEST_F(PidFocPage, AReadReplacesUnsentTextOfTheOtherGroup)
{
    m_sim->SetRegister(774, 321);
    Click(W<QPushButton>("focReadButton"));
    Type(W<QLineEdit>("fluxKpEdit"), "999");
    Click(W<QPushButton>("pidReadButton"));
    EXPECT_EQ(Text("fluxKpEdit"), "321") << "back to the value last read";
}

TEST_F(PidFocPage, AnsweringNoStartsNothing)
{
    const uint64_t before = RequestCount();
    Click(W<QPushButton>("calibrateButton"));
    ASSERT_EQ(m_boxes.Count(), 1);
    const auto& question = m_boxes.Requests()[0];
    EXPECT_EQ(question.text,
              "驱动器将控制电机正反转约20秒钟来确定相位偏移量，请确保电机处于空载状态，是否准备就绪并继续？");
    EXPECT_EQ(question.caption, "重要提示");
    EXPECT_EQ(question.buttons, CMessageBox::Buttons::YesNo);
    EXPECT_EQ(question.defaultAnswer, CMessageBox::Answer::No);
    Pump(400);
    EXPECT_EQ(RequestCount(), before);
    EXPECT_FALSE(page->IsCalibrating());
    EXPECT_EQ(W<QPushButton>("calibrateButton")->text(), "自动校正");
}

TEST_F(PidFocPage, CalibrationFollowsTheStepsAndPutsTheAnglesInTheBoxes)
{
    Click(W<QPushButton>("focReadButton"));
    auto* button = W<QPushButton>("calibrateButton");
    m_boxes.Answer(CMessageBox::Answer::Yes);
    Click(button);
    EXPECT_TRUE(page->IsCalibrating());
    EXPECT_FALSE(button->isEnabled());
    QStringList seen;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (seen.isEmpty() || seen.back() != button->text()) seen << button->text();
            return !page->IsCalibrating();
        },
        10000));
    EXPECT_EQ(seen.front(), "正在校正");
    EXPECT_TRUE(seen.filter(QRegularExpression("^Step\\(\\d+\\)$")).size() >= 2) << seen.join(',').toStdString();
    EXPECT_EQ(m_boxes.LastText(), "学习完成");
    EXPECT_EQ(Text("phaseOffsetEdit"), "-10");
    EXPECT_EQ(Text("phaseAdvanceEdit"), "25");
    EXPECT_EQ(button->text(), "自动校正");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(m_sim->GetRegister(224), 0);
    EXPECT_EQ(m_sim->GetRegister(225), 0);
    EXPECT_EQ(m_sim->GetRegister(226), 3) << "the stop write carries the state last read";

    // The angles go out with the next FOC "配置".
    Click(W<QPushButton>("focConfigButton"));
    EXPECT_EQ(m_sim->GetRegister(772), static_cast<uint16_t>(-10));
    EXPECT_EQ(m_sim->GetRegister(773), 25);
}

}  // namespace
