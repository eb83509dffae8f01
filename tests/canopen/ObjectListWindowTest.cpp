// "通讯对象配置": loading the PDOs and SYNC through the SDO tunnel on the
// loader, partial rows and their place, opening the editors, and storing.

#include <QAbstractItemModel>

#include "CanopenFixture.h"

namespace {

class ObjectListWindowTest : public CanopenFixture {
protected:
    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < List()->rowCount(); ++row) names << Cell(row, 0);
        return names;
    }
};

TEST_F(ObjectListWindowTest, AFullLoadListsEveryObjectAndSaysSo)
{
    m_sim->SetObject(0x1006, 0, 1000);  // 1 ms
    QPushButton* load = PageButton("objectsLoadButton");
    GuiActions::ClickNoWait(load);
    EXPECT_FALSE(load->isEnabled());
    EXPECT_EQ(load->text(), QStringLiteral("载入…"));
    ASSERT_TRUE(LoadList());

    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("读取完毕")});
    EXPECT_EQ(load->text(), QStringLiteral("载入"));
    EXPECT_FALSE(PageButton("objectsStoreButton")->isEnabled());
    EXPECT_EQ(Names(), (QStringList{"RPDO1", "RPDO2", "RPDO3", "RPDO4", "TPDO1", "TPDO2", "TPDO3", "TPDO4", "SYNC"}));
    // Two entries for a receive PDO: no inhibit or event time to show.
    EXPECT_EQ(RowTexts(0), (QStringList{"RPDO1", "0x00000201", "255", "", "", "2"}));
    EXPECT_EQ(RowTexts(1), (QStringList{"RPDO2", "0x80000301", "255", "", "", "0"}));
    // Five entries for a transmit PDO: sub-indexes 1, 2, 3 and 5 (4 is reserved
    // and absent on this drive, so asking for it would have aborted).
    EXPECT_EQ(RowTexts(4), (QStringList{"TPDO1", "0x40000181", "254", "0", "100", "2"}));
    EXPECT_EQ(RowTexts(8), (QStringList{"SYNC", "0x00000080", "", "", "1000", ""}));
    for (int row = 0; row < 9; ++row) EXPECT_EQ(Page()->RowMark(row), 1) << row;
}

TEST_F(ObjectListWindowTest, AnAbortStopsAtThatPdoAndPutsSyncAboveItsPartialRow)
{
    // TPDO2 claims a sixth entry the drive does not have.
    ASSERT_TRUE(m_sim->SetObject(0x1801, 0, 6));
    ASSERT_TRUE(LoadList());
    EXPECT_EQ(m_boxes.Texts(),
              QStringList{QStringLiteral("访问对象(索引号:0x1801,子索引:6)传送终止：子索引不存在 (0x06090011)")});
    EXPECT_EQ(Names(), (QStringList{"RPDO1", "RPDO2", "RPDO3", "RPDO4", "TPDO1", "SYNC", "TPDO2"}));
    EXPECT_EQ(RowTexts(6), (QStringList{"TPDO2", "0xC0000281", "254", "0", "0", ""}));
    EXPECT_EQ(Page()->RowMark(5), 1);
    EXPECT_EQ(Page()->RowMark(6), 0);

    // The partial row cannot be opened.
    DoubleClickRow(6);
    GuiActions::Pump(50);
    EXPECT_FALSE(Pdo()->isVisible());
    EXPECT_FALSE(Sync()->isVisible());
}

TEST_F(ObjectListWindowTest, ATimeOutWhileLoadingTpdo2GivesOneMessage)
{
    // Silence the drive for one answer just as TPDO1 completes (its mapping
    // count read): the next request is the first one for TPDO2.
    SilenceAfterUpload("1A00:00");
    ASSERT_TRUE(LoadList());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯超时")});
    EXPECT_EQ(Names(), (QStringList{"RPDO1", "RPDO2", "RPDO3", "RPDO4", "TPDO1", "SYNC", "TPDO2"}));
    EXPECT_EQ(RowTexts(6), (QStringList{"TPDO2", "", "", "", "", ""}));
    EXPECT_EQ(RowTexts(5), (QStringList{"SYNC", "0x00000080", "", "", "0", ""}));
    EXPECT_EQ(Page()->RowMark(6), 0);
    EXPECT_TRUE(PageButton("objectsLoadButton")->isEnabled());
}

TEST_F(ObjectListWindowTest, ACancelledLoadShowsWhatItReadAndSaysNothing)
{
    // Cancelled at the answer of RPDO3's first read: that read is not taken,
    // and SYNC is not read; its row goes below the two PDOs read completely.
    ASSERT_TRUE(CancelAfter("SDO uploaded 1402:00", Page(), PageButton("objectsLoadButton")));
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Names(), (QStringList{"RPDO1", "RPDO2", "SYNC", "RPDO3"}));
    EXPECT_EQ(RowTexts(1), (QStringList{"RPDO2", "0x80000301", "255", "", "", "0"}));
    EXPECT_EQ(Page()->RowMark(1), 1);
    EXPECT_EQ(RowTexts(2), (QStringList{"SYNC", "0x00000000", "", "", "0", ""}));
    EXPECT_EQ(RowTexts(3), (QStringList{"RPDO3", "", "", "", "", ""}));
    EXPECT_EQ(Page()->RowMark(3), 0);
    EXPECT_TRUE(PageButton("objectsLoadButton")->isEnabled());
    EXPECT_EQ(PageButton("objectsLoadButton")->text(), QStringLiteral("载入"));
    EXPECT_FALSE(PageButton("objectsStoreButton")->isEnabled());

    // The link is free again.
    ASSERT_TRUE(LoadList());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("读取完毕")});
    EXPECT_EQ(List()->rowCount(), 9);
}

TEST_F(ObjectListWindowTest, AClosedPortLeavesTheSyncRowAboveTheFirstPdo)
{
    m_dlg->m_master.ClosePort();
    ASSERT_TRUE(LoadList());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
    EXPECT_EQ(Names(), (QStringList{"SYNC", "RPDO1"}));
    EXPECT_EQ(RowTexts(0), (QStringList{"SYNC", "0x00000000", "", "", "0", ""}));
}

TEST_F(ObjectListWindowTest, DoubleClickOpensTheRowsEditorCentredOverThePage)
{
    ASSERT_TRUE(LoadList());
    m_dlg->ShowPage(3);
    DoubleClickRow(8);
    ASSERT_TRUE(Sync()->isVisible());
    EXPECT_EQ(In<QLineEdit>(Sync(), "cobIdEdit")->text(), QStringLiteral("0x80"));
    const QRect page(Page()->mapToGlobal(QPoint(0, 0)), Page()->size());
    const QRect sync = Sync()->frameGeometry();
    EXPECT_EQ(sync.left(), page.left() + (page.width() - sync.width()) / 2);
    EXPECT_EQ(sync.top(), page.top() + (page.height() - sync.height()) / 2);

    DoubleClickRow(4);
    EXPECT_FALSE(Sync()->isVisible());
    ASSERT_TRUE(Pdo()->isVisible());
    ASSERT_TRUE(WaitPdoIdle());
    const QRect pdo = Pdo()->frameGeometry();
    EXPECT_EQ(pdo.left(), page.left() + (page.width() - pdo.width()) / 2);
    EXPECT_EQ(pdo.top(), page.top() + (page.height() - pdo.height()) / 2);
    EXPECT_EQ(In<QLineEdit>(Pdo(), "cobIdEdit")->text(), QStringLiteral("0x180"));

    DoubleClickRow(8);
    EXPECT_FALSE(Pdo()->isVisible());
    EXPECT_TRUE(Sync()->isVisible());
    EXPECT_EQ(m_boxes.Count(), 1);  // "读取完毕" only
}

TEST_F(ObjectListWindowTest, DoubleClickWhileLoadingDoesNothing)
{
    ASSERT_TRUE(LoadList());
    List()->selectRow(0);
    bool tried = false;
    // While the loader hands over the second row, the user double-clicks.
    QObject::connect(List()->model(), &QAbstractItemModel::rowsInserted, List(), [&](const QModelIndex&, int first) {
        if (first != 1 || tried) return;
        tried = true;
        List()->item(0, 0)->setData(Qt::UserRole, 1);  // as if complete
        List()->selectRow(0);
        Page()->OnListDoubleClicked();
    });
    ASSERT_TRUE(LoadList());
    EXPECT_TRUE(tried);
    EXPECT_FALSE(Pdo()->isVisible());
    EXPECT_FALSE(Sync()->isVisible());
}

TEST_F(ObjectListWindowTest, StoreOnlyAfterAConfigurationAndOnceItSucceeded)
{
    QPushButton* store = PageButton("objectsStoreButton");
    EXPECT_FALSE(store->isEnabled());
    Page()->StoreParameters();  // what it would do with nothing to store
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("没有要保存的参数"));

    ASSERT_TRUE(LoadList());
    DoubleClickRow(8);
    GuiActions::Click(In<QPushButton>(Sync(), "configButton"));
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("操作成功"));
    EXPECT_TRUE(store->isEnabled());
    EXPECT_EQ(Page()->m_unsaved, 1);

    // A load keeps the unsaved state but takes the button away until the next configuration.
    ASSERT_TRUE(LoadList());
    EXPECT_FALSE(store->isEnabled());
    EXPECT_EQ(Page()->m_unsaved, 1);
    DoubleClickRow(8);
    GuiActions::Click(In<QPushButton>(Sync(), "configButton"));
    ASSERT_TRUE(store->isEnabled());

    m_boxes.Clear();
    GuiActions::Click(store);
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("保存成功")});
    EXPECT_FALSE(store->isEnabled());
    EXPECT_EQ(Page()->m_unsaved, 0);
}

class ObjectListStoreFailsTest : public ObjectListWindowTest {
protected:
    zoric::sim::SimOptions SimulatorOptions() const override
    {
        zoric::sim::SimOptions options;
        options.stateFile = "/nonexistent-directory/zoric-drive.state";
        return options;
    }
};

TEST_F(ObjectListStoreFailsTest, AFailedStoreKeepsTheButtonAndTheUnsavedState)
{
    ASSERT_TRUE(LoadList());
    DoubleClickRow(8);
    GuiActions::Click(In<QPushButton>(Sync(), "configButton"));
    QPushButton* store = PageButton("objectsStoreButton");
    ASSERT_TRUE(store->isEnabled());
    m_boxes.Clear();
    GuiActions::Click(store);
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral(
                                   "访问对象(索引号:0x1010,子索引:1)传送终止：硬件错误导致对象访问失败 (0x06060000)")});
    EXPECT_TRUE(store->isEnabled());
    EXPECT_EQ(Page()->m_unsaved, 1);

    m_dlg->m_master.ClosePort();
    m_boxes.Clear();
    GuiActions::Click(store);
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("串口未打开")});
    EXPECT_TRUE(store->isEnabled());
}

}  // namespace
