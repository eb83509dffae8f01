// The bus monitor's memory: bounded with the drops counted, taken in
// pieces by the window, filtered, and exported as CSV a spreadsheet reads.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "FrameLog.h"

namespace {

CapturedFrame Frame(FrameKind kind, uint8_t slave, uint8_t function, std::vector<uint8_t> bytes,
                    ModbusResult result = 0)
{
    CapturedFrame f;
    f.kind = kind;
    f.slave = slave;
    f.function = function;
    f.bytes = std::move(bytes);
    f.result = result;
    f.time = CapturedFrame::Clock::now();
    f.wallTime = std::chrono::system_clock::now();
    return f;
}

}  // namespace

TEST(FrameLog, KeepsTheLastFramesCountsTheDroppedAndHandsOutOnlyNewOnes)
{
    CFrameLog log(3);
    uint64_t next = 0;
    for (uint8_t i = 0; i < 2; ++i) log.OnFrame(Frame(FrameKind::Request, i, 0x03, {i}));
    EXPECT_EQ(log.Since(0, next).size(), 2u);
    EXPECT_EQ(next, 3u);
    for (uint8_t i = 2; i < 5; ++i) log.OnFrame(Frame(FrameKind::Request, i, 0x03, {i}));
    const auto fresh = log.Since(next, next);
    ASSERT_EQ(fresh.size(), 3u);  // the third to the fifth: the first two were dropped
    EXPECT_EQ(fresh.front().slave, 2);
    EXPECT_EQ(log.Dropped(), 2u);
    EXPECT_TRUE(log.Since(next, next).empty());
    EXPECT_EQ(log.Counters().Of(4).requests, 1u);

    log.SetPaused(true);
    log.OnFrame(Frame(FrameKind::Request, 9, 0x03, {}));
    EXPECT_TRUE(log.Since(next, next).empty());
    log.SetPaused(false);
    log.Clear();
    EXPECT_TRUE(log.All().empty());
    EXPECT_EQ(log.Dropped(), 0u);
    log.OnFrame(Frame(FrameKind::Request, 7, 0x03, {}));
    EXPECT_EQ(log.Since(next, next).size(), 1u);  // numbering goes on across a clear

    // The link thread adds while the window takes.
    std::thread link([&] {
        for (int i = 0; i < 2000; ++i) log.OnFrame(Frame(FrameKind::Request, 1, 0x03, {}));
    });
    size_t taken = 0;
    while (taken < 3) taken += log.Since(next, next).size();
    link.join();
}

TEST(FrameLog, FilterAndExports)
{
    const std::vector<CapturedFrame> frames = {
        Frame(FrameKind::Request, 1, 0x03, {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}),
        Frame(FrameKind::BadCrc, 1, 0x03, {0x01, 0x03, 0x02, 0x00, 0x05, 0x00, 0x00}, kResultTimeout),
        Frame(FrameKind::Answer, 2, 0x06, {0x02, 0x86, 0x60, 0x00, 0x00}, 0x60),
        Frame(FrameKind::Answer, 2, 0x06, {0x02, 0x06, 0x00, 0x77, 0x00, 0x01, 0x00, 0x00}),
    };
    FrameLogText::Filter failed;
    failed.failedOnly = true;
    FrameLogText::Filter slave2;
    slave2.slave = 2;
    FrameLogText::Filter reads;
    reads.function = 0x03;
    std::vector<int> hits[3];
    for (int i = 0; i < 4; ++i) {
        if (failed.Matches(frames[static_cast<size_t>(i)])) hits[0].push_back(i);
        if (slave2.Matches(frames[static_cast<size_t>(i)])) hits[1].push_back(i);
        if (reads.Matches(frames[static_cast<size_t>(i)])) hits[2].push_back(i);
    }
    EXPECT_EQ(hits[0], (std::vector{1, 2}));
    EXPECT_EQ(hits[1], (std::vector{2, 3}));
    EXPECT_EQ(hits[2], (std::vector{0, 1}));

    std::ostringstream csv;
    FrameLogText::WriteCsv(frames, csv);
    std::istringstream rows(csv.str());
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row, "time,relative_ms,direction,slave,function,kind,summary,result,round_trip_ms,hex");
    std::getline(rows, row);
    EXPECT_NE(row.find(",0.000,TX,1,0x03,request,read 0 (1),,,01 03 00 00 00 01 84 0A"), std::string::npos) << row;
    std::getline(rows, row);
    EXPECT_NE(row.find(",RX,1,0x03,bad CRC,\"bad CRC, 7 bytes\",timeout,,01 03 02 00 05 00 00"), std::string::npos)
        << row;
    for (const char c : csv.str()) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E));

    std::ostringstream text;
    FrameLogText::WriteText(frames, text);
    EXPECT_NE(text.str().find("| exception 96 motor not learned"), std::string::npos) << text.str();
}
