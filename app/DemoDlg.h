#pragma once
// CDemoDlg: the main window. Owns the drive link, the seven tab pages and the
// two tool windows, and holds the state every page shares (CMainShared).
// Pages and tool windows reach that through g_pMainDlg only.

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "MainShared.h"

class QTabWidget;
class QKeyEvent;
class QMenu;
class QTimer;
class CMotorControlDlg;
class CMotorParamDlg;
class CPidFocDlg;
class CSafetyDlg;
class CReciprocateDlg;
class CSystemParamDlg;
class CCommParamDlg;
class CRegisterDlg;
class CObjectDictDlg;
class CDriveScanDlg;
class CBusMonitorDlg;
class CBusOverviewDlg;
namespace Backup {
struct LinkSettings;
}

class CDemoDlg : public QDialog, public CMainShared {
    Q_OBJECT
public:
    explicit CDemoDlg(QWidget* parent = nullptr);
    ~CDemoDlg() override;

    // Shows the page at `index` of the tab order and hides the others (also
    // selects its tab).
    void ShowPage(int index);

    // Keeps the port (a typed network port included), its line settings and
    // the device address between runs in the application's QSettings:
    // restores them now, saves them at each open and at the end.
    void RememberConnection();
    // Opens `port` ("sim://", "COM3", a network port) as the button does,
    // for a port named on the command line; it is not remembered as the
    // last port.
    void StartOn(const QString& port);

    // The pages in tab order (0 "电机控制" ... 6 "安全保护") and the tool windows.
    CMotorControlDlg* MotorControlPage() const;
    CMotorParamDlg* MotorParamPage() const;
    CSystemParamDlg* SystemParamPage() const;
    CCommParamDlg* CommParamPage() const;
    CPidFocDlg* PidFocPage() const;
    CReciprocateDlg* ReciprocatePage() const;
    CSafetyDlg* SafetyPage() const;
    CRegisterDlg* RegisterTool() const;
    CObjectDictDlg* ObjectDictTool() const;
    QTabWidget* Tabs() const;
    // The scan window, made when first asked for.
    CDriveScanDlg* DriveScanTool();
    // The bus monitor, made (and attached to the master) when first asked for.
    CBusMonitorDlg* BusMonitorTool();
    // The bus overview, made when first asked for.
    CBusOverviewDlg* BusOverviewTool();

    // (implementation detail below is the main-window developer's)

    // Moves the stored values (connection selections, address bits and
    // text, auto-update) to or from the controls.
    void UpdateData(bool fromControls);
    // The 100 ms tick: frame lines, then the live-status poll (submitted to
    // the link; a tick that finds the last poll still pending skips it).
    void OnTimer();

    // Closing asks for an offline edit not saved.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddPage(QWidget* page, const QString& title);
    void OnOpenPort();
    // A network port has no baud rate or parity of its own: their boxes are
    // disabled while one is named.
    void ShowLineSettingsFor();
    void SaveConnection();
    // The open port's device went away: the poll stops, the port is
    // released and shown closed, and the user is told which port it was.
    void OnPortLost();
    void OnAddressBit();
    void OnAddressEdited();
    void OnReadInfo();
    void OnOemInfo();
    void OnClearPosition();
    // The configuration load's side of the connection (ConfigHost).
    std::function<bool(CModbusMaster&, const Backup::LinkSettings&)> PortReopener() const;
    void OnLinkChanged(const std::optional<Backup::LinkSettings>& link);
    // Opens the drive inside the tool that holds a file edited offline.
    void OpenOffline(const QString& port, std::function<void(bool)> opened);
    // The window while a file is edited offline (`path`) or not (empty).
    void ShowOffline(const QString& path);
    // The line settings and address the connection controls hold now.
    Backup::LinkSettings CurrentLink();
    void ShowStatus(ModbusResult result, const RealtimeStatus& status);
    void ShowTool(QWidget* tool);
    void ShowAbout();
    void CreateMenu();
    void CreateLanguageMenu(QMenu* menu);

    struct Impl;
    std::unique_ptr<Impl> d;
};
