#pragma once
// CBusMonitorDlg: the tool window "总线监视". Every frame the master sends
// and receives, in a table with its time, slave, function, summary, result
// and round-trip; filters, pause, clear, CSV and text export, and the
// counts per slave. The frames are kept by a CFrameLog attached to the
// master (the last 100 000; older ones are dropped and counted). Listen-only
// opens the main window's port itself, with its line settings, and shows the
// frames of other masters and slaves without sending a byte.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "FrameLog.h"
#include "LineListener.h"

class QTimer;

namespace Ui {
class CBusMonitorDlg;
}

class CBusMonitorDlg : public QDialog {
    Q_OBJECT
public:
    // The port and mode text ("9600,n,8,2") the main window has chosen.
    struct ListenPort {
        std::string name;
        std::string mode;
    };
    using ListenTarget = std::function<ListenPort()>;

    // Without a target the window cannot listen.
    explicit CBusMonitorDlg(QWidget* parent = nullptr, size_t capacity = 100000, ListenTarget listenTarget = {});
    ~CBusMonitorDlg() override;

    // Takes the new frames into the table (the window's timer does this).
    void Refresh();
    void OnClear();
    void OnExport(bool csv);
    // Starts or stops listen-only; refused while the main window holds the port.
    void OnListen(bool on);
    bool Listening() const { return m_listener.IsListening(); }
    FrameLogText::Filter CurrentFilter() const;
    const CFrameLog& Log() const { return *m_log; }

private:
    void Rebuild();  // after a filter change: the table anew from the log
    void AddRow(const CapturedFrame& frame);
    void ShowCounters();
    void ShowListenState();
    static QString LineErrorText(const LineErrorCounts& counts);
    void StopListening(const QString& why);

    std::unique_ptr<Ui::CBusMonitorDlg> ui;
    std::shared_ptr<CFrameLog> m_log;
    QTimer* m_timer = nullptr;
    uint64_t m_next = 0;
    CapturedFrame::Clock::time_point m_origin{};
    bool m_haveOrigin = false;
    ListenTarget m_listenTarget;
    QString m_listening;                  // "COM3 9600,n,8,2" while listening
    LineErrorCounts m_linkErrorsAtClear;  // the master's line errors are shown from here
    CLineListener m_listener;             // last: stopped before the log goes
};
