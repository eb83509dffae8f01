// "编辑PDO": opening from the list or the drive, the COB-ID masks, the write
// sequence of a configuration, refusals, failures and stops.

#include <map>
#include <string>

#include <QGroupBox>

#include "CanopenFixture.h"

namespace {

class PdoEditWindowTest : public CanopenFixture {
protected:
    QLineEdit* Edit(const char* name) const { return In<QLineEdit>(Pdo(), name); }
    // A mapping row's edit by its column ("Index", "Sub", "Bits") and row number.
    QLineEdit* Row(const std::string& what, int j) const
    {
        const std::map<std::string, std::string> columns = {{"Index", "mapIndexEdit"},
                                                            {"Sub", "mapSubEdit"},
                                                            {"Bits", "mapBitsEdit"}};
        return In<QLineEdit>(Pdo(), (columns.at(what) + std::to_string(j)).c_str());
    }
    QCheckBox* Tick(int j) const
    {
        return In<QCheckBox>(Pdo(), QStringLiteral("mapCheck%1").arg(j).toLatin1().constData());
    }
    QPushButton* Load() const { return In<QPushButton>(Pdo(), "loadButton"); }
    QPushButton* Configure() const { return In<QPushButton>(Pdo(), "configButton"); }

    // Loads the list and opens PDO `row` from it, waiting for the editor's load.
    void OpenFromList(int row)
    {
        ASSERT_TRUE(LoadList());
        m_boxes.Clear();
        DoubleClickRow(row);
        ASSERT_TRUE(Pdo()->isVisible());
        ASSERT_TRUE(WaitPdoIdle());
    }
    bool ConfigureAndWait()
    {
        GuiActions::Click(Configure());
        return WaitUntil([&] { return Configure()->isEnabled() && GuiActions::Settle(); });
    }
};

TEST_F(PdoEditWindowTest, Tpdo1FromTheListShowsTheMaskedCobIdAndWritesBit30Back)
{
    OpenFromList(4);
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(In<QGroupBox>(Pdo(), "pdoGroup")->title(), QStringLiteral("TPDO1参数设置"));
    EXPECT_EQ(Edit("cobIdEdit")->text(), QStringLiteral("0x180"));  // from 0x40000181
    EXPECT_EQ(Edit("transTypeEdit")->text(), QStringLiteral("254"));
    EXPECT_EQ(Edit("inhibitTimeEdit")->text(), QStringLiteral("0"));
    EXPECT_EQ(Edit("eventTimeEdit")->text(), QStringLiteral("100"));
    EXPECT_TRUE(Edit("eventTimeEdit")->isEnabled());
    EXPECT_EQ(Edit("countEdit")->text(), QStringLiteral("2"));
    EXPECT_EQ(Row("Index", 1)->text(), QStringLiteral("0x2001"));
    EXPECT_EQ(Row("Sub", 1)->text(), QStringLiteral("1"));
    EXPECT_EQ(Row("Bits", 1)->text(), QStringLiteral("32"));
    EXPECT_EQ(Row("Index", 8)->text(), QStringLiteral("0x0000"));
    for (int j = 1; j <= 8; ++j) EXPECT_FALSE(Tick(j)->isChecked());
    EXPECT_EQ(Load()->text(), QStringLiteral("重新载入"));
    EXPECT_TRUE(Configure()->isEnabled());

    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("配置成功")});
    EXPECT_EQ(Object(0x1800, 1), 0x40000180u);
    // No row ticked: the entries stay, the count goes back as typed.
    EXPECT_EQ(Object(0x1A00, 1), 0x20010120u);
    EXPECT_EQ(Object(0x1A00, 0), 2u);
    EXPECT_TRUE(WaitUntil([&] { return !Pdo()->isVisible(); }));
    EXPECT_EQ(Cell(4, CCommParamDlg::ColCobId), QStringLiteral("0x40000180"));
    EXPECT_TRUE(PageButton("objectsStoreButton")->isEnabled());
    EXPECT_EQ(Page()->m_unsaved, 1);
}

TEST_F(PdoEditWindowTest, ReloadReadsTheCommunicationObjectFromTheDrive)
{
    OpenFromList(4);
    GuiActions::ClickNoWait(Load());
    EXPECT_EQ(Load()->text(), QStringLiteral("载入中…"));
    ASSERT_TRUE(WaitPdoIdle());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Edit("cobIdEdit")->text(), QStringLiteral("0x00000180"));
    EXPECT_EQ(Edit("countEdit")->text(), QStringLiteral("2"));
    EXPECT_EQ(Edit("eventTimeEdit")->text(), QStringLiteral("100"));
    EXPECT_TRUE(Configure()->isEnabled());
    EXPECT_EQ(Pdo()->m_reload, 0);
}

TEST_F(PdoEditWindowTest, ReloadOnAClosedPortReportsTheCommunicationAndTheMappingPart)
{
    OpenFromList(4);
    m_dlg->m_master.ClosePort();
    GuiActions::Click(Load());
    ASSERT_TRUE(WaitPdoIdle());
    // The mapping is read even after the first part failed.
    EXPECT_EQ(m_boxes.Texts(), (QStringList{QStringLiteral("串口未打开"), QStringLiteral("串口未打开")}));
    EXPECT_FALSE(Configure()->isEnabled());
    EXPECT_EQ(Load()->text(), QStringLiteral("重新载入"));
}

TEST_F(PdoEditWindowTest, AReceivePdoFromTheListHasNoTimes)
{
    OpenFromList(1);
    EXPECT_EQ(In<QGroupBox>(Pdo(), "pdoGroup")->title(), QStringLiteral("RPDO2参数设置"));
    EXPECT_EQ(Edit("cobIdEdit")->text(), QStringLiteral("0x300"));
    EXPECT_EQ(Edit("inhibitTimeEdit")->text(), QString());
    EXPECT_EQ(Edit("eventTimeEdit")->text(), QString());
    EXPECT_FALSE(Edit("inhibitTimeEdit")->isEnabled());
    EXPECT_FALSE(Edit("eventTimeEdit")->isEnabled());
}

TEST_F(PdoEditWindowTest, TickedRowsAreWrittenBetweenCountZeroAndTheCount)
{
    OpenFromList(0);
    Tick(1)->setChecked(true);
    Tick(2)->setChecked(true);
    GuiActions::Enter(Row("Index", 1), QStringLiteral("0x2000"));
    GuiActions::Enter(Row("Sub", 1), QStringLiteral("1"));
    GuiActions::Enter(Row("Bits", 1), QStringLiteral("16"));
    GuiActions::Enter(Row("Index", 2), QStringLiteral("0x2001"));
    GuiActions::Enter(Row("Sub", 2), QStringLiteral("2"));
    GuiActions::Enter(Row("Bits", 2), QStringLiteral("32"));
    GuiActions::Enter(Edit("countEdit"), QStringLiteral("2"));
    GuiActions::Enter(Edit("transTypeEdit"), QStringLiteral("1"));
    ASSERT_TRUE(ConfigureAndWait());
    // The drive takes entries only while the count is 0, and checks the
    // entries against the count: any other order would have aborted.
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("配置成功")});
    EXPECT_EQ(Object(0x1600, 1), 0x20000110u);
    EXPECT_EQ(Object(0x1600, 2), 0x20010220u);
    EXPECT_EQ(Object(0x1600, 0), 2u);
    EXPECT_EQ(Object(0x1400, 1), 0x40000200u);
    EXPECT_EQ(Object(0x1400, 2), 1u);
    // Two entries on the drive: times stay empty in the list after the refresh.
    EXPECT_EQ(RowTexts(0), (QStringList{"RPDO1", "0x40000200", "1", "", "", "2"}));
}

TEST_F(PdoEditWindowTest, AFieldWithNoNumberIsRefusedBeforeAnythingIsWritten)
{
    OpenFromList(4);
    GuiActions::Enter(Edit("inhibitTimeEdit"), QString());
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("禁止时间为空或不是有效的数值，配置未执行")});
    EXPECT_EQ(Object(0x1800, 1), 0x40000181u);
    EXPECT_TRUE(Pdo()->isVisible());

    OpenFromList(1);
    Tick(3)->setChecked(true);
    GuiActions::Enter(Row("Bits", 3), QString());
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("映射对象3的位数为空或不是有效的数值，配置未执行")});

    m_boxes.Clear();
    Tick(3)->setChecked(false);
    GuiActions::Enter(Edit("cobIdEdit"), QStringLiteral("0x"));
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("COB-ID为空或不是有效的数值，配置未执行")});
    EXPECT_EQ(Object(0x1401, 1), 0x80000301u);
    EXPECT_EQ(Page()->m_unsaved, 0);
}

TEST_F(PdoEditWindowTest, AnAbortWhileConfiguringKeepsTheEditorOpen)
{
    OpenFromList(4);
    Tick(1)->setChecked(true);
    GuiActions::Enter(Row("Index", 1), QStringLiteral("0x2003"));
    GuiActions::Enter(Row("Sub", 1), QStringLiteral("0"));
    GuiActions::Enter(Row("Bits", 1), QStringLiteral("32"));
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral(
                                   "访问对象(索引号:0x1A00,子索引:1)传送终止：对象不能够映射到PDO (0x06040041)")});
    EXPECT_EQ(Configure()->text(), QStringLiteral("配置"));
    EXPECT_TRUE(Load()->isEnabled());
    GuiActions::Pump(50);
    EXPECT_TRUE(Pdo()->isVisible());
    EXPECT_EQ(Object(0x1A00, 0), 0u);  // switched off before the failing entry
    EXPECT_FALSE(PageButton("objectsStoreButton")->isEnabled());
}

TEST_F(PdoEditWindowTest, ACancelledConfigurationStopsBetweenItsStepsAndKeepsTheEditorOpen)
{
    OpenFromList(4);
    Tick(1)->setChecked(true);
    GuiActions::Enter(Row("Index", 1), QStringLiteral("0x2001"));
    GuiActions::Enter(Row("Sub", 1), QStringLiteral("1"));
    GuiActions::Enter(Row("Bits", 1), QStringLiteral("32"));
    GuiActions::Enter(Edit("countEdit"), QStringLiteral("1"));
    // Cancelled once the mapping is switched off for the change.
    ASSERT_TRUE(CancelAfter("SDO downloaded 1A00:00", Pdo(), Configure()));
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Object(0x1800, 1), 0x40000180u) << "the communication part went through";
    EXPECT_EQ(Object(0x1A00, 0), 0u) << "nothing after the step the cancel found";
    GuiActions::Pump(50);
    EXPECT_TRUE(Pdo()->isVisible());
    EXPECT_EQ(Configure()->text(), QStringLiteral("配置"));
    EXPECT_TRUE(Configure()->isEnabled());
    EXPECT_TRUE(Load()->isEnabled());
    EXPECT_EQ(Page()->m_unsaved, 0);
    EXPECT_FALSE(PageButton("objectsStoreButton")->isEnabled());

    // Configured again, it goes through.
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("配置成功")});
    EXPECT_EQ(Object(0x1A00, 0), 1u);
    EXPECT_EQ(Object(0x1A00, 1), 0x20010120u);
}

TEST_F(PdoEditWindowTest, ALoadFailingAtMappingSubIndex5LeavesRowsOneToFour)
{
    OpenFromList(4);
    m_boxes.Clear();
    SilenceAfterUpload("1A00:04");  // the drive goes quiet after mapping row 4
    GuiActions::Click(Load());
    ASSERT_TRUE(WaitPdoIdle());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯超时")});
    EXPECT_EQ(Row("Index", 4)->text(), QStringLiteral("0x0000"));
    EXPECT_EQ(Row("Index", 5)->text(), QString());
    EXPECT_FALSE(Configure()->isEnabled());
    EXPECT_EQ(Load()->text(), QStringLiteral("重新载入"));
}

TEST_F(PdoEditWindowTest, OpeningAnotherPdoStopsTheRunningLoadQuietly)
{
    ASSERT_TRUE(LoadList());
    m_boxes.Clear();
    DoubleClickRow(4);
    DoubleClickRow(5);  // while TPDO1 is still loading
    ASSERT_TRUE(WaitPdoIdle());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(In<QGroupBox>(Pdo(), "pdoGroup")->title(), QStringLiteral("TPDO2参数设置"));
    EXPECT_EQ(Edit("cobIdEdit")->text(), QStringLiteral("0x280"));
    EXPECT_EQ(Row("Index", 1)->text(), QStringLiteral("0x0000"));
    EXPECT_TRUE(Configure()->isEnabled());
}

TEST_F(PdoEditWindowTest, ClosingTheProgramDuringAConfigurationEndsTheWorker)
{
    OpenFromList(4);
    GuiActions::Click(Configure());
    m_dlg.reset();  // the page and its editors go while the worker runs
    EXPECT_EQ(g_pMainDlg, nullptr);
}

}  // namespace

namespace {

// A drive whose receive PDOs have the inhibit and event times too.
class FiveEntryRpdoTest : public PdoEditWindowTest {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.rpdoCommEntries = 5;
        return options;
    }
};

TEST_F(FiveEntryRpdoTest, FromTheListTheDisabledEmptyTimesAreLeftToTheDrive)
{
    ASSERT_TRUE(m_sim->SetObject(0x1401, 3, 30));
    ASSERT_TRUE(m_sim->SetObject(0x1401, 5, 700));
    OpenFromList(1);
    EXPECT_EQ(Edit("inhibitTimeEdit")->text(), QString());
    EXPECT_FALSE(Edit("inhibitTimeEdit")->isEnabled());
    EXPECT_FALSE(Edit("eventTimeEdit")->isEnabled());
    GuiActions::Enter(Edit("cobIdEdit"), QStringLiteral("0x310"));

    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("配置成功")});
    EXPECT_EQ(Object(0x1401, 1), 0x40000310u);
    EXPECT_EQ(Object(0x1401, 3), 30u) << "the drive keeps its inhibit time";
    EXPECT_EQ(Object(0x1401, 5), 700u) << "and its event time";
}

TEST_F(FiveEntryRpdoTest, ReloadedTimesGoBackAndTheOtherFieldsAreStillChecked)
{
    ASSERT_TRUE(m_sim->SetObject(0x1400, 5, 700));
    OpenFromList(0);
    GuiActions::Click(Load());
    ASSERT_TRUE(WaitPdoIdle());
    EXPECT_EQ(Edit("eventTimeEdit")->text(), QStringLiteral("700"));
    EXPECT_FALSE(Edit("eventTimeEdit")->isEnabled());
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("配置成功")});
    EXPECT_EQ(Object(0x1400, 5), 700u);

    // A field the write sends must still hold a number.
    OpenFromList(0);
    GuiActions::Enter(Edit("transTypeEdit"), QString());
    const uint64_t before = RequestCount();
    ASSERT_TRUE(ConfigureAndWait());
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("传输类型为空或不是有效的数值，配置未执行"));
    EXPECT_EQ(RequestCount(), before + 2) << "only sub-index 0 was read: one SDO, two requests";
}

}  // namespace
