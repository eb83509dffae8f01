#include <gtest/gtest.h>

#include <random>

#include "SlaveCrc.h"
#include "SlaveFrameParser.h"

using namespace zoric::sim;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes WithCrc(Bytes frame)
{
    AppendCrc(frame);
    return frame;
}

std::vector<Bytes> Drain(CSlaveFrameParser& parser)
{
    std::vector<Bytes> frames;
    Bytes f;
    while (parser.Next(f)) frames.push_back(f);
    return frames;
}

}  // namespace

TEST(SlaveCrc, MatchesTheModbusReferenceFrame)
{
    const Bytes frame = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(frame[6], 0x84);
    EXPECT_EQ(frame[7], 0x0A);
    EXPECT_TRUE(HasValidCrc(frame.data(), frame.size()));
    EXPECT_FALSE(HasValidCrc(frame.data(), 3));
}

TEST(SlaveFrameParser, CutsRequestsByFunctionLengthEvenWithoutGaps)
{
    CSlaveFrameParser parser;
    const Bytes read = WithCrc({0x01, 0x03, 0x00, 0x20, 0x00, 0x1B});
    const Bytes write = WithCrc({0x01, 0x10, 0x00, 0x40, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x02});
    const Bytes ident = WithCrc({0x01, 0x2B, 0x0E, 0x01, 0x00});
    Bytes stream = read;
    stream.insert(stream.end(), write.begin(), write.end());
    stream.insert(stream.end(), ident.begin(), ident.end());
    // Byte by byte, as a slow line delivers them.
    for (std::uint8_t b : stream) parser.Feed(&b, 1);
    const auto frames = Drain(parser);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], read);
    EXPECT_EQ(frames[1], write);
    EXPECT_EQ(frames[2], ident);
    EXPECT_FALSE(parser.HasPartialInput());
}

TEST(SlaveFrameParser, DiscardsDamagedInputUntilTheLineFallsSilent)
{
    CSlaveFrameParser parser;
    Bytes bad = WithCrc({0x01, 0x06, 0x00, 0x40, 0x00, 0x01});
    bad[7] ^= 0xFF;
    const Bytes good = WithCrc({0x01, 0x06, 0x00, 0x40, 0x00, 0x02});
    parser.Feed(bad.data(), bad.size());
    parser.Feed(good.data(), good.size());  // glued to the bad one: lost with it
    EXPECT_TRUE(Drain(parser).empty());
    EXPECT_EQ(parser.CrcErrors(), 1u);
    parser.Silence();
    EXPECT_FALSE(parser.HasPartialInput());
    parser.Feed(good.data(), good.size());
    EXPECT_EQ(Drain(parser), std::vector<Bytes>{good});

    // Noise before a request is dropped at the next silence.
    const Bytes noise = {0xFF, 0x00, 0x55};
    parser.Feed(noise.data(), noise.size());
    parser.Silence();
    parser.Feed(good.data(), good.size());
    EXPECT_EQ(Drain(parser), std::vector<Bytes>{good});
}

TEST(SlaveFrameParser, DeliversUnknownFunctionsAtSilenceOnlyWithValidCrc)
{
    CSlaveFrameParser parser;
    const Bytes coils = WithCrc({0x01, 0x01, 0x00, 0x00, 0x00, 0x08});
    parser.Feed(coils.data(), coils.size());
    EXPECT_TRUE(Drain(parser).empty());
    parser.Silence();
    EXPECT_EQ(Drain(parser), std::vector<Bytes>{coils});

    const Bytes garbage = {0x01, 0x41, 0x12};
    parser.Feed(garbage.data(), garbage.size());
    parser.Silence();
    EXPECT_TRUE(Drain(parser).empty());
}

TEST(SlaveFrameParser, SurvivesRandomBytesAndEndlessStreams)
{
    CSlaveFrameParser parser;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        Bytes chunk(static_cast<std::size_t>(byte(random) % 40));
        for (auto& b : chunk) b = static_cast<std::uint8_t>(byte(random));
        if (round % 3 == 0 && !chunk.empty()) chunk[0] = 0x10;  // long write headers with random byte counts
        parser.Feed(chunk.data(), chunk.size());
        if (byte(random) < 40) parser.Silence();
        for (const Bytes& f : Drain(parser)) {
            EXPECT_TRUE(HasValidCrc(f.data(), f.size()));
            EXPECT_LE(f.size(), CSlaveFrameParser::kMaxFrame);
        }
    }
    // A stream that never pauses stays bounded and recovers after silence.
    Bytes flood(10000, 0x10);
    parser.Feed(flood.data(), flood.size());
    parser.Silence();
    const Bytes good = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x10});
    parser.Feed(good.data(), good.size());
    EXPECT_EQ(Drain(parser), std::vector<Bytes>{good});
}
