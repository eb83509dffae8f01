#pragma once
// Window tests of the communication page and the CANopen windows on the
// simulated drive.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "AnswerTrigger.h"
#include "CommParamDlg.h"
#include "GuiFixture.h"
#include "ObjectDictDlg.h"
#include "PdoEditDlg.h"
#include "SyncEditDlg.h"
#include "TaskProgress.h"

class CanopenFixture : public CGuiFixture {
protected:
    void TearDown() override
    {
        if (m_dlg) m_dlg->m_master.SetFrameMonitor(nullptr);
        CGuiFixture::TearDown();
    }

    // The drive stops answering for one request right after the answer
    // that uploads `object` ("1A00:04"): a failure at that point of a
    // sequence, whenever the window shows what was read.
    void SilenceAfterUpload(const char* object)
    {
        m_silence = std::make_unique<CAnswerTrigger>(std::string("SDO uploaded ") + object,
                                                     [this] { m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1); });
        m_dlg->m_master.SetFrameMonitor(m_silence.get());
    }
    CCommParamDlg* Page() const { return m_dlg->CommParamPage(); }
    CPdoEditDlg* Pdo() const { return &Page()->m_pdoEditor; }
    CSyncEditDlg* Sync() const { return &Page()->m_syncEditor; }
    QTableWidget* List() const { return Page()->ObjectList(); }

    template <class T>
    static T* In(const QWidget* root, const char* name)
    {
        T* widget = GuiActions::Find<T>(root, name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QPushButton* PageButton(const char* name) const { return In<QPushButton>(Page(), name); }
    QLineEdit* PageEdit(const char* name) const { return In<QLineEdit>(Page(), name); }

    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = List()->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    QStringList RowTexts(int row) const
    {
        QStringList texts;
        for (int c = 0; c < CCommParamDlg::ColumnCount; ++c) texts << Cell(row, c);
        return texts;
    }

    // Serves events until `done` holds; false on time-out.
    template <class Pred>
    static bool WaitUntil(Pred done, int timeoutMs = 8000)
    {
        return QTest::qWaitFor(done, timeoutMs);
    }

    // "载入" of the object list, waiting for the loader to hand the button back.
    bool LoadList()
    {
        QPushButton* load = PageButton("objectsLoadButton");
        GuiActions::Click(load);
        return WaitUntil([&] { return load->isEnabled() && !Page()->m_loading; });
    }

    // A double-click on the row, as the user gives it.
    void DoubleClickRow(int row)
    {
        QTableWidget* list = List();
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Waits for the PDO editor's task to hand back its buttons.
    bool WaitPdoIdle()
    {
        QPushButton* load = In<QPushButton>(Pdo(), "loadButton");
        return WaitUntil([&] { return load->isEnabled() && GuiActions::Settle(); });
    }

    uint32_t Object(uint16_t index, uint8_t sub) const { return m_sim->GetObject(index, sub).value_or(0xDEADBEEF); }

    // Starts a task of `window` with `click` and cancels it from its progress
    // window, as the user does, right after the answer that `answer` names:
    // the link waits there until the cancel is in. False when the task never
    // got there.
    bool CancelAfter(const char* answer, QWidget* window, QAbstractButton* click)
    {
        std::atomic<bool> reached{false};
        std::promise<void> cancelled;
        std::shared_future<void> resume = cancelled.get_future().share();
        CAnswerTrigger trigger(answer, [&reached, resume] {
            reached = true;
            resume.wait_for(std::chrono::seconds(5));
        });
        m_dlg->m_master.SetFrameMonitor(&trigger);
        GuiActions::ClickNoWait(click);
        const bool got = WaitUntil([&] { return reached.load(); });
        const QList<CTaskProgress*> progress = window->findChildren<CTaskProgress*>();
        QPushButton* cancel = progress.isEmpty() ? nullptr : progress.last()->findChild<QPushButton*>();
        if (got) GuiActions::ClickNoWait(cancel);
        cancelled.set_value();
        const bool settled = GuiActions::Settle();
        m_dlg->m_master.SetFrameMonitor(nullptr);
        return got && cancel && settled;
    }

private:
    std::unique_ptr<CAnswerTrigger> m_silence;
};
