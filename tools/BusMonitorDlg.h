#pragma once
// CBusMonitorDlg: the tool window "总线监视". Every frame the master sends
// and receives, in a table with its time, slave, function, summary, result
// and round-trip; filters, pause, clear, CSV and text export, and the
// counts per slave. The frames are kept by a CFrameLog attached to the
// master (the last 100 000; older ones are dropped and counted).

#include <QDialog>
#include <cstdint>
#include <memory>

#include "FrameLog.h"

class QTimer;

namespace Ui {
class CBusMonitorDlg;
}

class CBusMonitorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBusMonitorDlg(QWidget* parent = nullptr, size_t capacity = 100000);
    ~CBusMonitorDlg() override;

    // Takes the new frames into the table (the window's timer does this).
    void Refresh();
    void OnClear();
    void OnExport(bool csv);
    FrameLogText::Filter CurrentFilter() const;
    const CFrameLog& Log() const { return *m_log; }

private:
    void Rebuild();  // after a filter change: the table anew from the log
    void AddRow(const CapturedFrame& frame);
    void ShowCounters();

    std::unique_ptr<Ui::CBusMonitorDlg> ui;
    std::shared_ptr<CFrameLog> m_log;
    QTimer* m_timer = nullptr;
    uint64_t m_next = 0;
    CapturedFrame::Clock::time_point m_origin{};
    bool m_haveOrigin = false;
};
