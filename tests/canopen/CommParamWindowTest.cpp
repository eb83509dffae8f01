// "通讯参数配置": the three blocks read and written in order, and how each
// field goes to and from its registers.

#include "CanopenFixture.h"

namespace {

class CommParamWindowTest : public CanopenFixture {
protected:
    QComboBox* Combo(const char* name) const { return In<QComboBox>(Page(), name); }
    QCheckBox* Check(const char* name) const { return In<QCheckBox>(Page(), name); }

    void Read() { GuiActions::Click(PageButton("commReadButton")); }
    void Configure() { GuiActions::Click(PageButton("commWriteButton")); }
};

TEST_F(CommParamWindowTest, ReadShowsEveryFieldAndEnablesConfigure)
{
    EXPECT_FALSE(PageButton("commWriteButton")->isEnabled());
    m_sim->SetRegister(0x0090, 0x0001);
    m_sim->SetRegister(0x0091, 0xC200);
    m_sim->SetRegister(0x0092, 2);
    m_sim->SetRegister(0x0094, 0x0003);
    m_sim->SetRegister(0x0095, 25);
    m_sim->SetRegister(0x009C, 0x1F);
    m_sim->SetRegister(0x009D, 0);
    m_sim->SetRegister(0x0120, 0x0003);
    m_sim->SetRegister(0x0121, 0x7F);
    m_sim->SetRegister(0x0122, 5);
    m_sim->SetRegister(0x0128, 1);
    m_sim->SetRegister(0x0129, 1000);

    Read();
    EXPECT_EQ(m_boxes.Count(), 0) << m_boxes.LastText().toStdString();
    EXPECT_EQ(Combo("baud485Combo")->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(Combo("parityCombo")->currentIndex(), 2);
    EXPECT_TRUE(Check("lockConfigCheck")->isChecked());  // bit 0 of 0x0003
    EXPECT_EQ(PageEdit("brakeTimeEdit")->text(), QStringLiteral("2.5"));
    EXPECT_EQ(PageEdit("slaveAddressEdit")->text(), QStringLiteral("0x1F"));
    EXPECT_TRUE(Check("portDefault485Check")->isChecked());
    EXPECT_EQ(Combo("modeCombo")->currentText(), QStringLiteral("CANOpen"));
    EXPECT_EQ(PageEdit("nodeIdEdit")->text(), QStringLiteral("0x7F"));
    EXPECT_EQ(Combo("canBaudCombo")->currentText(), QStringLiteral("500kbps"));
    EXPECT_TRUE(Check("canopenAutoStartCheck")->isChecked());
    EXPECT_EQ(PageEdit("heartbeatEdit")->text(), QStringLiteral("1000"));
    EXPECT_TRUE(PageButton("commWriteButton")->isEnabled());

    // The port-control box is ticked only for 0; auto-start only for 1.
    m_sim->SetRegister(0x009D, 2);
    m_sim->SetRegister(0x0128, 2);
    m_sim->SetRegister(0x0090, 0);
    m_sim->SetRegister(0x0091, 0x2580);
    Read();
    EXPECT_FALSE(Check("portDefault485Check")->isChecked());
    EXPECT_FALSE(Check("canopenAutoStartCheck")->isChecked());
    EXPECT_EQ(Combo("baud485Combo")->currentText(), QStringLiteral("9600 "));
}

TEST_F(CommParamWindowTest, ConfigureSendsWhatAReadShowedAndTheEditsAsTyped)
{
    // 4800 is no item: the first one is shown, and 9600 goes back.
    m_sim->SetRegister(0x0090, 0);
    m_sim->SetRegister(0x0091, 4800);
    m_sim->SetRegister(0x0120, 0x0003);
    m_sim->SetRegister(0x0122, 9);  // beyond the CAN baud list
    m_sim->SetRegister(0x0095, 3);
    Read();
    ASSERT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Combo("baud485Combo")->currentIndex(), 0);
    EXPECT_EQ(Combo("canBaudCombo")->currentIndex(), -1);
    EXPECT_EQ(PageEdit("brakeTimeEdit")->text(), QStringLiteral("0.3"));

    Configure();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("操作成功"));
    EXPECT_EQ(m_sim->GetRegister(0x0090), 0);
    EXPECT_EQ(m_sim->GetRegister(0x0091), 9600);
    EXPECT_EQ(m_sim->GetRegister(0x0095), 3);       // 0.3 goes back as 3
    EXPECT_EQ(m_sim->GetRegister(0x0120), 1);       // bit 0 only
    EXPECT_EQ(m_sim->GetRegister(0x0122), 0xFFFF);  // nothing selected

    GuiActions::Select(Combo("baud485Combo"), 4);
    GuiActions::Enter(PageEdit("brakeTimeEdit"), QStringLiteral("2.59"));
    GuiActions::Enter(PageEdit("heartbeatEdit"), QStringLiteral("7000"));
    Configure();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("操作成功"));
    EXPECT_EQ(m_sim->GetRegister(0x0090), 0x0001);
    EXPECT_EQ(m_sim->GetRegister(0x0091), 0xC200);
    EXPECT_EQ(m_sim->GetRegister(0x0095), 25);
    EXPECT_EQ(m_sim->GetRegister(0x0129), 7000);

    GuiActions::Enter(PageEdit("brakeTimeEdit"), QStringLiteral("0.05"));
    Configure();
    EXPECT_EQ(m_sim->GetRegister(0x0095), 0);
}

TEST_F(CommParamWindowTest, SlaveAddressIsLowerCasedButTheNodeIdIsNot)
{
    Read();
    ASSERT_EQ(m_boxes.Count(), 0);
    GuiActions::Enter(PageEdit("slaveAddressEdit"), QStringLiteral("0X1F"));
    GuiActions::Enter(PageEdit("nodeIdEdit"), QStringLiteral("0X1F"));
    Configure();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("操作成功"));
    EXPECT_EQ(m_sim->GetRegister(0x009C), 31);
    EXPECT_EQ(m_sim->GetRegister(0x0121), 0);

    GuiActions::Enter(PageEdit("nodeIdEdit"), QStringLiteral("0x1f"));
    GuiActions::Enter(PageEdit("slaveAddressEdit"), QStringLiteral("16"));
    Configure();
    EXPECT_EQ(m_sim->GetRegister(0x0121), 31);
    EXPECT_EQ(m_sim->GetRegister(0x009C), 16);

    GuiActions::Enter(PageEdit("nodeIdEdit"), QStringLiteral("16"));
    Configure();
    EXPECT_EQ(m_sim->GetRegister(0x0121), 16);
}

TEST_F(CommParamWindowTest, AClosedPortStopsAtTheFirstBlock)
{
    m_dlg->m_master.ClosePort();
    Read();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
    EXPECT_FALSE(PageButton("commWriteButton")->isEnabled());
    EXPECT_EQ(PageEdit("heartbeatEdit")->text(), QString());
}

TEST_F(CommParamWindowTest, AFailedWriteStopsTheSequenceAndShowsItsText)
{
    m_sim->SetRegister(0x0129, 1234);
    Read();
    ASSERT_EQ(m_boxes.Count(), 0);
    // The drive refuses slave address 0: the CAN block is not written after it.
    GuiActions::Enter(PageEdit("slaveAddressEdit"), QStringLiteral("0"));
    GuiActions::Enter(PageEdit("heartbeatEdit"), QStringLiteral("99"));
    GuiActions::Enter(PageEdit("brakeTimeEdit"), QStringLiteral("1.2"));
    Configure();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("非法数据值"));
    EXPECT_EQ(m_sim->GetRegister(0x0095), 12);    // the first block went through
    EXPECT_EQ(m_sim->GetRegister(0x0129), 1234);  // the third was never sent

    m_dlg->m_master.ClosePort();
    m_boxes.Clear();
    Configure();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
}

}  // namespace
