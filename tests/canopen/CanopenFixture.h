#pragma once
// Window tests of the communication page and the CANopen windows on the
// simulated drive.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "CommParamDlg.h"
#include "GuiFixture.h"
#include "ObjectDictDlg.h"
#include "PdoEditDlg.h"
#include "SyncEditDlg.h"

class CanopenFixture : public CGuiFixture {
protected:
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
        QPushButton* load = PageButton("buttonObjectsLoad");
        GuiActions::Click(load);
        const bool ended = WaitUntil([&] { return load->isEnabled() && Page()->m_loading.load() == 0; });
        return ended && WaitUntil([&] { return m_dlg->m_pollPaused.load() == 0; });
    }

    // A double-click on the row, as the user gives it.
    void DoubleClickRow(int row)
    {
        QTableWidget* list = List();
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Waits for the PDO editor's worker to hand back its buttons.
    bool WaitPdoIdle()
    {
        QPushButton* load = In<QPushButton>(Pdo(), "buttonLoad");
        return WaitUntil([&] { return load->isEnabled() && m_dlg->m_pollPaused.load() == 0; });
    }

    uint32_t Object(uint16_t index, uint8_t sub) const { return m_sim->GetObject(index, sub).value_or(0xDEADBEEF); }
};
