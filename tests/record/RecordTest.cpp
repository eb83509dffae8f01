// Recording the live status of the simulated drive: the rows against the
// status panel's values, and a time-out in the middle (a lost line:
// CliRecordTest). The rules without a drive: RecordRulesTest.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CsvWriter.h"
#include "DriveSimulator.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "RecordLoop.h"
#include "RecordTestSupport.h"
#include "SampleStore.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

using namespace std::chrono_literals;
using namespace record_test;
using StatusChannels::Channel;
using zoric::sim::CDriveSimulator;
using zoric::sim::SimFault;

namespace {

RealtimeStatus SimStatus(CDriveSimulator& sim)
{
    auto reg = [&](int a) { return sim.GetRegister(static_cast<uint16_t>(a)); };
    auto wide = [&](int a) { return static_cast<uint32_t>(reg(a)) << 16 | reg(a + 1); };
    RealtimeStatus s{};
    s.outputPwm = static_cast<int16_t>(reg(32));
    s.phaseCurrent = reg(33);
    s.commutationFrequency = static_cast<int16_t>(reg(34));
    s.completionFlag = reg(35);
    s.position = static_cast<int32_t>(wide(36));
    s.completionTime = wide(38);
    s.in1Voltage = static_cast<int16_t>(reg(40));
    s.in2Voltage = static_cast<int16_t>(reg(41));
    s.in3Voltage = static_cast<int16_t>(reg(42));
    s.differentialVoltage = static_cast<int16_t>(reg(43));
    s.sq1Level = reg(44);
    s.sq2Level = reg(45);
    s.inputPwm = reg(46);
    s.inputFrequency = static_cast<int16_t>(reg(47));
    s.inputPulses = static_cast<int32_t>(wide(48));
    s.errorState = reg(51);
    s.motorSpeed = reg(52);
    s.speedDisplayX10 = reg(53);
    s.speedRangeX10 = reg(54);
    s.temperature = static_cast<int16_t>(reg(55));
    s.supplyVoltage = reg(56);
    s.supplyCurrent = reg(58);
    return s;
}

class Recording : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = std::make_unique<CDriveSimulator>();
        ASSERT_TRUE(sim->Start()) << sim->LastError();
        ASSERT_TRUE(master.OpenPort(sim->SlavePath(), 9600, 0));
        master.SetResponseTimeout(150);
        path = TempPath("zoric-recording");
    }
    void TearDown() override
    {
        master.ClosePort();
        sim->Stop();
        std::filesystem::remove(path);
    }
    std::unique_ptr<CDriveSimulator> sim;
    CModbusMaster master;
    std::string path;
};

TEST_F(Recording, RowsFollowTheIntervalAndShowThePanelsValues)
{
    SetLanguage(Language::Chinese);  // the panel's 高 and 低
    // The x10 speed range (whole Hz) and a motor with no pole count (no speed).
    sim->SetRegister(119, 1);
    sim->SetRegister(115, 1);
    std::vector<Channel> all(StatusChannels::All().begin(), StatusChannels::All().end());
    CCsvWriter writer(all);
    ASSERT_TRUE(writer.Open(path));
    RecordLoop::Options options;
    options.interval = 40ms;
    options.duration = 1000ms;
    options.device = sim->SlavePath();
    std::atomic<bool> interrupted{false};
    const RecordLoop::Summary summary = RecordLoop::Run(master, 1, writer, options, interrupted);
    writer.Close();
    EXPECT_EQ(summary.end, RecordLoop::End::Duration);
    EXPECT_EQ(summary.failedReads, 0u);

    const RealtimeStatus status = SimStatus(*sim);
    ASSERT_EQ(status.speedRangeX10, 1);
    ASSERT_EQ(status.motorSpeed, 0xFFFF);
    const auto lines = Lines(path);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], CCsvWriter::Header(all));
    EXPECT_EQ(lines.size() - 1, summary.rows);
    const double interval = 0.040;
    std::string lastTime;
    double lastSeconds = -1;
    long lastPeriod = -1;
    for (size_t k = 1; k < lines.size(); ++k) {
        SCOPED_TRACE(lines[k]);
        const auto fields = Fields(lines[k]);
        ASSERT_EQ(fields.size(), all.size() + 3);
        EXPECT_GT(fields[0], lastTime) << "ISO times of one run sort as text";
        const double seconds = std::stod(fields[1]);
        EXPECT_GT(seconds, lastSeconds);
        // One row per period at most: the rows' own stamps fall in distinct periods.
        const long period = static_cast<long>(std::floor(seconds / interval + 1e-9));
        EXPECT_GT(period, lastPeriod);
        EXPECT_LT(seconds, 1.0) << "no read due after the duration";
        lastTime = fields[0];
        lastSeconds = seconds;
        lastPeriod = period;
        for (size_t c = 0; c < all.size(); ++c) ExpectPanelValue(all[c], fields[c + 2], status);
        EXPECT_EQ(fields.back(), "");
    }
    EXPECT_LE(lines.size() - 1, static_cast<size_t>(lastSeconds / interval) + 1);
    // A drive that answers at once misses no period but the odd late wake-up.
    EXPECT_GE(lines.size() - 1, static_cast<size_t>(lastSeconds / interval) / 2);
}

// A read that times out (150 ms) in a 40 ms rhythm: the periods it overran
// get no row and are counted, and the reads after it do not bunch up to
// catch up.
TEST_F(Recording, AReadThatOverrunsItsPeriodSkipsThePeriodsItOverran)
{
    CCsvWriter writer({Channel::Speed});
    ASSERT_TRUE(writer.Open(path));
    RecordLoop::Options options;
    options.interval = 40ms;
    options.duration = 1000ms;
    options.device = sim->SlavePath();
    std::atomic<bool> interrupted{false};
    std::thread silencer([&] {
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (sim->RequestCount() < 5 && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(2ms);
        sim->InjectFault(SimFault::NoAnswer, 1);
    });
    const RecordLoop::Summary summary = RecordLoop::Run(master, 1, writer, options, interrupted);
    silencer.join();
    writer.Close();
    EXPECT_EQ(summary.end, RecordLoop::End::Duration);
    EXPECT_EQ(summary.failedReads, 1u);
    EXPECT_GE(summary.skippedPeriods, 3u) << "150 ms overran three periods";
    EXPECT_EQ(summary.rows + summary.skippedPeriods, 25u) << "each of the 25 periods has a row or is skipped";

    const auto lines = Lines(path);
    ASSERT_EQ(lines.size() - 1, summary.rows);
    long lastPeriod = -1;
    for (size_t k = 1; k < lines.size(); ++k) {
        const long period = static_cast<long>(std::floor(std::stod(Fields(lines[k])[1]) / 0.040 + 1e-9));
        EXPECT_GT(period, lastPeriod) << "two rows in one period: " << lines[k - 1] << " / " << lines[k];
        lastPeriod = period;
    }
}

// In English too: the failed read's text is in the user's language, the
// header stays as scripts read it.
TEST_F(Recording, ATimeOutIsAnEmptyRowAndTheRecordingGoesOn)
{
    SetLanguage(Language::English);
    CCsvWriter writer({Channel::Speed, Channel::Temperature});
    ASSERT_TRUE(writer.Open(path));
    RecordLoop::Options options;
    options.interval = 0ms;
    options.device = sim->SlavePath();
    std::atomic<bool> interrupted{false};
    std::thread stopper([&] {
        auto waitRequests = [&](uint64_t n) {
            const auto limit = std::chrono::steady_clock::now() + 10s;
            while (sim->RequestCount() < n && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(2ms);
        };
        waitRequests(5);
        sim->InjectFault(SimFault::NoAnswer, 1);
        waitRequests(sim->RequestCount() + 5);
        interrupted = true;
    });
    const RecordLoop::Summary summary = RecordLoop::Run(master, 1, writer, options, interrupted);
    stopper.join();
    writer.Close();
    EXPECT_EQ(summary.end, RecordLoop::End::Interrupted);
    EXPECT_EQ(summary.failedReads, 1u);
    EXPECT_EQ(summary.lastFailure, kResultTimeout);

    const auto lines = Lines(path);
    ASSERT_GE(lines.size(), 9u);
    int failures = 0;
    for (size_t k = 1; k < lines.size(); ++k) {
        const auto fields = Fields(lines[k]);
        ASSERT_EQ(fields.size(), 5u) << lines[k];
        if (fields[4].empty()) {
            EXPECT_NE(fields[3], "") << "a row that was read has its values";
            continue;
        }
        ++failures;
        EXPECT_EQ(fields[4], "Response timeout");
        EXPECT_EQ(fields[2] + fields[3], "") << "a failed read has no values";
        EXPECT_GT(k, 1u);
        EXPECT_LT(k, lines.size() - 1) << "rows follow the time-out";
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(FileText(path).back(), '\n');
    EXPECT_EQ(lines[0], "time,seconds,speed_rpm,temperature_c,result");
    SetLanguage(Language::Chinese);
}

}  // namespace
