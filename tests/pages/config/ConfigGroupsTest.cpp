// The register groups of the system, safety and reciprocating pages against a
// scripted drive, for what the simulated drive never does: a reply short of
// registers. (Where each field lands is checked through the pages.)
#include <gtest/gtest.h>

#include <mutex>

#include "LinkFixture.h"
#include "ModbusMaster.h"

namespace {

// A drive that answers every read with one register fewer than asked for:
// the page would otherwise show zeros and "配置" would send them back.
class ShortReplies : public LinkFixture {};

TEST_F(ShortReplies, AreBadResponsesNotZeros)
{
    std::mutex lock;
    Answer([&](const std::vector<uint8_t>& req) {
        std::lock_guard<std::mutex> g(lock);
        const int count = (req[4] << 8 | req[5]) - 1;
        std::vector<uint8_t> out{req[0], 0x03, static_cast<uint8_t>(2 * count)};
        for (int i = 0; i < 2 * count; ++i) out.push_back(0x11);
        return SlaveReply::Bytes(WithCrc(out));
    });
    SystemParams p{};
    p.potHighMv = 5000;
    EXPECT_EQ(master.ReadSystemParams(1, p), kResultBadResponse);
    EXPECT_EQ(p.potHighMv, 5000);
    ReciprocateParams r{};
    r.totalTravel = 9;
    EXPECT_EQ(master.ReadReciprocateParams(1, r), kResultBadResponse);
    EXPECT_EQ(r.totalTravel, 9u);
    uint16_t command = 3;
    EXPECT_EQ(master.ReadReciprocateCommand(1, command), kResultBadResponse);  // zero registers
    EXPECT_EQ(command, 3);
    // The last request asked for register 170 alone.
    const auto request = LastRequest();
    ASSERT_EQ(request.size(), 8u);
    EXPECT_EQ(request[3], 170);
    EXPECT_EQ(request[5], 1);
}

}  // namespace
