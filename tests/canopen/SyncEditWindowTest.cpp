// "编辑SYNC": times shown and taken in milliseconds on the digits, the
// COB-ID as typed, refusals and failures.

#include "CanopenFixture.h"

namespace {

class SyncEditWindowTest : public CanopenFixture {
protected:
    QLineEdit* Edit(const char* name) const { return In<QLineEdit>(Sync(), name); }
    void Read() { GuiActions::Click(In<QPushButton>(Sync(), "readButton")); }
    void Configure() { GuiActions::Click(In<QPushButton>(Sync(), "configButton")); }
    void Type(const char* cobId, const char* cycle, const char* window)
    {
        GuiActions::Enter(Edit("cobIdEdit"), QString::fromUtf8(cobId));
        GuiActions::Enter(Edit("cyclePeriodEdit"), QString::fromUtf8(cycle));
        GuiActions::Enter(Edit("windowLengthEdit"), QString::fromUtf8(window));
    }
};

TEST_F(SyncEditWindowTest, ReadShowsMillisecondsAndTheWholeCobId)
{
    m_sim->SetObject(0x1005, 0, 0x40000080);
    m_sim->SetObject(0x1006, 0, 1000);
    m_sim->SetObject(0x1007, 0, 500);
    Read();
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Edit("cobIdEdit")->text(), QStringLiteral("0x40000080"));
    EXPECT_EQ(Edit("cyclePeriodEdit")->text(), QStringLiteral("1.000"));
    EXPECT_EQ(Edit("windowLengthEdit")->text(), QStringLiteral("0.500"));

    m_sim->SetObject(0x1006, 0, 0xFFFFFFFF);  // unsigned, not negative
    Read();
    EXPECT_EQ(Edit("cyclePeriodEdit")->text(), QStringLiteral("4294967.295"));
}

TEST_F(SyncEditWindowTest, ConfigureTakesMillisecondsOnTheDigitsAndAddsNoBit)
{
    Type("80", "1.5", "2.9999");
    Configure();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("操作成功")});
    EXPECT_EQ(Object(0x1005, 0), 0x00000080u);
    EXPECT_EQ(Object(0x1006, 0), 1500u);
    EXPECT_EQ(Object(0x1007, 0), 2999u);

    Type("0x80", "1.001", "0.0004");
    Configure();
    EXPECT_EQ(Object(0x1006, 0), 1001u);
    EXPECT_EQ(Object(0x1007, 0), 0u);
}

TEST_F(SyncEditWindowTest, ASuccessfulConfigurationUpdatesTheListAndHides)
{
    ASSERT_TRUE(LoadList());
    DoubleClickRow(8);
    ASSERT_TRUE(Sync()->isVisible());
    EXPECT_EQ(Edit("cyclePeriodEdit")->text(), QStringLiteral("0.000"));
    Type("0x81", "2", "1");
    Configure();
    EXPECT_EQ(RowTexts(8), (QStringList{"SYNC", "0x00000081", "", "", "2000", ""}));
    EXPECT_TRUE(PageButton("objectsStoreButton")->isEnabled());
    EXPECT_TRUE(WaitUntil([&] { return !Sync()->isVisible(); }));
}

TEST_F(SyncEditWindowTest, ATimeWithNoNumberIsRefusedAndNothingIsWritten)
{
    const auto before = RequestCount();
    Type("81", "", "1");
    Configure();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯间隔时间不是有效的数值，配置未执行")});
    Type("81", "1", "ms");
    Configure();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("同步窗口长度不是有效的数值，配置未执行"));
    EXPECT_EQ(RequestCount(), before);
    EXPECT_EQ(Sync()->m_cobId, 0u);

    // A COB-ID with no number keeps the previous one.
    Sync()->m_cobId = 0x85;
    Type("zz", "1", "1");
    Configure();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("操作成功"));
    EXPECT_EQ(Object(0x1005, 0), 0x85u);
}

TEST_F(SyncEditWindowTest, FailuresShowOneMessageAndLeaveTheControls)
{
    Type("81", "3", "1");
    m_dlg->m_master.ClosePort();
    Read();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
    EXPECT_EQ(Edit("cyclePeriodEdit")->text(), QStringLiteral("3"));

    m_boxes.Clear();
    Configure();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
    EXPECT_EQ(Page()->m_unsaved, 0);
}

}  // namespace
