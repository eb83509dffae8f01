#pragma once
// CSyncEditDlg: the window "编辑SYNC" for the drive's SYNC object: the COB-ID
// (0x1005), the communication cycle period (0x1006) and the synchronous
// window length (0x1007). The drive keeps the times in microseconds; the
// window shows and takes milliseconds. Owned by the communication page,
// created hidden; Enter, Esc and the close box hide it.

#include <QDialog>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "SdoStep.h"
#include "SyncObjects.h"

class CCommParamDlg;
class CModbusMaster;
namespace Ui {
class CSyncEditDlg;
}

class CSyncEditDlg : public QDialog {
    Q_OBJECT
public:
    CSyncEditDlg(CCommParamDlg* page, QWidget* parent = nullptr);
    ~CSyncEditDlg() override;

    // Reads the objects on the calling worker thread (the page's loader);
    // members read before a failure keep their new values. Touches no control.
    SdoStep ReadSync(CModbusMaster& master, uint8_t slave);
    // Shows the members in the controls (UI thread).
    void ShowSync();

    // Button handlers (UI thread).
    void OnRead();
    void OnConfigure();

    // Last values read or written; the page's list shows the first two.
    std::atomic<uint32_t> m_cobId{0};
    std::atomic<uint32_t> m_cyclePeriod{0};   // microseconds
    std::atomic<uint32_t> m_windowLength{0};  // microseconds

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateData(bool fromControls);
    // Takes the values a read brought, up to its failure.
    void Keep(const SyncObjects::Reading& read);

    std::unique_ptr<Ui::CSyncEditDlg> ui;
    CCommParamDlg* m_page;
    QString m_cobIdText;
    QString m_cyclePeriodText;
    QString m_windowLengthText;
    // Counts the times the window was closed: a result that comes back after
    // its window was closed shows no box.
    int m_closings = 0;
};
