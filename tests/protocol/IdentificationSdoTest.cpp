// Device identification over several responses, and the SDO tunnel, against
// scripted slaves.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "Language.h"
#include "LinkFixture.h"

using Bytes = std::vector<uint8_t>;

namespace {

// An identification response: header, more-follows, next id, objects.
Bytes IdResponse(uint8_t more, uint8_t next, const std::vector<std::pair<uint8_t, std::string>>& objects)
{
    Bytes f = {0x01, 0x2B, 0x0E, 0x01, 0x01, more, next, static_cast<uint8_t>(objects.size())};
    for (const auto& [id, value] : objects) {
        f.push_back(id);
        f.push_back(static_cast<uint8_t>(value.size()));
        f.insert(f.end(), value.begin(), value.end());
    }
    return WithCrc(f);
}

class Identification : public LinkFixture {};

TEST_F(Identification, ObjectsOverTwoResponsesBecomeOneText)
{
    Answer([](const Bytes& req) {
        if (req[4] == 0) return SlaveReply::Bytes(IdResponse(0xFF, 3, {{0, "ZORIC"}, {1, "\xC7\xFD\xB6\xAF\xC6\xF7"}}));
        return SlaveReply::Bytes(IdResponse(0x00, 0, {{3, std::string("V2\0junk", 7)}, {9, "ext"}}));
    });
    std::string text = "untouched";
    SetLanguage(Language::Chinese);
    ASSERT_EQ(master.ReadDeviceIdentification(1, text), 0u);
    EXPECT_EQ(text, "公司名称:ZORIC\r\n产品代码:驱动器\r\n供应商网址:V2\r\n扩展描述:ext");
    auto requests = slave->Requests();
    ASSERT_EQ(requests.size(), 2u);
    // The names follow the language; what the drive holds is shown as it is.
    SetLanguage(Language::English);
    ASSERT_EQ(master.ReadDeviceIdentification(1, text), 0u);
    SetLanguage(Language::Chinese);
    EXPECT_EQ(text, "Vendor name: ZORIC\r\nProduct code: 驱动器\r\nVendor URL: V2\r\nExtended object: ext");
    EXPECT_EQ(requests[0], WithCrc({0x01, 0x2B, 0x0E, 0x01, 0x00}));
    EXPECT_EQ(requests[1][4], 3) << "the second request asks for the announced next object";
}

TEST_F(Identification, EmptyBlockGivesEmptyTextAndFailuresLeaveTheTextAlone)
{
    Answer([](const Bytes&) { return SlaveReply::Bytes(IdResponse(0x00, 0, {})); });
    std::string text = "old";
    ASSERT_EQ(master.ReadDeviceIdentification(1, text), 0u);
    EXPECT_EQ(text, "");

    CModbusMaster closed;
    text = "old";
    EXPECT_EQ(closed.ReadDeviceIdentification(1, text), kResultPortNotOpen);
    EXPECT_EQ(text, "old");
}

TEST_F(Identification, AnObjectRunningPastTheBlockEndsTheWalk)
{
    Answer([](const Bytes&) {
        Bytes f = {0x01, 0x2B, 0x0E, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x01, 'A', 0x01, 0x40, 'B'};
        return SlaveReply::Bytes(WithCrc(f));
    });
    std::string text;
    SetLanguage(Language::Chinese);
    ASSERT_EQ(master.ReadDeviceIdentification(1, text), 0u);
    EXPECT_EQ(text, "公司名称:A");
}

TEST_F(Identification, ADriveThatNeverStopsAnnouncingMoreIsCut)
{
    std::atomic<int> n{0};
    Answer([&n](const Bytes& req) {
        ++n;
        uint8_t next = static_cast<uint8_t>(req[4] + 1);
        return SlaveReply::Bytes(IdResponse(0xFF, next, {{req[4], "x"}}));
    });
    std::string text = "old";
    EXPECT_EQ(master.ReadDeviceIdentification(1, text), kResultBadResponse);
    EXPECT_EQ(text, "old");
    EXPECT_EQ(n.load(), CModbusMaster::kMaxIdentificationRequests);

    slave.reset();
    n = 0;
    Answer([&n](const Bytes&) {  // more follows, but always "from object 0" again
        ++n;
        return SlaveReply::Bytes(IdResponse(0xFF, 0, {{0, "x"}}));
    });
    EXPECT_EQ(master.ReadDeviceIdentification(1, text), kResultBadResponse);
    EXPECT_EQ(n.load(), 1);
}

TEST_F(Identification, ADriveWithoutTheFunctionSaysSo)
{
    AnswerAlways({0x01, 0xAB, 0x01});
    std::string text;
    EXPECT_EQ(master.ReadDeviceIdentification(1, text), 1u);
    SetLanguage(Language::Chinese);
    EXPECT_EQ(CModbusMaster::ResultText(1), "非法功能号");
}

// The tunnel's six registers as a drive keeps them: a write runs the request
// and leaves the answer there; a read returns it. Each answer echoes the index
// and sub-index asked for, with data = index << 8 | sub.
class TunnelSlave {
public:
    SlaveReply operator()(const Bytes& req)
    {
        std::lock_guard<std::mutex> g(m_lock);
        if (req[1] == 0x10) {
            uint16_t index = static_cast<uint16_t>(req[9] << 8 | req[10]);
            uint8_t sub = req[12];
            uint32_t data = static_cast<uint32_t>(index) << 8 | sub;
            uint8_t cmd = index == 0x6000 ? 0x80 : 0x43;
            if (cmd == 0x80) data = 0x06020000;
            m_regs = {0x00,
                      cmd,
                      req[9],
                      req[10],
                      0x00,
                      sub,
                      0x00,
                      0x00,
                      static_cast<uint8_t>(data >> 24),
                      static_cast<uint8_t>(data >> 16),
                      static_cast<uint8_t>(data >> 8),
                      static_cast<uint8_t>(data)};
            return SlaveReply::Bytes(WithCrc(Bytes(req.begin(), req.begin() + 6)));
        }
        Bytes f = {0x01, 0x03, 12};
        f.insert(f.end(), m_regs.begin(), m_regs.end());
        return SlaveReply::Bytes(WithCrc(f));
    }

private:
    std::mutex m_lock;
    Bytes m_regs = Bytes(12, 0);
};

class SdoTunnel : public LinkFixture {};

TEST_F(SdoTunnel, UploadSendsTheTunnelFramesAndDecodesTheAnswer)
{
    auto tunnel = std::make_shared<TunnelSlave>();
    Answer([tunnel](const Bytes& r) { return (*tunnel)(r); });
    SdoRecord resp;
    ASSERT_EQ(master.SdoTransfer(1, 0x40, 0x1018, 1, 0, resp), 0u);
    auto requests = slave->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], WithCrc({0x01, 0x10, 0x02, 0x00, 0x00, 0x06, 0x0C, 0x00, 0x40, 0x10, 0x18, 0x00, 0x01, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(requests[1], WithCrc({0x01, 0x03, 0x02, 0x00, 0x00, 0x06}));
    EXPECT_EQ(resp.command, 0x43);
    EXPECT_EQ(resp.index, 0x1018);
    EXPECT_EQ(resp.subindex, 1);
    EXPECT_EQ(resp.data, 0x101801u);
}

TEST_F(SdoTunnel, DownloadPutsTheHighWordFirst)
{
    auto tunnel = std::make_shared<TunnelSlave>();
    Answer([tunnel](const Bytes& r) { return (*tunnel)(r); });
    SdoRecord resp;
    ASSERT_EQ(master.SdoTransfer(1, 0x23, 0x2001, 0, 0x00010002, resp), 0u);
    const Bytes write = slave->Requests().at(0);
    EXPECT_EQ(Bytes(write.begin() + 15, write.begin() + 19), (Bytes{0x00, 0x01, 0x00, 0x02}));
}

TEST_F(SdoTunnel, AbortIsAnAnswerNotAFailureAndFailuresLeaveTheRecord)
{
    auto tunnel = std::make_shared<TunnelSlave>();
    Answer([tunnel](const Bytes& r) { return (*tunnel)(r); });
    SdoRecord resp;
    ASSERT_EQ(master.SdoTransfer(1, 0x40, 0x6000, 0, 0, resp), 0u);
    EXPECT_EQ(resp.command, 0x80);
    SetLanguage(Language::Chinese);
    EXPECT_EQ(CModbusMaster::SdoAbortText(resp.data), "对象字典中对象不存在 (0x06020000)");

    CModbusMaster closed;
    SdoRecord untouched;
    untouched.data = 0x12345678;
    EXPECT_EQ(closed.SdoTransfer(1, 0x40, 0x1000, 0, 0, untouched), kResultPortNotOpen);
    EXPECT_EQ(untouched.data, 0x12345678u);
}

TEST_F(SdoTunnel, AFailedWriteIsNotFollowedByARead)
{
    AnswerAlways({0x01, 0x90, 0x02});
    SdoRecord resp;
    EXPECT_EQ(master.SdoTransfer(1, 0x40, 0x1000, 0, 0, resp), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(slave->Requests().size(), 1u);
}

TEST_F(SdoTunnel, ConcurrentTransfersEachReadTheirOwnAnswer)
{
    auto tunnel = std::make_shared<TunnelSlave>();
    Answer([tunnel](const Bytes& r) { return (*tunnel)(r); });
    std::atomic<int> mismatches{0}, failures{0};
    auto worker = [&](uint16_t index) {
        for (int i = 0; i < 40; ++i) {
            SdoRecord resp;
            uint8_t sub = static_cast<uint8_t>(i);
            if (master.SdoTransfer(1, 0x40, index, sub, 0, resp) != 0) {
                ++failures;
                continue;
            }
            if (resp.index != index || resp.subindex != sub || resp.data != (uint32_t(index) << 8 | sub)) ++mismatches;
        }
    };
    // A third thread's plain reads also compete for the line.
    std::thread a(worker, 0x1400), b(worker, 0x1800);
    std::thread c([&] {
        for (int i = 0; i < 40; ++i) master.ReadHoldingRegisters(1, 0x0200, 6, nullptr, nullptr);
    });
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mismatches.load(), 0) << "a transfer read back another thread's answer";
}

}  // namespace
