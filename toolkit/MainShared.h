#pragma once
// What every window shares with the main window, reached through g_pMainDlg:
// the drive link and its master, the device address and the drive's speed
// unit. Only the main window knows every window; the windows know this and
// nothing else of it, and reach the drive only through the link.

#include <atomic>
#include <cstdint>
#include <memory>

#include "DriveLink.h"
#include "ModbusMaster.h"

class CMainShared {
public:
    CMainShared(const CMainShared&) = delete;
    CMainShared& operator=(const CMainShared&) = delete;

    CModbusMaster m_master;
    std::atomic<uint8_t> m_deviceAddress{1};
    // Nonzero: the drive's speed registers count whole Hz and Hz/s; zero: tenths.
    std::atomic<int> m_speedRangeX10{0};

    // Every drive exchange of the windows goes through here (see DriveLink.h).
    CDriveLink& Link() { return *m_link; }

protected:
    CMainShared();
    virtual ~CMainShared();

private:
    std::unique_ptr<CDriveLink> m_link;  // after the master: it runs on it
};

extern CMainShared* g_pMainDlg;
