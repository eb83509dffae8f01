// The CANopen windows while the drive does not answer: the UI thread goes on
// serving events, and a window closed before its answer came shows nothing.

#include <QCursor>
#include <QTimer>
#include <memory>

#include "CanopenFixture.h"

namespace {

using zoric::sim::SimFault;

class SilentDriveWindowTest : public CanopenFixture {
protected:
    CObjectDictDlg* Dict() const { return m_dlg->ObjectDictTool(); }
    QPushButton* Operate() const { return In<QPushButton>(Dict(), "operateButton"); }
    QPushButton* SyncButton(const char* name) const { return In<QPushButton>(Sync(), name); }
    QLineEdit* SyncEdit(const char* name) const { return In<QLineEdit>(Sync(), name); }

    // The drive says nothing to the next request: the exchange ends with
    // the master's time-out.
    void Silence() { m_sim->InjectFault(SimFault::NoAnswer, 1); }

    // Clicks and checks that the handler came back with its exchange still
    // running: the button off, the wait cursor over its window, and an event
    // posted now served before the answer.
    void ClickWhileSilent(QAbstractButton* button)
    {
        GuiActions::ClickNoWait(button);
        EXPECT_FALSE(m_dlg->Link().Idle());
        EXPECT_FALSE(button->isEnabled());
        EXPECT_EQ(button->window()->cursor().shape(), Qt::WaitCursor);

        struct Seen {
            bool served = false;
            bool pending = false;
        };
        auto seen = std::make_shared<Seen>();
        QTimer::singleShot(0, button, [this, seen] {
            seen->served = true;
            seen->pending = !m_dlg->Link().Idle();
        });
        EXPECT_TRUE(WaitUntil([seen] { return seen->served; }));
        EXPECT_TRUE(seen->pending);
        EXPECT_EQ(m_boxes.Count(), 0);
    }

    void ExpectIdleAgain(QAbstractButton* button)
    {
        EXPECT_TRUE(button->isEnabled());
        EXPECT_NE(button->window()->cursor().shape(), Qt::WaitCursor);
    }
};

TEST_F(SilentDriveWindowTest, ThePageReadLeavesTheUiFreeAndReportsTheTimeOut)
{
    QPushButton* read = PageButton("commReadButton");
    Silence();
    ClickWhileSilent(read);

    ASSERT_TRUE(GuiActions::Settle());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯超时")});
    ExpectIdleAgain(read);
    EXPECT_FALSE(PageButton("commWriteButton")->isEnabled());
    EXPECT_EQ(PageEdit("heartbeatEdit")->text(), QString());

    // The drive answers again: the same button reads the blocks.
    m_sim->SetRegister(0x0129, 1000);
    GuiActions::Click(read);
    EXPECT_EQ(m_boxes.Count(), 1);
    EXPECT_EQ(PageEdit("heartbeatEdit")->text(), QStringLiteral("1000"));
}

TEST_F(SilentDriveWindowTest, TheDictionaryAnswerKeepsWhatWasTypedWhileItRan)
{
    Dict()->show();
    GuiActions::Enter(In<QLineEdit>(Dict(), "indexEdit"), QStringLiteral("1018"));
    Silence();
    ClickWhileSilent(Operate());
    // The user types the next object while the drive keeps silent.
    GuiActions::Type(In<QLineEdit>(Dict(), "indexEdit"), QStringLiteral("1001"));

    ASSERT_TRUE(GuiActions::Settle());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯超时")});
    ExpectIdleAgain(Operate());
    EXPECT_EQ(In<QLineEdit>(Dict(), "requestEdit")->text(), QString());
    EXPECT_EQ(In<QLineEdit>(Dict(), "indexEdit")->text(), QStringLiteral("1001"));
}

TEST_F(SilentDriveWindowTest, AWindowClosedBeforeItsAnswerShowsNoBox)
{
    Dict()->show();
    Silence();
    GuiActions::ClickNoWait(Operate());
    Dict()->close();
    ASSERT_TRUE(GuiActions::Settle());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(In<QLineEdit>(Dict(), "requestEdit")->text(), QString());

    // Shown again, it reports as before.
    Dict()->show();
    Silence();
    GuiActions::Click(Operate());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("通讯超时")});
}

TEST_F(SilentDriveWindowTest, TheSyncEditorClosedWhileConfiguringStillUpdatesTheList)
{
    ASSERT_TRUE(LoadList());
    m_boxes.Clear();
    DoubleClickRow(8);
    ASSERT_TRUE(Sync()->isVisible());

    // A failure after closing: no box, nothing to store.
    GuiActions::Enter(SyncEdit("cyclePeriodEdit"), QStringLiteral("2"));
    Silence();
    ClickWhileSilent(SyncButton("configButton"));
    Sync()->close();
    ASSERT_TRUE(GuiActions::Settle());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Page()->m_unsaved, 0);

    // A success after closing: no box, but the drive has the values, so the
    // list shows them and they can be stored.
    DoubleClickRow(8);
    ASSERT_TRUE(Sync()->isVisible());
    GuiActions::Enter(SyncEdit("cobIdEdit"), QStringLiteral("0x81"));
    GuiActions::Enter(SyncEdit("cyclePeriodEdit"), QStringLiteral("3"));
    GuiActions::ClickNoWait(SyncButton("configButton"));
    Sync()->close();
    ASSERT_TRUE(GuiActions::Settle());
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(Object(0x1006, 0), 3000u);
    EXPECT_EQ(RowTexts(8), (QStringList{"SYNC", "0x00000081", "", "", "3000", ""}));
    EXPECT_EQ(Page()->m_unsaved, 1);
    EXPECT_TRUE(PageButton("objectsStoreButton")->isEnabled());
    GuiActions::Pump(20);
    EXPECT_FALSE(Sync()->isVisible());
}

TEST_F(SilentDriveWindowTest, ClosingTheMainWindowDropsWhatTheWindowsAwait)
{
    Sync()->show();
    Dict()->show();
    Silence();
    GuiActions::ClickNoWait(SyncButton("readButton"));
    GuiActions::ClickNoWait(PageButton("commReadButton"));
    GuiActions::ClickNoWait(Operate());
    // The first may not have started yet; the others wait behind it.
    EXPECT_GE(m_dlg->Link().Queued(), 2u);
    const uint64_t requests = RequestCount();

    m_dlg.reset();
    GuiActions::Pump(50);
    EXPECT_EQ(m_boxes.Count(), 0);
    // Only the exchange in flight reached the drive.
    EXPECT_LE(RequestCount(), requests + 1);
}

}  // namespace
