// The page "电机参数" and the motor learning against the simulated drive.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "MotorParamDlg.h"
#include "PageFixture.h"

using namespace GuiActions;

namespace {

class MotorParamPage : public CPageFixture<CMotorParamDlg, &CDemoDlg::MotorParamPage> {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions o;
        o.timeScale = 0.05;  // learning in 0.15 s
        o.startUnlearned = startUnlearned;
        o.learningFails = learningFails;
        return o;
    }
    void Read()
    {
        const int before = m_boxes.Count();
        Click(W<QPushButton>("readButton"));
        ASSERT_EQ(m_boxes.Count(), before) << m_boxes.LastText().toStdString();
    }
    void Configure(const char* expected = "操作成功")
    {
        Click(W<QPushButton>("configButton"));
        EXPECT_EQ(m_boxes.LastText(), QString::fromUtf8(expected));
    }
    bool WaitIdle(int ms)
    {
        return QTest::qWaitFor([&] { return !page->IsLearning(); }, ms);
    }

    bool startUnlearned = false;
    bool learningFails = false;
};

class UnlearnedMotor : public MotorParamPage {
protected:
    UnlearnedMotor() { startUnlearned = true; }
};
class FailingMotor : public MotorParamPage {
protected:
    FailingMotor() { learningFails = true; }
};

TEST_F(MotorParamPage, ConfigureWaitsForAGoodReadAndAFailedReadChangesNothing)
{
    EXPECT_FALSE(W<QPushButton>("configButton")->isEnabled());
    EXPECT_TRUE(Text("maxFreqEdit").isEmpty());
    EXPECT_EQ(W<QComboBox>("speedAlgorithmCombo")->currentIndex(), -1);
    m_dlg->m_master.ClosePort();
    Click(W<QPushButton>("readButton"));
    EXPECT_EQ(m_boxes.Texts(), QStringList{"串口未打开"});
    EXPECT_FALSE(W<QPushButton>("configButton")->isEnabled());
    EXPECT_TRUE(Text("maxFreqEdit").isEmpty());
}

TEST_F(MotorParamPage, ReadShowsEveryFieldAndFrequenciesFollowTheSpeedRange)
{
    for (uint16_t a = 98; a <= 103; ++a) m_sim->SetRegister(a, 5000);
    m_sim->SetRegister(106, 201);
    m_sim->SetRegister(109, 0x1234);
    m_sim->SetRegister(110, 0x5678);
    m_sim->SetRegister(111, 0x9ABC);
    m_sim->SetRegister(112, 2);
    m_sim->SetRegister(117, 0xFFFE);  // bit 0 decides
    m_sim->SetRegister(121, 150);
    m_sim->SetRegister(122, 30);
    m_sim->SetRegister(123, 5);
    m_sim->SetRegister(119, 0);
    Read();
    EXPECT_TRUE(W<QPushButton>("configButton")->isEnabled());
    for (const char* name :
         {"maxAccelEdit", "defaultAccelEdit", "maxDecelEdit", "defaultDecelEdit", "maxFreqEdit", "defaultFreqEdit"})
        EXPECT_EQ(Text(name), "500.0") << name;
    EXPECT_EQ(Text("pwmStartRampEdit"), "0.5");
    EXPECT_EQ(Text("ratedCurrentEdit"), "2.01");
    EXPECT_EQ(Text("phaseSequenceEdit"), "12 34 56 78 9A BC");
    EXPECT_EQ(W<QComboBox>("speedAlgorithmCombo")->currentText(), "时间-位置速率");
    EXPECT_EQ(W<QComboBox>("learningStateCombo")->currentText(), "未学习");
    EXPECT_EQ(Text("overloadMultipleEdit"), "1.50");
    EXPECT_EQ(Text("overloadDurationEdit"), "3.0");
    EXPECT_TRUE(W<QCheckBox>("detectSpeedCheck")->isChecked());
    EXPECT_FALSE(W<QCheckBox>("speedRangeCheck")->isChecked());
    EXPECT_EQ(m_dlg->m_speedRangeX10.load(), 0);

    m_sim->SetRegister(119, 1);
    Read();
    EXPECT_EQ(Text("maxFreqEdit"), "5000");
    EXPECT_EQ(Text("defaultAccelEdit"), "5000");
    EXPECT_TRUE(W<QCheckBox>("speedRangeCheck")->isChecked());
    EXPECT_EQ(m_dlg->m_speedRangeX10.load(), 1);
}

TEST_F(MotorParamPage, ConfigureSendsWhatIsShownAndFrequenciesInTheTickedUnit)
{
    m_sim->SetRegister(119, 1);
    Read();
    std::vector<uint16_t> read;
    for (uint16_t a = 96; a <= 123; ++a) read.push_back(m_sim->GetRegister(a));
    for (uint16_t a = 96; a <= 123; ++a) m_sim->SetRegister(a, 0);
    Configure();
    for (uint16_t a = 96; a <= 123; ++a)
        EXPECT_EQ(m_sim->GetRegister(a), (a == 104 || a == 105) ? 0 : read[a - 96]) << "register " << a;

    Type(W<QLineEdit>("maxFreqEdit"), "500.7");
    Configure();
    EXPECT_EQ(m_sim->GetRegister(102), 500) << "whole Hz: the fraction is dropped";
    EXPECT_EQ(m_dlg->m_speedRangeX10.load(), 1);

    Click(W<QCheckBox>("speedRangeCheck"));
    Type(W<QLineEdit>("maxFreqEdit"), "500.7");
    Type(W<QLineEdit>("defaultFreqEdit"), "7000");
    Type(W<QLineEdit>("ratedCurrentEdit"), "2.01");
    Type(W<QLineEdit>("gearRatioEdit"), "-0.1");
    Configure();
    EXPECT_EQ(m_sim->GetRegister(119), 0);
    EXPECT_EQ(m_dlg->m_speedRangeX10.load(), 0);
    EXPECT_EQ(m_sim->GetRegister(102), 5007);
    EXPECT_EQ(m_sim->GetRegister(103), 65535);
    EXPECT_EQ(m_sim->GetRegister(106), 201);
    EXPECT_EQ(m_sim->GetRegister(116), 65535) << "a negative value as its 16-bit two's complement";
}

TEST_F(MotorParamPage, ADriveWithoutTheTenfoldRangeGetsTheSwitchCleared)
{
    Read();
    m_sim->SetRegister(14, 0);
    W<QCheckBox>("speedRangeCheck")->setChecked(true);
    Configure();
    EXPECT_FALSE(W<QCheckBox>("speedRangeCheck")->isChecked());
    EXPECT_EQ(m_sim->GetRegister(119), 0);
    EXPECT_EQ(m_dlg->m_speedRangeX10.load(), 0);
}

TEST_F(MotorParamPage, ConfigureStopsWhenTheDeviceInformationCannotBeRead)
{
    Read();
    Type(W<QLineEdit>("poleCountEdit"), "12");
    const uint64_t before = RequestCount();
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    Configure("通讯超时");
    EXPECT_EQ(RequestCount(), before + 1) << "nothing written after the failed read";
    EXPECT_EQ(m_sim->GetRegister(115), 8);
    EXPECT_EQ(Text("poleCountEdit"), "12") << "the page keeps what was typed";
}

TEST_F(MotorParamPage, AnAlgorithmTheListDoesNotKnowIsSentBackAsRead)
{
    m_sim->SetRegister(112, 7);
    Read();
    EXPECT_EQ(W<QComboBox>("speedAlgorithmCombo")->currentIndex(), -1);
    m_sim->SetRegister(112, 0);
    Configure();
    EXPECT_EQ(m_sim->GetRegister(112), 7);
    Select(W<QComboBox>("speedAlgorithmCombo"), 1);
    Configure();
    EXPECT_EQ(m_sim->GetRegister(112), 1);
}

TEST_F(UnlearnedMotor, LearningEndsWithThePhaseDataInThePageAndThenShowsThePidPage)
{
    Read();
    EXPECT_EQ(W<QComboBox>("learningStateCombo")->currentText(), "未学习");
    // The tab is still the motor-parameter page when the box is shown.
    struct TabAtBox : CMessageBox::IHandler {
        QTabWidget* tabs;
        std::vector<int> seen;
        QStringList texts;
        CMessageBox::Answer Handle(const CMessageBox::Request& r) override
        {
            seen.push_back(tabs->currentIndex());
            texts << r.text;
            return CMessageBox::Answer::Ok;
        }
    } watcher;
    watcher.tabs = m_dlg->Tabs();
    m_dlg->ShowPage(1);
    CMessageBox::SetHandler(&watcher);

    auto* learn = W<QPushButton>("learnButton");
    Click(learn);
    EXPECT_EQ(learn->text(), "正在学习");
    EXPECT_FALSE(learn->isEnabled());
    EXPECT_TRUE(page->IsLearning());
    EXPECT_TRUE(WaitIdle(5000));
    CMessageBox::SetHandler(&m_boxes);

    ASSERT_EQ(watcher.texts, QStringList{"相序学习成功，请配置好霍尔相位偏移角度后方可正常使用FOC功能"});
    EXPECT_EQ(watcher.seen, std::vector<int>{1});
    EXPECT_EQ(m_dlg->Tabs()->currentIndex(), 4);
    EXPECT_EQ(learn->text(), "开始学习");
    EXPECT_TRUE(learn->isEnabled());
    EXPECT_EQ(Text("phaseSequenceEdit"), "01 05 04 06 02 03");
    EXPECT_EQ(W<QComboBox>("learningStateCombo")->currentText(), "已学习");
    EXPECT_EQ(m_sim->GetRegister(224), 0);
    EXPECT_EQ(m_sim->GetRegister(225), 0);
    EXPECT_EQ(m_sim->GetRegister(226), 3) << "the stop write carries the state last read";

    // The learned data goes out with the next "配置".
    for (uint16_t a = 109; a <= 111; ++a) m_sim->SetRegister(a, 0);
    m_sim->SetRegister(117, 0);
    Configure();
    EXPECT_EQ(m_sim->GetRegister(109), 0x0105);
    EXPECT_EQ(m_sim->GetRegister(110), 0x0406);
    EXPECT_EQ(m_sim->GetRegister(111), 0x0203);
    EXPECT_EQ(m_sim->GetRegister(117), 1);
}

TEST_F(FailingMotor, FailedLearningMarksTheMotorUnlearned)
{
    Read();
    Select(W<QComboBox>("learningStateCombo"), 1);
    Click(W<QPushButton>("learnButton"));
    ASSERT_TRUE(WaitIdle(5000));
    EXPECT_EQ(m_boxes.Texts(), QStringList{"学习失败"});
    EXPECT_EQ(W<QComboBox>("learningStateCombo")->currentText(), "未学习");
    EXPECT_EQ(m_dlg->Tabs()->currentIndex(), 0) << "no switch of page";
    EXPECT_EQ(m_sim->GetRegister(226), 4);
}

TEST_F(MotorParamPage, LearningRefusedByTheDriveRestoresTheButtonWithoutAStopWrite)
{
    m_sim->SetRegister(118, 1);  // learning switched off in the drive
    const uint64_t before = RequestCount();
    Click(W<QPushButton>("learnButton"));
    ASSERT_TRUE(WaitIdle(3000));
    EXPECT_EQ(m_boxes.Texts(), QStringList{"不允许操作"});
    EXPECT_EQ(RequestCount(), before + 1);
    EXPECT_EQ(W<QPushButton>("learnButton")->text(), "开始学习");
    EXPECT_TRUE(W<QPushButton>("learnButton")->isEnabled());
}

TEST_F(MotorParamPage, ClosingTheMainWindowMidConfigureShowsNothing)
{
    Read();
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    ClickNoWait(W<QPushButton>("configButton"));
    ClickNoWait(W<QPushButton>("readButton"));  // queued behind it
    ASSERT_FALSE(m_dlg->Link().Idle());
    page = nullptr;
    m_dlg.reset();
    Pump(50);
    EXPECT_EQ(m_boxes.Count(), 0);
}

}  // namespace
