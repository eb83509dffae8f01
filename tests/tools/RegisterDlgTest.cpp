// The register tool: conversions both ways, the three data types, reads and
// writes on the wire, and failures reported once.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "GuiFixture.h"
#include "LinkFixture.h"
#include "RegisterDlg.h"

using namespace GuiActions;

namespace {

class RegisterDlgTest : public CGuiFixture {
protected:
    void SetUp() override
    {
        CGuiFixture::SetUp();
        m_tool = m_dlg->RegisterTool();
        m_tool->show();
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(m_tool, name); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(m_tool, name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(m_tool, name); }
    std::vector<uint8_t> RequestWithoutCrc() const
    {
        std::vector<uint8_t> r = LastRequest();
        if (r.size() >= 2) r.resize(r.size() - 2);
        return r;
    }
    void Write(const QString& address, int type, const QString& hex)
    {
        Enter(Edit("writeAddressEdit"), address);
        Select(Combo("writeTypeCombo"), type);
        Enter(Edit("writeHexEdit"), hex);
        Click(Button("writeButton"));
    }
    void Read(const QString& address, int type)
    {
        Enter(Edit("readAddressEdit"), address);
        Select(Combo("readTypeCombo"), type);
        Click(Button("readButton"));
    }
    QString Text(const char* name) const { return Edit(name)->text(); }

    CRegisterDlg* m_tool = nullptr;
};

TEST_F(RegisterDlgTest, StartsEmptyWithTheThreeTypes)
{
    for (const char* name :
         {"writeAddressEdit", "writeHexEdit", "writeDecimalEdit", "readAddressEdit", "readHexEdit", "readDecimalEdit"})
        EXPECT_TRUE(Text(name).isEmpty()) << name;
    const QComboBox* types = Combo("writeTypeCombo");
    ASSERT_EQ(types->count(), 3);
    EXPECT_EQ(types->itemText(0), QStringLiteral("短整型（单寄存器）"));
    EXPECT_EQ(types->itemText(1), QStringLiteral("长整型（双寄存器）"));
    EXPECT_EQ(types->itemText(2), QStringLiteral("浮点型（双寄存器）"));
    EXPECT_EQ(Combo("readTypeCombo")->currentIndex(), 0);
    EXPECT_EQ(m_tool->windowTitle(), QStringLiteral("读写寄存器"));
}

TEST_F(RegisterDlgTest, AddressesAreNormalisedWhenLeft)
{
    Enter(Edit("writeAddressEdit"), QStringLiteral("1a"));
    EXPECT_EQ(Text("writeAddressEdit"), QStringLiteral("001A"));
    Enter(Edit("readAddressEdit"), QStringLiteral("1a"));
    EXPECT_EQ(Text("readAddressEdit"), QStringLiteral("001A"));
    Enter(Edit("writeAddressEdit"), QString());
    EXPECT_EQ(Text("writeAddressEdit"), QStringLiteral("0000"));
    Enter(Edit("readAddressEdit"), QStringLiteral("12345"));  // no limit here: low 16 bits
    EXPECT_EQ(Text("readAddressEdit"), QStringLiteral("2345"));
    Enter(Edit("readAddressEdit"), QStringLiteral("zz"));
    EXPECT_EQ(Text("readAddressEdit"), QStringLiteral("0000"));
    Type(Edit("writeAddressEdit"), QStringLiteral("123456"));
    EXPECT_EQ(Text("writeAddressEdit"), QStringLiteral("1234"));
}

TEST_F(RegisterDlgTest, WriteSideConvertsBothWays)
{
    struct Case {
        int type;
        const char* hex;
        const char* decimal;
    };
    // hexadecimal -> decimal
    const Case fromHex[] = {
        {0, "FFFF", "-1"},           {0, "8000", "-32768"},    {0, "12345", "9029"},  // low 16 bits of 0x12345
        {1, "FFFFFFFE", "-2"},       {1, "00010002", "65538"}, {2, "3F800000", "1.000000"},
        {2, "3FC00000", "1.500000"}, {2, "", "0.000000"},
    };
    for (const Case& c : fromHex) {
        SCOPED_TRACE(c.hex);
        Select(Combo("writeTypeCombo"), c.type);
        Enter(Edit("writeHexEdit"), QString::fromLatin1(c.hex));
        EXPECT_EQ(Text("writeDecimalEdit"), QLatin1String(c.decimal));
    }
    // decimal -> hexadecimal
    const Case fromDecimal[] = {
        {0, "0001", "1"},       {0, "FFFF", "-1"},     {0, "1170", "70000"},  // 70000 mod 65536 = 4464
        {0, "0000", "abc"},     {1, "FFFFFFFF", "-1"}, {1, "7FFFFFFF", "99999999999"},
        {2, "3FC00000", "1.5"}, {2, "BF800000", "-1"}, {2, "00000000", ""},
    };
    for (const Case& c : fromDecimal) {
        SCOPED_TRACE(c.decimal);
        Select(Combo("writeTypeCombo"), c.type);
        Enter(Edit("writeDecimalEdit"), QString::fromLatin1(c.decimal));
        EXPECT_EQ(Text("writeHexEdit"), QLatin1String(c.hex));
    }
}

TEST_F(RegisterDlgTest, ChangingTheWriteTypeConvertsTheDecimalText)
{
    Select(Combo("writeTypeCombo"), 2);
    Enter(Edit("writeDecimalEdit"), QStringLiteral("1.5"));
    EXPECT_EQ(Text("writeHexEdit"), QStringLiteral("3FC00000"));
    Select(Combo("writeTypeCombo"), 0);
    EXPECT_EQ(Text("writeHexEdit"), QStringLiteral("0001"));
    EXPECT_EQ(Text("writeDecimalEdit"), QStringLiteral("1.5"));
}

TEST_F(RegisterDlgTest, WritesSendTheHexadecimalValue)
{
    // Type 0 at 0x0010: function 6; this drive has no register there.
    Write(QStringLiteral("0010"), 0, QStringLiteral("FFFF"));
    EXPECT_EQ(RequestWithoutCrc(), (std::vector<uint8_t>{0x01, 0x06, 0x00, 0x10, 0xFF, 0xFF}));
    EXPECT_EQ(Text("writeDecimalEdit"), QStringLiteral("-1"));
    EXPECT_EQ(m_boxes.Texts(), QStringList({"非法寄存器地址"}));

    // Type 1: function 16, two registers, high word first.
    m_boxes.Clear();
    Write(QStringLiteral("00BA"), 1, QStringLiteral("00010002"));
    EXPECT_EQ(RequestWithoutCrc(),
              (std::vector<uint8_t>{0x01, 0x10, 0x00, 0xBA, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x02}));
    EXPECT_EQ(m_boxes.Count(), 0);  // success shows nothing
    EXPECT_EQ(m_sim->GetRegister(0xBA), 0x0001);
    EXPECT_EQ(m_sim->GetRegister(0xBB), 0x0002);

    // The decimal field reaches the drive only through its focus loss.
    Select(Combo("writeTypeCombo"), 2);
    Enter(Edit("writeDecimalEdit"), QStringLiteral("1.5"));
    Click(Button("writeButton"));
    EXPECT_EQ(m_sim->GetRegister(0xBA), 0x3FC0);
    EXPECT_EQ(m_sim->GetRegister(0xBB), 0x0000);

    // The device address of the main window is used.
    m_dlg->m_deviceAddress = 9;
    m_dlg->m_master.SetResponseTimeout(100);
    Click(Button("writeButton"));
    EXPECT_EQ(LastRequest().at(0), 9);
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("通讯超时"));
}

TEST_F(RegisterDlgTest, ReadsShowHexadecimalAndDecimal)
{
    m_sim->SetRegister(0xBA, 0x8000);
    m_sim->SetRegister(0xBB, 0x0000);
    Read(QStringLiteral("ba"), 0);
    EXPECT_EQ(RequestWithoutCrc(), (std::vector<uint8_t>{0x01, 0x03, 0x00, 0xBA, 0x00, 0x01}));
    EXPECT_EQ(Text("readAddressEdit"), QStringLiteral("00BA"));
    EXPECT_EQ(Text("readHexEdit"), QStringLiteral("8000"));
    EXPECT_EQ(Text("readDecimalEdit"), QStringLiteral("-32768"));

    m_sim->SetRegister(0xBA, 0x3F80);
    Read(QStringLiteral("00BA"), 2);
    EXPECT_EQ(RequestWithoutCrc(), (std::vector<uint8_t>{0x01, 0x03, 0x00, 0xBA, 0x00, 0x02}));
    EXPECT_EQ(Text("readHexEdit"), QStringLiteral("3F800000"));
    EXPECT_EQ(Text("readDecimalEdit"), QStringLiteral("1.000000"));

    m_sim->SetRegister(0xBA, 0xFFFF);
    m_sim->SetRegister(0xBB, 0xFFFE);
    Read(QStringLiteral("00BA"), 1);
    EXPECT_EQ(Text("readHexEdit"), QStringLiteral("FFFFFFFE"));
    EXPECT_EQ(Text("readDecimalEdit"), QStringLiteral("-2"));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_F(RegisterDlgTest, FailedReadsReportOnceAndKeepTheFields)
{
    m_sim->SetRegister(0xBA, 0x1234);
    Read(QStringLiteral("00BA"), 0);
    ASSERT_EQ(Text("readHexEdit"), QStringLiteral("1234"));

    Read(QStringLiteral("0010"), 0);  // not a register of this drive
    EXPECT_EQ(m_boxes.Texts(), QStringList({"非法寄存器地址"}));
    EXPECT_EQ(Text("readHexEdit"), QStringLiteral("1234"));
    EXPECT_EQ(Text("readDecimalEdit"), QStringLiteral("4660"));

    m_dlg->m_master.ClosePort();
    Read(QStringLiteral("00BA"), 0);
    EXPECT_EQ(m_boxes.Texts(), QStringList({"非法寄存器地址", "串口未打开"}));
    EXPECT_EQ(Text("readHexEdit"), QStringLiteral("1234"));
    EXPECT_EQ(Text("readDecimalEdit"), QStringLiteral("4660"));
}

TEST_F(RegisterDlgTest, EscAndEnterOnlyHideItAndItKeepsItsFields)
{
    Enter(Edit("writeHexEdit"), QStringLiteral("ABCD"));
    QTest::keyClick(Edit("writeHexEdit"), Qt::Key_Return);
    EXPECT_FALSE(m_tool->isVisible());
    m_tool->show();
    EXPECT_EQ(Text("writeHexEdit"), QStringLiteral("ABCD"));
    QTest::keyClick(m_tool, Qt::Key_Escape);
    EXPECT_FALSE(m_tool->isVisible());
    EXPECT_TRUE(m_dlg->isVisible());  // the main window stays
    EXPECT_EQ(Text("writeHexEdit"), QStringLiteral("ABCD"));
}

// A drive answering a two-register read with one register must not show a
// value it never sent.
TEST(RegisterDlgShortAnswer, IsABadResponse)
{
    CPtyBridge line;
    ASSERT_TRUE(line.Ok());
    CMessageRecorder boxes;
    CDemoDlg dlg;
    CScriptedSlave slave(line.PathB(), [](const std::vector<uint8_t>&) {
        return SlaveReply::Bytes(WithCrc({0x01, 0x03, 0x02, 0x12, 0x34}));
    });
    ASSERT_TRUE(dlg.m_master.OpenWithMode(line.PathA(), "9600,n,8,2"));
    CRegisterDlg* tool = dlg.RegisterTool();
    Enter(Find<QLineEdit>(tool, "readAddressEdit"), QStringLiteral("00BA"));
    Select(Find<QComboBox>(tool, "readTypeCombo"), 1);
    Click(Find<QPushButton>(tool, "readButton"));
    EXPECT_EQ(boxes.Texts(), QStringList({"应答错误"}));
    EXPECT_TRUE(Find<QLineEdit>(tool, "readHexEdit")->text().isEmpty());
}

}  // namespace
