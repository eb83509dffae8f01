// Motor learning and FOC calibration as periodic jobs on the link, against a
// scripted drive, for the endings a simulator does not produce on demand: a
// busy start, steps and intermediate states held as long as the test likes,
// polls that fail, the page's actions between the polls, and the window (a
// page's, the main one) closed in the middle of a run.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <array>
#include <chrono>
#include <mutex>

#include "DemoDlg.h"
#include "GuiActions.h"
#include "MessageRecorder.h"
#include "MotorParamDlg.h"
#include "PidFocDlg.h"
#include "ProcedureRun.h"
#include "PtyBridge.h"
#include "ScriptedSlave.h"

using namespace GuiActions;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

class ScriptedDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.Ok());
        slave = std::make_unique<CScriptedSlave>(line.PathB(), [this](const Bytes& r) { return Serve(r); });
        ASSERT_TRUE(slave->Ok());
        dlg = std::make_unique<CDemoDlg>();
        dlg->show();
        ASSERT_TRUE(dlg->m_master.OpenWithMode(line.PathA(), "9600,n,8,2"));
        Set(14, 1);  // the drive has the x10 speed range
    }
    void TearDown() override
    {
        dlg.reset();
        slave.reset();
    }

    // A bank of registers; writes to 224 with 225 = 1 (a start) can be
    // refused, and polls of 224 can go unanswered.
    SlaveReply Serve(const Bytes& req)
    {
        std::lock_guard<std::mutex> g(lock);
        const uint16_t start = static_cast<uint16_t>(req[2] << 8 | req[3]);
        const uint16_t count = static_cast<uint16_t>(req[4] << 8 | req[5]);
        auto exception = [&](uint8_t code) {
            return SlaveReply::Bytes(WithCrc({req[0], static_cast<uint8_t>(req[1] | 0x80), code}));
        };
        if (req[1] == 0x03) {
            if (start == 224) {
                pollTimes.push_back(Clock::now());
                if (silentPolls) return SlaveReply::Silent();
            }
            Bytes out{req[0], 0x03, static_cast<uint8_t>(2 * count)};
            for (uint16_t i = 0; i < count; ++i) {
                out.push_back(static_cast<uint8_t>(regs[(start + i) & 1023] >> 8));
                out.push_back(static_cast<uint8_t>(regs[(start + i) & 1023]));
            }
            return SlaveReply::Bytes(WithCrc(out));
        }
        if (req[1] == 0x10) {
            const bool startsProcedure = start == 224 && req[9] == 0 && req[10] == 1;
            if (startsProcedure && startException) return exception(startException);
            if (start != 224 || !keepProcedureRegisters)
                for (uint16_t i = 0; i < count; ++i)
                    regs[(start + i) & 1023] = static_cast<uint16_t>(req[7 + 2 * i] << 8 | req[8 + 2 * i]);
        } else if (req[1] == 0x06) {
            regs[start & 1023] = count;
        }
        return SlaveReply::Bytes(WithCrc(Bytes(req.begin(), req.begin() + 6)));
    }

    void Set(uint16_t reg, uint16_t value)
    {
        std::lock_guard<std::mutex> g(lock);
        regs[reg] = value;
    }
    uint16_t Get(uint16_t reg)
    {
        std::lock_guard<std::mutex> g(lock);
        return regs[reg];
    }
    size_t Polls()
    {
        std::lock_guard<std::mutex> g(lock);
        return pollTimes.size();
    }
    // Function-16 requests to the procedure block, data words only.
    std::vector<std::vector<uint16_t>> ProcedureWrites() const
    {
        std::vector<std::vector<uint16_t>> out;
        for (const Bytes& r : slave->Requests()) {
            if (r.size() < 15 || r[1] != 0x10 || r[2] != 0x00 || r[3] != 0xE0) continue;
            std::vector<uint16_t> words;
            for (size_t i = 0; i < 4; ++i) words.push_back(static_cast<uint16_t>(r[7 + 2 * i] << 8 | r[8 + 2 * i]));
            out.push_back(words);
        }
        return out;
    }
    template <class T>
    T* W(const QWidget* page, const char* name)
    {
        T* w = Find<T>(page, name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void StartCalibration()
    {
        boxes.Answer(CMessageBox::Answer::Yes);
        ClickNoWait(W<QPushButton>(dlg->PidFocPage(), "calibrateButton"));
        ASSERT_TRUE(dlg->PidFocPage()->IsCalibrating());
    }
    bool WaitFor(const std::function<bool()>& condition, int ms = 5000) { return QTest::qWaitFor(condition, ms); }
    // The procedure's polls so far came a quarter second apart, at least
    // `atLeast` of them.
    void ExpectQuarterSecondPolls(size_t atLeast)
    {
        std::lock_guard<std::mutex> g(lock);
        ASSERT_GE(pollTimes.size(), atLeast);
        for (size_t i = 1; i < pollTimes.size(); ++i) {
            const auto gap = pollTimes[i] - pollTimes[i - 1];
            EXPECT_GE(gap, 245ms) << "poll " << i;
            EXPECT_LT(gap, 600ms) << "poll " << i;
        }
    }

    CPtyBridge line;
    std::unique_ptr<CScriptedSlave> slave;
    CMessageRecorder boxes;
    std::unique_ptr<CDemoDlg> dlg;

    std::mutex lock;
    std::array<uint16_t, 1024> regs{};
    uint8_t startException = 0;
    bool silentPolls = false;
    bool keepProcedureRegisters = true;  // the drive reports; the test decides what
    std::vector<Clock::time_point> pollTimes;
};

TEST_F(ScriptedDrive, ABusyStartIsPolledAndTheStepShowsOnTheButton)
{
    startException = 6;
    Set(225, 1);
    Set(226, 1);
    Set(229, 3);
    StartCalibration();
    auto* button = W<QPushButton>(dlg->PidFocPage(), "calibrateButton");
    EXPECT_EQ(button->text(), "正在校正");
    ASSERT_TRUE(WaitFor([&] { return button->text() == "Step(3)"; }));
    EXPECT_FALSE(button->isEnabled());
    const auto requests = slave->Requests();
    EXPECT_EQ(requests.at(0), WithCrc({0x01, 0x10, 0x00, 0xE0, 0x00, 0x04, 0x08, 0, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(requests.at(1), WithCrc({0x01, 0x03, 0x00, 0xE0, 0x00, 0x0B})) << "the poll reads 224 to 234";

    Set(226, 3);
    Set(227, 9);
    Set(229, 65526);
    Set(230, 25);
    ASSERT_TRUE(WaitFor([&] { return !dlg->PidFocPage()->IsCalibrating(); }));
    EXPECT_EQ(boxes.LastText(), "学习完成");
    EXPECT_EQ(boxes.Count(), 2);
    EXPECT_EQ(W<QLineEdit>(dlg->PidFocPage(), "phaseOffsetEdit")->text(), "-10");
    EXPECT_EQ(W<QLineEdit>(dlg->PidFocPage(), "phaseAdvanceEdit")->text(), "25");
    EXPECT_EQ(button->text(), "自动校正");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(ProcedureWrites().back(), (std::vector<uint16_t>{0, 0, 3, 9})) << "the stop carries 226/227 as last read";
}

TEST_F(ScriptedDrive, LearningTakesThePhaseBytesAndTheNextConfigureSendsThem)
{
    Click(W<QPushButton>(dlg->MotorParamPage(), "readButton"));
    ASSERT_EQ(boxes.Count(), 0);
    startException = 6;
    Set(225, 1);
    Set(226, 3);
    const uint16_t phase[6] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0x1BC};  // only the low byte counts
    for (int i = 0; i < 6; ++i) Set(static_cast<uint16_t>(229 + i), phase[i]);
    Click(W<QPushButton>(dlg->MotorParamPage(), "learnButton"));
    ASSERT_TRUE(WaitFor([&] { return !dlg->MotorParamPage()->IsLearning(); }));
    EXPECT_EQ(boxes.Texts(), QStringList{"相序学习成功，请配置好霍尔相位偏移角度后方可正常使用FOC功能"});
    EXPECT_EQ(dlg->Tabs()->currentIndex(), 4);
    EXPECT_EQ(W<QLineEdit>(dlg->MotorParamPage(), "phaseSequenceEdit")->text(), "12 34 56 78 9A BC");
    EXPECT_EQ(W<QComboBox>(dlg->MotorParamPage(), "learningStateCombo")->currentIndex(), 1);
    EXPECT_EQ(ProcedureWrites().front(), (std::vector<uint16_t>{0, 1, 0, 0}));
    EXPECT_EQ(ProcedureWrites().back(), (std::vector<uint16_t>{0, 0, 3, 0}));

    Click(W<QPushButton>(dlg->MotorParamPage(), "configButton"));
    EXPECT_EQ(boxes.LastText(), "操作成功");
    EXPECT_EQ(Get(109), 0x1234);
    EXPECT_EQ(Get(110), 0x5678);
    EXPECT_EQ(Get(111), 0x9ABC);
    EXPECT_EQ(Get(117), 1);
}

TEST_F(ScriptedDrive, IntermediateStatesArePolledEveryQuarterSecondUntilTheRunFlagDrops)
{
    Set(225, 1);
    Set(226, 0);
    StartCalibration();
    QTest::qWait(1150);
    Set(226, 2);
    QTest::qWait(600);
    EXPECT_TRUE(dlg->PidFocPage()->IsCalibrating());
    EXPECT_EQ(W<QPushButton>(dlg->PidFocPage(), "calibrateButton")->text(), "正在校正");
    Set(225, 0);
    ASSERT_TRUE(WaitFor([&] { return !dlg->PidFocPage()->IsCalibrating(); }));
    EXPECT_EQ(boxes.LastText(), "学习异常终止");
    ExpectQuarterSecondPolls(6);
}

TEST_F(ScriptedDrive, LearningIsPolledEveryQuarterSecondAndEndsAbnormallyWhenTheDriveAbandonsIt)
{
    Set(225, 1);
    Set(226, 1);
    Click(W<QPushButton>(dlg->MotorParamPage(), "learnButton"));
    QTest::qWait(1100);
    EXPECT_TRUE(dlg->MotorParamPage()->IsLearning());
    Set(225, 0);
    ASSERT_TRUE(WaitFor([&] { return !dlg->MotorParamPage()->IsLearning(); }));
    EXPECT_EQ(boxes.Texts(), QStringList{"学习异常终止"});
    EXPECT_EQ(dlg->Tabs()->currentIndex(), 0);
    EXPECT_EQ(W<QPushButton>(dlg->MotorParamPage(), "learnButton")->text(), "开始学习");
    ExpectQuarterSecondPolls(4);
}

TEST_F(ScriptedDrive, AFailedPollEndsWithItsTextAndStopsWithWhatWasLastRead)
{
    Set(225, 1);
    Set(226, 1);
    Set(227, 7);
    StartCalibration();
    ASSERT_TRUE(WaitFor([&] { return Polls() >= 1; }));
    {
        std::lock_guard<std::mutex> g(lock);
        silentPolls = true;
        regs[226] = 99;  // never seen: the poll goes unanswered
    }
    ASSERT_TRUE(WaitFor([&] { return !dlg->PidFocPage()->IsCalibrating(); }));
    EXPECT_EQ(boxes.LastText(), "通讯超时");
    EXPECT_EQ(ProcedureWrites().back(), (std::vector<uint16_t>{0, 0, 1, 7}));

    // A learning whose first poll fails stops with zeros.
    boxes.Clear();
    Click(W<QPushButton>(dlg->MotorParamPage(), "learnButton"));
    ASSERT_TRUE(WaitFor([&] { return !dlg->MotorParamPage()->IsLearning(); }));
    EXPECT_EQ(boxes.Texts(), QStringList{"通讯超时"});
    EXPECT_EQ(ProcedureWrites().back(), (std::vector<uint16_t>{0, 0, 0, 0}));
}

TEST_F(ScriptedDrive, ARefusedStartIsReportedAndSendsNoStop)
{
    startException = 0x60;
    StartCalibration();
    ASSERT_TRUE(WaitFor([&] { return !dlg->PidFocPage()->IsCalibrating(); }));
    EXPECT_EQ(boxes.LastText(), "请先对电机进行学习");
    EXPECT_EQ(ProcedureWrites().size(), 1u);
    EXPECT_EQ(Polls(), 0u);
    EXPECT_EQ(W<QPushButton>(dlg->PidFocPage(), "calibrateButton")->text(), "自动校正");
    EXPECT_TRUE(W<QPushButton>(dlg->PidFocPage(), "calibrateButton")->isEnabled());
}

TEST_F(ScriptedDrive, ClosingTheWindowMidPollStopsBothProceduresSilentlyAndPromptly)
{
    Set(225, 1);
    Set(226, 1);
    StartCalibration();
    Click(W<QPushButton>(dlg->MotorParamPage(), "learnButton"));
    ASSERT_TRUE(WaitFor([&] { return Polls() >= 2; }));
    {
        std::lock_guard<std::mutex> g(lock);
        silentPolls = true;
    }
    const size_t polls = Polls();
    ASSERT_TRUE(WaitFor([&] { return Polls() > polls; }, 1000));  // a poll is now waiting for its time-out
    const int boxesBefore = boxes.Count();

    const auto t0 = Clock::now();
    dlg.reset();
    const auto took = Clock::now() - t0;
    // At most the poll in flight and the one queued behind it, each held to
    // the 1000 ms time-out, then the two stop writes.
    EXPECT_LT(took, 3000ms);
    EXPECT_EQ(boxes.Count(), boxesBefore) << "nothing shown";

    const auto writes = ProcedureWrites();
    ASSERT_GE(writes.size(), 4u);
    for (size_t i = writes.size() - 2; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i][0], 0) << "224";
        EXPECT_EQ(writes[i][1], 0) << "225";
    }
}

TEST_F(ScriptedDrive, ThePageStaysUsableBetweenThePolls)
{
    Set(225, 1);
    Set(226, 1);
    Click(W<QPushButton>(dlg->MotorParamPage(), "learnButton"));
    ASSERT_TRUE(WaitFor([&] { return Polls() >= 1; }));
    Set(106, 201);
    Click(W<QPushButton>(dlg->MotorParamPage(), "readButton"));
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(W<QLineEdit>(dlg->MotorParamPage(), "ratedCurrentEdit")->text(), "2.01");
    EXPECT_TRUE(dlg->MotorParamPage()->IsLearning());
    const size_t polls = Polls();
    ASSERT_TRUE(WaitFor([&] { return Polls() >= polls + 2; }));
    ExpectQuarterSecondPolls(polls + 2);
}

TEST_F(ScriptedDrive, AWindowClosedMidRunSendsTheStopWriteAndNothingFollows)
{
    Set(225, 1);
    Set(226, 1);
    Set(227, 5);
    auto* window = new QWidget;
    auto* button = new QPushButton(window);
    int ended = 0;
    auto* run = new CProcedureRun(ProcedureBlock::kMotorLearning,
                                  {.step = {}, .ended = [&](const ProcedureRunner::Report&) { ++ended; }}, window);
    ASSERT_TRUE(run->Start(button));
    EXPECT_TRUE(run->Running());
    EXPECT_FALSE(run->Start(button)) << "one run at a time";
    ASSERT_TRUE(WaitFor([&] { return Polls() >= 2; }));
    delete window;
    ASSERT_TRUE(Settle());
    EXPECT_EQ(ProcedureWrites().back(), (std::vector<uint16_t>{0, 0, 1, 5})) << "the stop carries 226/227 as last read";
    const size_t polls = Polls();
    QTest::qWait(600);
    EXPECT_EQ(Polls(), polls) << "no poll after the window closed";
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_TRUE(dlg->m_master.IsPortOpen()) << "the main window goes on";
}

TEST_F(ScriptedDrive, ClosingTheWindowWhileTheDriveAnswersStopsWithinAPollPeriod)
{
    Set(225, 1);
    Set(226, 1);
    Click(W<QPushButton>(dlg->MotorParamPage(), "learnButton"));
    ASSERT_TRUE(WaitFor([&] { return Polls() >= 1; }));
    const auto t0 = Clock::now();
    dlg.reset();
    EXPECT_LT(Clock::now() - t0, 500ms);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(ProcedureWrites().back(), (std::vector<uint16_t>{0, 0, 1, 0}));
}

}  // namespace
