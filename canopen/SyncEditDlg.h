#pragma once
// CSyncEditDlg: the window "编辑SYNC" for the drive's SYNC object: the COB-ID
// (0x1005), the communication cycle period (0x1006) and the synchronous
// window length (0x1007). The drive keeps the times in microseconds; the
// window shows and takes milliseconds. Owned by the communication page,
// created hidden; Enter, Esc and the close box hide it.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "SdoStep.h"
#include "SyncObjects.h"

namespace Ui {
class CSyncEditDlg;
}

class CSyncEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSyncEditDlg(QWidget* parent = nullptr);
    ~CSyncEditDlg() override;

    // Takes the values a read brought (the page's loader's too); those
    // read before a failure count.
    void Keep(const SyncObjects::Reading& read);
    // Shows the members in the controls.
    void ShowSync();

    // Button handlers.
    void OnRead();
    void OnConfigure();

    // Last values read or written; the page's list shows the first two.
    uint32_t m_cobId = 0;
    uint32_t m_cyclePeriod = 0;   // microseconds
    uint32_t m_windowLength = 0;  // microseconds

signals:
    // A configuration went through: the drive has something to store.
    void configured();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateData(bool fromControls);

    std::unique_ptr<Ui::CSyncEditDlg> ui;
    QString m_cobIdText;
    QString m_cyclePeriodText;
    QString m_windowLengthText;
    // Counts the times the window was closed: a result that comes back after
    // its window was closed shows no box.
    int m_closings = 0;
};
