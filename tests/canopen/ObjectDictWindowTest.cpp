// "访问对象字典": the request and answer frames, the data views by width,
// field normalisation, the decoded texts, and aborts shown in place.

#include <QLabel>
#include <mutex>

#include "CanopenFixture.h"
#include "PtyBridge.h"
#include "ScriptedSlave.h"

namespace {

class ObjectDictWindowTest : public CanopenFixture {
protected:
    CObjectDictDlg* Dict() const { return m_dlg->ObjectDictTool(); }
    QLineEdit* Edit(const char* name) const { return In<QLineEdit>(Dict(), name); }
    QString Decoded() const { return In<QLabel>(Dict(), "decodedLabel")->text(); }
    void Command(int index) { GuiActions::Select(In<QComboBox>(Dict(), "commandCombo"), index); }
    void Operate() { GuiActions::Click(In<QPushButton>(Dict(), "operateButton")); }
    void Address(const char* index, const char* sub)
    {
        GuiActions::Enter(Edit("indexEdit"), QString::fromLatin1(index));
        GuiActions::Enter(Edit("subIndexEdit"), QString::fromLatin1(sub));
    }
};

TEST_F(ObjectDictWindowTest, AReadSendsNoDataAndDecodesTheAnswer)
{
    EXPECT_FALSE(Edit("dataEdit")->isEnabled());
    EXPECT_FALSE(Edit("decimalEdit")->isEnabled());
    // A value left in the data field from a write is not sent with a read.
    Command(4);
    EXPECT_TRUE(Edit("dataEdit")->isEnabled());
    GuiActions::Enter(Edit("dataEdit"), QStringLiteral("12345678"));
    Command(0);
    EXPECT_FALSE(Edit("dataEdit")->isEnabled());

    Address("1018", "1");
    Operate();
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Edit("requestEdit")->text(), QStringLiteral("40 18 10 01 00 00 00 00"));
    EXPECT_EQ(Edit("responseEdit")->text(), QStringLiteral("43 18 10 01 52 4F 5A 00"));
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x1018 子索引:1 \n上传四字节数据：0x005A4F52(5918546)"));
}

TEST_F(ObjectDictWindowTest, UploadsDecodeByTheirWidthAndSign)
{
    m_sim->SetObject(0x2000, 1, 0xFFFF);
    Address("2000", "1");
    Operate();
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x2000 子索引:1 \n上传双字节数据：0xFFFF(-1)"));

    m_sim->SetObject(0x1001, 0, 0x80);
    Address("1001", "0");
    Operate();
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x1001 子索引:0 \n上传单字节数据：0x80(-128)"));

    m_sim->SetObject(0x2003, 0, 0xFFFFFFFE);
    Address("2003", "0");
    Operate();
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x2003 子索引:0 \n上传四字节数据：0xFFFFFFFE(-2)"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

// A drive whose SDO answers the test chooses: three-byte uploads and
// command specifiers this drive model never sends.
TEST_F(ObjectDictWindowTest, ThreeByteUploadsAreUnsignedAndUnknownAnswersKeepTheDecoding)
{
    uint16_t answerCommand = 0x47;
    std::mutex lock;
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    CScriptedSlave drive(line.PathB(), [&](const std::vector<uint8_t>& request) {
        if (request[1] == 0x10)  // the SDO request: acknowledged
            return SlaveReply::Bytes(WithCrc({request[0], 0x10, 0x02, 0x00, 0x00, 0x06}));
        std::lock_guard<std::mutex> guard(lock);
        return SlaveReply::Bytes(
            WithCrc({request[0], 0x03, 12, static_cast<uint8_t>(answerCommand >> 8),
                     static_cast<uint8_t>(answerCommand), 0x00, 0x21, 0x00, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    });
    ASSERT_TRUE(drive.Ok());
    m_dlg->m_master.ClosePort();
    ASSERT_TRUE(m_dlg->m_master.OpenWithMode(line.PathA(), "9600,n,8,2"));

    Address("21", "3");
    Operate();
    EXPECT_EQ(Edit("responseEdit")->text(), QStringLiteral("47 21 00 03 FF FF FF FF"));
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x0021 子索引:3 \n上传三字节数据：0xFFFFFF(16777215)"));

    {
        std::lock_guard<std::mutex> guard(lock);
        answerCommand = 0x41;
    }
    Operate();
    EXPECT_EQ(Edit("responseEdit")->text(), QStringLiteral("41 21 00 03 FF FF FF FF"));
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x0021 子索引:3 \n上传三字节数据：0xFFFFFF(16777215)"));
    EXPECT_EQ(m_boxes.Count(), 0);
    m_dlg->m_master.ClosePort();
}

TEST_F(ObjectDictWindowTest, TheDataViewsFollowEachOtherByTheCommandsWidth)
{
    Command(2);  // 0x2B
    GuiActions::Enter(Edit("decimalEdit"), QStringLiteral("-1"));
    EXPECT_EQ(Edit("dataEdit")->text(), QStringLiteral("FFFF"));
    EXPECT_EQ(Edit("decimalEdit")->text(), QStringLiteral("-1"));
    GuiActions::Enter(Edit("dataEdit"), QStringLiteral("FFFF"));
    EXPECT_EQ(Edit("decimalEdit")->text(), QStringLiteral("-1"));

    Command(4);  // 0x23
    GuiActions::Enter(Edit("dataEdit"), QStringLiteral("FFFF"));
    EXPECT_EQ(Edit("decimalEdit")->text(), QStringLiteral("65535"));
    GuiActions::Enter(Edit("decimalEdit"), QStringLiteral("-1"));
    EXPECT_EQ(Edit("dataEdit")->text(), QStringLiteral("FFFFFFFF"));

    Command(3);  // 0x27
    GuiActions::Enter(Edit("dataEdit"), QStringLiteral("FFFFFF"));
    EXPECT_EQ(Edit("decimalEdit")->text(), QStringLiteral("-1"));
    GuiActions::Enter(Edit("decimalEdit"), QStringLiteral("-2"));
    EXPECT_EQ(Edit("dataEdit")->text(), QStringLiteral("FFFFFE"));

    Command(1);  // 0x2F
    GuiActions::Enter(Edit("dataEdit"), QStringLiteral("80"));
    EXPECT_EQ(Edit("decimalEdit")->text(), QStringLiteral("-128"));
    GuiActions::Enter(Edit("decimalEdit"), QStringLiteral("300"));
    EXPECT_EQ(Edit("dataEdit")->text(), QStringLiteral("2C"));
    GuiActions::Enter(Edit("decimalEdit"), QStringLiteral("abc"));
    EXPECT_EQ(Edit("dataEdit")->text(), QStringLiteral("00"));
}

TEST_F(ObjectDictWindowTest, IndexAndSubIndexAreNormalisedOnLeaving)
{
    GuiActions::Enter(Edit("subIndexEdit"), QStringLiteral("0x1A"));
    EXPECT_EQ(Edit("subIndexEdit")->text(), QStringLiteral("26"));
    GuiActions::Enter(Edit("subIndexEdit"), QStringLiteral("300"));
    EXPECT_EQ(Edit("subIndexEdit")->text(), QStringLiteral("44"));
    GuiActions::Enter(Edit("subIndexEdit"), QStringLiteral("zz"));
    EXPECT_EQ(Edit("subIndexEdit")->text(), QStringLiteral("0"));
    GuiActions::Enter(Edit("indexEdit"), QStringLiteral("1a"));
    EXPECT_EQ(Edit("indexEdit")->text(), QStringLiteral("001A"));
    GuiActions::Enter(Edit("indexEdit"), QStringLiteral("xyz"));
    EXPECT_EQ(Edit("indexEdit")->text(), QStringLiteral("0000"));
}

TEST_F(ObjectDictWindowTest, AnAbortIsShownInTheDecodedTextOnly)
{
    // A one-byte write of 1FF: all 32 bits go to the drive.
    Command(1);
    GuiActions::Enter(Edit("dataEdit"), QStringLiteral("1FF"));
    Address("2002", "0");
    Operate();
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Edit("requestEdit")->text(), QStringLiteral("2F 02 20 00 FF 01 00 00"));
    EXPECT_EQ(Edit("responseEdit")->text(), QStringLiteral("80 02 20 00 02 00 01 06"));
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x2002 子索引:0 \n传送中断：试图写只读对象 (0x06010002)"));

    Command(0);
    Address("6000", "0");
    Operate();
    EXPECT_EQ(Decoded(), QStringLiteral("索引号:0x6000 子索引:0 \n传送中断：对象字典中对象不存在 (0x06020000)"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(ObjectDictWindowTest, AWriteIsConfirmedAndAFailedLinkEmptiesTheLines)
{
    Command(2);
    GuiActions::Enter(Edit("decimalEdit"), QStringLiteral("500"));
    Address("2000", "2");
    Operate();
    EXPECT_EQ(Edit("requestEdit")->text(), QStringLiteral("2B 00 20 02 F4 01 00 00"));
    EXPECT_EQ(Decoded(), QStringLiteral("索引:0x2000 子索引:2 写入成功"));
    EXPECT_EQ(m_sim->GetObject(0x2000, 2).value_or(0), 500u);

    m_dlg->m_master.ClosePort();
    Operate();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
    EXPECT_EQ(Edit("requestEdit")->text(), QString());
    EXPECT_EQ(Edit("responseEdit")->text(), QString());
    EXPECT_EQ(Decoded(), QString());
}

TEST_F(ObjectDictWindowTest, EnterHidesTheWindowAndKeepsItsFields)
{
    Dict()->show();
    Address("1018", "2");
    QTest::keyClick(Edit("subIndexEdit"), Qt::Key_Return);
    EXPECT_FALSE(Dict()->isVisible());
    Dict()->show();
    EXPECT_EQ(Edit("indexEdit")->text(), QStringLiteral("1018"));
    EXPECT_EQ(Edit("subIndexEdit")->text(), QStringLiteral("2"));
}

}  // namespace
