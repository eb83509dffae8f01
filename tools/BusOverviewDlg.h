#pragma once
// CBusOverviewDlg: the tool window "总线总览". Lists the drives of the line
// (typed, taken from the scan window, or remembered from last time) and,
// while polling, reads them in turn on the link at the main window's line
// settings: one drive a step, a periodic read, so the main window's own poll
// keeps its place between them. A drive that stops answering stays listed;
// one found at other line settings is listed but not polled. Double-click
// makes a drive the main window's.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "BusOverview.h"
#include "DriveConfig.h"
#include "DriveScan.h"

class QTimer;

namespace Ui {
class CBusOverviewDlg;
}

// What the overview needs of the main window.
struct BusOverviewHost {
    // The main window's line settings and address now.
    std::function<Backup::LinkSettings()> current;
    // The drives the scan window found last (none when it has not run).
    std::function<std::vector<DriveScan::Found>()> scanned;
    // A drive chosen by double-click: the main window's address becomes it.
    std::function<void(uint8_t slave)> useAddress;
    QString tool;  // what made a backed-up file, with its version
};

class CBusOverviewDlg : public QDialog {
    Q_OBJECT
public:
    CBusOverviewDlg(QWidget* parent, BusOverviewHost host);
    ~CBusOverviewDlg() override;

    void OnAdd();
    void OnAddScanned();
    void OnRemove();
    void OnPoll(bool on);
    void OnExport();
    // One file per selected drive into a folder, one drive after another.
    void OnBackup();
    // One file into every selected drive (CBatchLoad); the poll stops first.
    void OnLoad();
    void OnUse(int row);

    const CBusOverview& Overview() const { return m_overview; }
    bool Polling() const;
    // Reads answered or failed since the window was made.
    uint64_t Reads() const { return m_reads; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    struct Read;
    void Step();
    void Apply(const Read& read);
    void Refresh();
    void UpdatePeriod();
    void TakeLine();
    void Remember() const;
    std::vector<uint8_t> Selected() const;
    // The selected drives on the main window's line; none said in a box.
    std::vector<uint8_t> SelectedOnLine();
    QString WriteBackup(const QString& folder, uint8_t slave, const Backup::ReadResult& read) const;
    void Recall();

    std::unique_ptr<Ui::CBusOverviewDlg> ui;
    BusOverviewHost m_host;
    CBusOverview m_overview;
    QTimer* m_timer = nullptr;
    bool m_pending = false;  // one read on the link at a time
    uint64_t m_reads = 0;
};
