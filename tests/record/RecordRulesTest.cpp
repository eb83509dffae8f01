// The recording's rules without a drive: the channels against the status
// panel's texts, the CSV file and the plot's bounded store.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "CsvWriter.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "RecordTestSupport.h"
#include "SampleStore.h"
#include "StatusChannels.h"
#include "StatusFormat.h"

using namespace std::chrono_literals;
using namespace record_test;
using StatusChannels::Channel;

namespace {

TEST(StatusChannels, ColumnNamesAreStableAsciiAndParse)
{
    // Scripts read these columns: a rename breaks them.
    const std::vector<std::string> expected = {"output_pwm_pct",  "phase_current_a",
                                               "position_pulses", "frequency_hz",
                                               "in1_v",           "in2_v",
                                               "in3_v",           "diff_v",
                                               "sq1_level",       "sq2_level",
                                               "input_pwm_pct",   "input_frequency_hz",
                                               "input_pulses",    "completion_time_s",
                                               "speed_rpm",       "error_state",
                                               "supply_v",        "temperature_c"};
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
        const double values[StatusChannels::kCount] = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN,  0,
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
        if (k == 12345) v = 50;                     // one spike
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

}  // namespace
