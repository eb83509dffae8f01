// Recording the live status: the channels against the status panel's texts,
// the CSV file, the plot's bounded store, and a recording of the simulated
// drive with a time-out in the middle (a lost line: CliRecordTest).
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
#include "SampleStore.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

using namespace std::chrono_literals;
using StatusChannels::Channel;
using zoric::sim::CDriveSimulator;
using zoric::sim::SimFault;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t begin = 0;
    for (size_t comma; (comma = line.find(',', begin)) != std::string::npos; begin = comma + 1)
        fields.push_back(line.substr(begin, comma - begin));
    fields.push_back(line.substr(begin));
    return fields;
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + ".csv")).string();
}

// The panel's text of a channel, from the same formatter the main window uses.
std::string PanelText(Channel c, const StatusFormat::RealtimeStatusTexts& t)
{
    switch (c) {
    case Channel::OutputPwm: return t.outputPwm;
    case Channel::PhaseCurrent: return t.phaseCurrent;
    case Channel::Position: return t.position;
    case Channel::Frequency: return t.commutationFrequency;
    case Channel::In1: return t.in1Voltage;
    case Channel::In2: return t.in2Voltage;
    case Channel::In3: return t.in3Voltage;
    case Channel::Differential: return t.differentialVoltage;
    case Channel::Sq1: return t.sq1Level;
    case Channel::Sq2: return t.sq2Level;
    case Channel::InputPwm: return t.inputPwm;
    case Channel::InputFrequency: return t.inputFrequency;
    case Channel::InputPulses: return t.inputPulses;
    case Channel::CompletionTime: return t.completionTime;
    case Channel::Speed: return t.motorSpeed;
    case Channel::ErrorState: return t.errorState;
    case Channel::Supply: return t.supply;
    case Channel::Temperature: return t.temperature;
    }
    return {};
}

// A recorded value against what the panel shows for the same registers:
// the same number (the panel's text without its unit), 1/0 for 高/低, the
// code of the error text, and no value where the panel shows "-".
void ExpectPanelValue(Channel c, const std::string& value, const RealtimeStatus& s)
{
    const std::string panel = PanelText(c, StatusFormat::FormatRealtimeStatus(s));
    const std::string name = StatusChannels::ColumnName(c);
    if (panel == "-") {
        EXPECT_EQ(value, "") << name;
    } else if (c == Channel::Sq1 || c == Channel::Sq2) {
        EXPECT_EQ(value, panel == "高" ? "1" : "0") << name;
    } else if (c == Channel::ErrorState) {
        ASSERT_FALSE(value.empty()) << name;
        EXPECT_EQ(StatusFormat::ErrorStateText(static_cast<uint16_t>(std::stoi(value))), panel) << name;
    } else {
        ASSERT_FALSE(value.empty()) << name << " panel " << panel;
        EXPECT_EQ(std::strtod(value.c_str(), nullptr), std::strtod(panel.c_str(), nullptr))
            << name << ": " << value << " / panel " << panel;
    }
}

TEST(StatusChannels, ColumnNamesAreStableAsciiAndParse)
{
    // Scripts read these columns: a rename breaks them.
    const std::vector<std::string> expected = {
        "output_pwm_pct", "phase_current_a", "position_pulses", "frequency_hz",  "in1_v",
        "in2_v",          "in3_v",           "diff_v",          "sq1_level",     "sq2_level",
        "input_pwm_pct",  "input_frequency_hz", "input_pulses", "completion_time_s", "speed_rpm",
        "error_state",    "supply_v",        "temperature_c"};
    std::vector<std::string> names;
    for (Channel c : StatusChannels::All()) names.push_back(StatusChannels::ColumnName(c));
    EXPECT_EQ(names, expected);
    for (Channel c : StatusChannels::All()) {
        EXPECT_EQ(StatusChannels::Find(StatusChannels::ColumnName(c)), c);
        EXPECT_EQ(StatusChannels::Find(StatusChannels::Describe(c).key), c);
        EXPECT_NE(std::string(StatusChannels::Describe(c).label), "");
    }
    // The labels follow the language; the column names do not.
    SetLanguage(Language::English);
    EXPECT_STREQ(StatusChannels::LocalizedLabel(Channel::Speed), "Motor speed");
    EXPECT_STREQ(StatusChannels::LocalizedLabel(Channel::In1), "IN1 voltage");
    EXPECT_EQ(StatusChannels::ColumnName(Channel::Speed), "speed_rpm");
    SetLanguage(Language::Chinese);
    EXPECT_STREQ(StatusChannels::LocalizedLabel(Channel::Speed), "电机转速");

    std::string unknown;
    auto list = StatusChannels::ParseList("speed_rpm,phase_current_a,speed", unknown);
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (std::vector<Channel>{Channel::Speed, Channel::PhaseCurrent, Channel::Speed}));
    EXPECT_FALSE(StatusChannels::ParseList("speed_rpm,torque_nm", unknown));
    EXPECT_EQ(unknown, "torque_nm");
    EXPECT_FALSE(StatusChannels::ParseList("speed_rpm,", unknown));
    EXPECT_FALSE(StatusChannels::ParseList("", unknown));
}

TEST(StatusChannels, ValuesAreThePanelsNumbers)
{
    SetLanguage(Language::Chinese);  // the panel's 高 and 低
    std::vector<RealtimeStatus> cases;
    RealtimeStatus s{};
    s.supplyVoltage = 240;
    cases.push_back(s);  // all zero but the supply
    s.outputPwm = -1000;
    s.phaseCurrent = 65535;
    s.commutationFrequency = -1234;
    s.position = -2;
    s.completionTime = 0xFFFFFFFFu;
    s.in1Voltage = 1652;
    s.in2Voltage = -1;
    s.differentialVoltage = -32768;
    s.sq1Level = 5;
    s.inputPwm = 999;
    s.inputFrequency = -7;
    s.inputPulses = -2147483647 - 1;
    s.errorState = 12;
    s.motorSpeed = 1500;
    s.temperature = -125;
    s.supplyVoltage = 239;
    s.supplyCurrent = 40;
    cases.push_back(s);
    s.speedDisplayX10 = 1;  // whole Hz and speed x10
    cases.push_back(s);
    s.speedDisplayX10 = 0;
    s.speedRangeX10 = 1;  // whole Hz, speed as read
    s.errorState = 200;   // unknown code
    s.completionFlag = 1;
    cases.push_back(s);
    s.motorSpeed = 0xFFFF;  // no speed
    s.supplyVoltage = 0;    // no supply reading
    cases.push_back(s);

    for (size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE("case " + std::to_string(k));
        const auto values = StatusChannels::Values(cases[k]);
        for (Channel c : StatusChannels::All()) {
            const std::string text = StatusChannels::ValueText(c, cases[k]);
            ExpectPanelValue(c, text, cases[k]);
            const double v = values[StatusChannels::Index(c)];
            if (text.empty()) {
                EXPECT_TRUE(std::isnan(v));
            } else {
                // The number keeps the register's resolution; the text has the panel's rounding.
                const double half = 0.5 * std::pow(10.0, -StatusChannels::Decimals(c, cases[k]));
                EXPECT_NEAR(v, std::strtod(text.c_str(), nullptr), half + 1e-9);
            }
        }
    }
    EXPECT_EQ(StatusChannels::ValueText(Channel::ErrorState, cases[3]), "200");
    EXPECT_EQ(StatusChannels::ValueText(Channel::Frequency, cases[1]), "-123.4");
    EXPECT_EQ(StatusChannels::ValueText(Channel::Frequency, cases[2]), "-1234");
    EXPECT_EQ(StatusChannels::ValueText(Channel::Speed, cases[2]), "15000");
}

TEST(CsvWriter, HeaderRowsFailuresAndTimes)
{
    SetLanguage(Language::Chinese);
    const std::string path = TempPath("zoric-csv");
    {
        CCsvWriter writer({Channel::Speed, Channel::Supply, Channel::Sq1});
        ASSERT_TRUE(writer.Open(path)) << writer.Error();
        EXPECT_EQ(Lines(path), std::vector<std::string>{"time,seconds,speed_rpm,supply_v,sq1_level,result"})
            << "the header is there before the first row";
        const auto t0 = CCsvWriter::WallClock::time_point(std::chrono::milliseconds(1700000000123));
        RealtimeStatus s{};
        s.motorSpeed = 0xFFFF;
        s.supplyVoltage = 241;
        s.sq1Level = 1;
        ASSERT_TRUE(writer.WriteStatus(t0, 0.0, s));
        EXPECT_EQ(Lines(path).size(), 2u) << "each row is on disk as soon as it is written";
        ASSERT_TRUE(writer.WriteFailure(t0 + 100ms, 0.1004, CModbusMaster::ResultText(kResultTimeout)));
        ASSERT_TRUE(writer.WriteFailure(t0 + 200ms, 0.2, "a,\"b\""));
        const double values[StatusChannels::kCount] = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 0,
                                                       kNaN, kNaN, kNaN, kNaN, kNaN, 1234, kNaN, 23.96, kNaN};
        ASSERT_TRUE(writer.WriteValues(t0 + 300ms, 0.3, values));
        EXPECT_EQ(writer.Rows(), 4u);
    }
    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), 5u);
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.123[+-]\d\d:\d\d)");
    const auto row1 = Fields(lines[1]);
    ASSERT_EQ(row1.size(), 6u);
    EXPECT_TRUE(std::regex_match(row1[0], iso)) << row1[0];
    EXPECT_EQ(lines[1].substr(row1[0].size()), ",0.000,,24.1,1,");
    EXPECT_EQ(lines[2].substr(lines[2].find(',')), ",0.100,,,,通讯超时");
    EXPECT_EQ(lines[3].substr(lines[3].find(',')), ",0.200,,,,\"a,\"\"b\"\"\"");
    EXPECT_EQ(lines[4].substr(lines[4].find(',')), ",0.300,1234,24.0,0,");
    std::filesystem::remove(path);

    CCsvWriter nowhere({Channel::Speed});
    EXPECT_FALSE(nowhere.Open("/nonexistent-dir/x.csv"));
    EXPECT_NE(nowhere.Error().find("/nonexistent-dir/x.csv"), std::string::npos);
    EXPECT_FALSE(nowhere.WriteFailure({}, 0, "x"));
}

CSampleStore::Values Filled(double v)
{
    CSampleStore::Values values;
    values.fill(v);
    return values;
}

TEST(SampleStore, AnHourAtAnyRateStaysBounded)
{
    CSampleStore store;
    store.Append(0, Filled(0));
    const size_t allocated = store.MemoryBytes();
    EXPECT_LT(allocated, 13u << 20);
    // One hour and a minute at 200 samples a second.
    const int perSecond = 200;
    const int total = 3660 * perSecond;
    for (int k = 1; k < total; ++k) store.Append(k / double(perSecond), Filled(k % 100));
    EXPECT_EQ(store.MemoryBytes(), allocated) << "nothing grows after the first sample";
    EXPECT_EQ(store.RawSamples(), CSampleStore::kRawCapacity);
    EXPECT_EQ(store.Buckets(), CSampleStore::kBucketCapacity);
    EXPECT_NEAR(store.LastTime() - store.FirstTime(), 3600, 1.0);
}

TEST(SampleStore, WindowsKeepSpikesGapsAndOrder)
{
    CSampleStore store;
    for (int k = 0; k < 20000; ++k) {  // 20 s at 1 kHz
        double v = std::sin(k / 100.0);
        if (k == 12345) v = 50;                 // one spike
        const bool silent = k >= 5000 && k < 5500;  // half a second without an answer
        store.Append(k / 1000.0, Filled(silent ? kNaN : v), silent ? kResultTimeout : kResultOk);
    }
    std::vector<CSampleStore::Point> points;
    store.Window(Channel::Speed, 0, 20, 400, points);
    ASSERT_FALSE(points.empty());
    EXPECT_LE(points.size(), 402u);
    double top = -1e9;
    bool gap = false;
    for (size_t k = 0; k < points.size(); ++k) {
        if (k > 0) {
            EXPECT_GE(points[k].t, points[k - 1].t);
        }
        if (std::isnan(points[k].v)) {
            gap = gap || (points[k].t >= 5.0 && points[k].t < 5.5);
        } else {
            top = std::max(top, points[k].v);
        }
    }
    EXPECT_EQ(top, 50) << "a one-sample spike survives the reduction";
    EXPECT_TRUE(gap) << "a silence longer than a column stays a gap";
    int timeouts = 0;
    store.ForEach(4.9, 5.6, [&](double t, const double* values, uint32_t result) {
        EXPECT_EQ(result != kResultOk, t >= 5.0 && t < 5.5) << t;
        EXPECT_EQ(std::isnan(values[0]), result != kResultOk) << t;
        timeouts += result == kResultTimeout;
    });
    EXPECT_EQ(timeouts, 500) << "each failed read keeps its result for the export";

    // A narrow window has every sample, plus one beyond each end.
    store.Window(Channel::Speed, 1.0, 1.1, 400, points);
    ASSERT_EQ(points.size(), 103u);
    EXPECT_DOUBLE_EQ(points.front().t, 0.999);
    EXPECT_DOUBLE_EQ(points.back().t, 1.101);
}

TEST(SampleStore, BeforeTheFullRateRingComeTheBuckets)
{
    CSampleStore store;
    const size_t total = CSampleStore::kRawCapacity + 20000;  // at 100 Hz
    for (size_t k = 0; k < total; ++k) store.Append(static_cast<double>(k) / 100.0, Filled(static_cast<double>(k % 7)));
    const double rawFirst = static_cast<double>(total - CSampleStore::kRawCapacity) / 100.0;
    EXPECT_DOUBLE_EQ(store.FirstTime(), 0.0);

    std::vector<CSampleStore::Point> points;
    store.Window(Channel::OutputPwm, 0, store.LastTime(), 4000, points);
    ASSERT_FALSE(points.empty());
    EXPECT_LT(points.front().t, 1.0);
    for (size_t k = 1; k < points.size(); ++k) ASSERT_GE(points[k].t, points[k - 1].t) << k;
    // A bucket gives the envelope of its half second: 0 to 6.
    EXPECT_EQ(points[0].v, 0);
    EXPECT_EQ(points[1].v, 6);

    size_t buckets = 0, raw = 0;
    double last = -1;
    store.ForEach(0, store.LastTime(), [&](double t, const double* values, uint32_t) {
        EXPECT_GT(t, last);
        last = t;
        (t < rawFirst ? buckets : raw)++;
        if (t < rawFirst) {
            EXPECT_NEAR(values[0], 3.0, 0.1) << "a bucket's mean";
        }
    });
    EXPECT_EQ(raw, CSampleStore::kRawCapacity);
    EXPECT_NEAR(static_cast<double>(buckets), rawFirst / CSampleStore::kBucketSeconds, 1.0);
}

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
        while (sim->RequestCount() < 5 && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(2ms);
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
