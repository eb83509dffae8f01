// The bus overview's drives: polled in turn on the main window's line only,
// a drive that stops answering kept and shown so, and the table as CSV.
#include <gtest/gtest.h>

#include <cstring>

#include "BusOverview.h"
#include "Language.h"

namespace {

TEST(BusOverview, PollsTheDrivesOfTheLineInTurnAndListsTheOthers)
{
    CBusOverview overview;
    overview.SetLine(9600, 0);
    overview.Add(5, 9600, 0);
    overview.Add(1, 9600, 0);
    overview.Add(3, 19200, 0);  // found by a scan at another baud rate
    overview.Add(1, 9600, 0);   // listed once
    ASSERT_EQ(overview.Drives().size(), 3u);
    EXPECT_EQ(overview.Drives()[0].slave, 1) << "in address order";
    std::vector<uint8_t> polled;
    for (int i = 0; i < 4; ++i) polled.push_back(*overview.Next());
    EXPECT_EQ(polled, (std::vector<uint8_t>{1, 5, 1, 5})) << "drive 3 is not polled at 9600";
    overview.SetLine(19200, 0);
    EXPECT_EQ(*overview.Next(), 3);
    overview.Remove(3);
    EXPECT_FALSE(overview.Next().has_value()) << "none left on this line";
}

TEST(BusOverview, ADriveThatStopsAnsweringStaysListedAndTheTableExportsAsCsv)
{
    SetLanguage(Language::English);
    CBusOverview overview;
    overview.Add(1, 9600, 0);
    overview.Add(2, 9600, 0);
    overview.Add(3, 38400, 2);
    DeviceInfo info{};
    info.identifier = 0x2408;
    info.version = 0x0203;
    std::memcpy(info.model, "ZD-1", 4);
    RealtimeStatus running{};
    running.outputPwm = 100;
    running.supplyVoltage = 240;
    running.temperature = 312;
    const auto t0 = CBusOverview::WallClock::time_point(std::chrono::seconds(1700000000));
    overview.Record(1, kResultOk, info, running, t0);
    RealtimeStatus fault{};
    fault.errorState = 7;
    overview.Record(2, kResultOk, std::nullopt, fault, t0);
    overview.Record(2, kResultTimeout, std::nullopt, std::nullopt, t0 + std::chrono::seconds(1));
    EXPECT_EQ(CBusOverview::StateText(*overview.Find(1)), "Running");
    EXPECT_EQ(CBusOverview::StateText(*overview.Find(2)), "Response timeout") << "listed, not removed";
    EXPECT_TRUE(overview.Find(2)->lastAnswer.has_value()) << "when it last answered stays";
    EXPECT_EQ(CBusOverview::StateText(*overview.Find(3)), "At other line settings (38400 e,8,1), not polled");

    const std::string csv = overview.Csv();
    const std::string first = csv.substr(0, csv.find('\n'));
    EXPECT_EQ(first, "slave,model,identifier,version,state,error_state,supply_v,temperature_c,last_answer");
    EXPECT_NE(csv.find("\n1,ZD-1,0x2408,2.03,running,0,24.0,31.2,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2,,,,no_answer,7,,0.0,"), std::string::npos) << "the last status read stays" << csv;
    EXPECT_NE(csv.find("\n3,,,,other_line,,,,\n"), std::string::npos) << csv;
    SetLanguage(Language::Chinese);
}

TEST(BusOverview, ARoundLastsAtLeastWhatItsReadsTakeOnTheLine)
{
    // Three drives at 9600 baud: 126 characters each, 11 bits, plus turnaround.
    EXPECT_EQ(CBusOverview::RoundTime(3, 9600).count(), 446);
    EXPECT_LT(CBusOverview::RoundTime(3, 115200).count(), 60);
}

}  // namespace
