// Pure rules of the drive protocol: CRC, result texts, SDO abort texts,
// register conversions, the line-settings text, GBK decoding.
#include <gtest/gtest.h>

#include <cstring>

#include "Crc.h"
#include "Language.h"
#include "ModbusMaster.h"
#include "TextCodec.h"

namespace {

TEST(Crc, MatchesTheModbusCheckValues)
{
    const uint8_t read[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(ComputeCrc(read, sizeof read), 0x0A84);  // sent as 84 0A
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(ComputeCrc(check, sizeof check), 0x4B37);  // CRC-16/MODBUS check value

    uint8_t lo[6], hi[6];
    ComputeCrc(read, sizeof read, lo, hi);
    EXPECT_EQ(lo[5], 0x84);
    EXPECT_EQ(hi[5], 0x0A);
}

TEST(Crc, CheckFrameNeedsSlaveLengthAndCrc)
{
    const uint8_t good[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
    EXPECT_TRUE(CheckFrame(1, good, sizeof good));
    EXPECT_FALSE(CheckFrame(2, good, sizeof good));
    EXPECT_FALSE(CheckFrame(1, good, 3));
    uint8_t bad[sizeof good];
    std::memcpy(bad, good, sizeof good);
    bad[7] ^= 1;
    EXPECT_FALSE(CheckFrame(1, bad, sizeof bad));
}

TEST(ResultText, KnownAndUndefinedCodes)
{
    SetLanguage(Language::Chinese);
    EXPECT_EQ(CModbusMaster::ResultText(0), "操作成功");
    EXPECT_EQ(CModbusMaster::ResultText(2), "非法寄存器地址");
    EXPECT_EQ(CModbusMaster::ResultText(6), "设备忙");
    EXPECT_EQ(CModbusMaster::ResultText(0x40), "不允许操作");
    EXPECT_EQ(CModbusMaster::ResultText(0x60), "请先对电机进行学习");
    EXPECT_EQ(CModbusMaster::ResultText(128), "串口未打开");
    EXPECT_EQ(CModbusMaster::ResultText(129), "应答错误");
    EXPECT_EQ(CModbusMaster::ResultText(130), "通讯超时");
    EXPECT_EQ(CModbusMaster::ResultText(131), "要发送的数据过长");
    EXPECT_EQ(CModbusMaster::ResultText(7), "未定义错误(07)");
    EXPECT_EQ(CModbusMaster::ResultText(12), "未定义错误(0C)");
    EXPECT_EQ(CModbusMaster::ResultText(255), "未定义错误(FF)");
    EXPECT_EQ(CModbusMaster::ResultText(0x1234), "未定义错误(1234)");
    EXPECT_EQ(CModbusMaster::ResultText(0xFFFFFFFFu), "未定义错误(FFFFFFFF)");
}

TEST(SdoAbortText, TableRowsAndUnknownCodes)
{
    SetLanguage(Language::Chinese);
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x05040000), "SDO协议超时 (0x05040000)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06020000), "对象字典中对象不存在 (0x06020000)");
    // Two rows a word apart: reading a write-only object, writing a read-only one.
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06010001), "试图读只写对象 (0x06010001)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x06010002), "试图写只读对象 (0x06010002)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x08000023), "对象字典动态产生错误或对象字典不存在 (0x08000023)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0x05040006), "未定义终止码(0x05040006)");
    EXPECT_EQ(CModbusMaster::SdoAbortText(0), "未定义终止码(0x00000000)");
}

TEST(Swaps, WireImageToHostValuesAndBack)
{
    uint8_t regs[] = {0x00, 0x01, 0xFF, 0xFE};
    CModbusMaster::SwapBytes16(regs, sizeof regs);
    uint16_t v[2];
    std::memcpy(v, regs, sizeof v);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(static_cast<int16_t>(v[1]), -2);

    uint8_t f[] = {0x3F, 0x80, 0x00, 0x00};
    CModbusMaster::SwapBytes16(f, 4);
    CModbusMaster::SwapWords32(f, 4);
    float one;
    std::memcpy(&one, f, 4);
    EXPECT_EQ(one, 1.0f);

    uint8_t i[] = {0x00, 0x01, 0x00, 0x00};
    CModbusMaster::SwapBytes16(i, 4);
    CModbusMaster::SwapWords32(i, 4);
    uint32_t n;
    std::memcpy(&n, i, 4);
    EXPECT_EQ(n, 65536u);

    uint8_t odd[] = {1, 2, 3};
    CModbusMaster::SwapBytes16(odd, 3);
    EXPECT_EQ(odd[0], 2);
    EXPECT_EQ(odd[1], 1);
    EXPECT_EQ(odd[2], 3);
    uint8_t six[] = {1, 2, 3, 4, 5, 6};
    CModbusMaster::SwapWords32(six, 6);
    const uint8_t sixAfter[] = {3, 4, 1, 2, 5, 6};
    EXPECT_EQ(0, std::memcmp(six, sixAfter, 6));
}

TEST(ModeText, ParityIndexChoosesParityAndStopBits)
{
    EXPECT_EQ(CModbusMaster::ModeText(9600, 0), "9600,n,8,2");
    EXPECT_EQ(CModbusMaster::ModeText(19200, 1), "19200,o,8,1");
    EXPECT_EQ(CModbusMaster::ModeText(115200, 2), "115200,e,8,1");
    EXPECT_EQ(CModbusMaster::ModeText(9600, 3), "9600,n,8,1");
    EXPECT_EQ(CModbusMaster::ModeText(9600, 7), "9600,n,8,1");
}

TEST(TextCodec, GbkDecodesAndBadBytesAreReplaced)
{
    const char gbk[] = "\xD6\xD0\xCE\xC4-FOC";  // "中文-FOC"
    EXPECT_EQ(GbkToUtf8(gbk, sizeof gbk - 1), "中文-FOC");
    EXPECT_EQ(Utf8ToGbk("中文-FOC"), std::string(gbk));
    std::string broken = GbkToUtf8("\xD6", 1);  // half a character at the end
    EXPECT_EQ(broken, "\xEF\xBF\xBD");
    EXPECT_EQ(GbkToUtf8("A\xFF"
                        "B",
                        3),
              "A\xEF\xBF\xBD"
              "B");
}

}  // namespace
