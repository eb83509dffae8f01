#pragma once
// CDriveScanDlg: the tool window "扫描设备". Asks every address of a range
// at the baud rates and parities ticked for its device information, on the
// link thread (the port is reopened at each setting and given back as it
// was), lists the drives that answered, and sets the main window's address
// and line settings to the one chosen.

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "DriveConfig.h"
#include "DriveScan.h"

class CModbusMaster;
class CJobControl;
class QTimer;

namespace Ui {
class CDriveScanDlg;
}

// What the scan needs of the main window.
struct DriveScanHost {
    // UI thread: reopens the open port at other settings on the link thread;
    // empty when no port is open.
    std::function<std::function<bool(CModbusMaster&, const Backup::LinkSettings&)>()> reopener;
    // The address and line settings in effect now.
    std::function<Backup::LinkSettings()> current;
    // After the port was reopened for the drive chosen (none: it failed).
    std::function<void(const std::optional<Backup::LinkSettings>&)> linkChanged;
};

class CDriveScanDlg : public QDialog {
    Q_OBJECT
public:
    CDriveScanDlg(QWidget* parent, DriveScanHost host);
    ~CDriveScanDlg() override;

    void OnStart();
    void OnCancel();
    void OnUse();
    const std::vector<DriveScan::Found>& Found() const { return m_found; }
    bool Running() const { return m_control != nullptr; }

private:
    struct Shared;
    void Tick();
    void Finished(const DriveScan::Result& result);
    void AddRow(const DriveScan::Found& drive);

    std::unique_ptr<Ui::CDriveScanDlg> ui;
    DriveScanHost m_host;
    std::shared_ptr<CJobControl> m_control;
    std::shared_ptr<Shared> m_shared;
    QTimer* m_timer = nullptr;
    std::vector<DriveScan::Found> m_found;
};
