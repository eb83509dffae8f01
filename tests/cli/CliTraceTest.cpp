// zoric-cli --trace: every frame on the error stream, exactly as it went
// over the line, the spoiled ones named, and the counts per slave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliHarness.h"
#include "FrameDecoder.h"
#include "SlaveCrc.h"

using cli_test::Cli;
using zoric::sim::SimFault;

namespace {

std::vector<std::string> TraceLines(const std::string& err)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < err.size()) {
        const size_t end = err.find('\n', at);
        const std::string line = err.substr(at, end - at);
        if (line.rfind("trace ", 0) == 0) lines.push_back(line.substr(6));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return lines;
}

bool Has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }

TEST_F(Cli, TraceShowsTheExactFramesAndTheCounts)
{
    std::vector<uint8_t> answer = {0x01, 0x03, 0x04};
    for (const uint16_t address : {uint16_t{96}, uint16_t{97}}) {
        const uint16_t value = sim->GetRegister(address);
        answer.push_back(static_cast<uint8_t>(value >> 8));
        answer.push_back(static_cast<uint8_t>(value));
    }
    zoric::sim::AppendCrc(answer);
    const auto r = Run({"--trace", "read", "96", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = TraceLines(r.err);
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_TRUE(Has(lines[0], " TX s1 01 03 00 60 00 02 C4 15 | read 96..97 (2)")) << lines[0];
    EXPECT_TRUE(Has(lines[1], " RX s1 " + FrameDecoder::Hex(answer) + " | 2 registers | ok ")) << lines[1];
    EXPECT_EQ(lines[2], "slave 1: requests 1 answers 1 timeouts 0 crc 0 exceptions 0 wrong-slave 0 late 0");
    EXPECT_TRUE(TraceLines(Run({"read", "96"}).err).empty());
}

TEST_F(Cli, TraceNamesSpoiledAnswersAndCountsThem)
{
    sim->InjectFault(SimFault::BadCrc, 1);
    auto r = Run({"--trace", "read", "0"});
    EXPECT_EQ(r.exitCode, 4);
    auto lines = TraceLines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_TRUE(Has(lines[1], " RX s1 01 03 02 ") && Has(lines[1], "| bad CRC, 7 bytes")) << lines[1];
    EXPECT_TRUE(Has(lines[2], " -- s1 | timeout, no answer | timeout")) << lines[2];
    EXPECT_EQ(lines[3], "slave 1: requests 1 answers 0 timeouts 1 crc 1 exceptions 0 wrong-slave 0 late 0");

    sim->InjectFault(SimFault::WrongSlave, 1);
    r = Run({"--trace", "read", "0"});
    lines = TraceLines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_TRUE(Has(lines[1], " RX s1 02 03 02 ") && Has(lines[1], "| wrong slave 2: 1 registers")) << lines[1];
    EXPECT_EQ(lines[3], "slave 1: requests 1 answers 0 timeouts 1 crc 0 exceptions 0 wrong-slave 1 late 0");

    r = Run({"--trace", "read", "0xFFF0"});
    lines = TraceLines(r.err);
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_TRUE(Has(lines[1], "| exception 2 illegal data address | exception 2 illegal data address")) << lines[1];
    EXPECT_EQ(lines[2], "slave 1: requests 1 answers 1 timeouts 0 crc 0 exceptions 1 wrong-slave 0 late 0");
}

}  // namespace
