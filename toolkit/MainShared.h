#pragma once
// What every window and worker shares with the main window, reached through
// g_pMainDlg: the drive link and its master, the device address, the drive's
// speed unit and the live poll's pause. Only the main window knows every
// window; the windows know this and nothing else of it.

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
    // Counted: each worker that holds the live poll off adds one while it runs.
    std::atomic<int> m_pollPaused{0};

    // Every drive exchange of the windows goes through here (see DriveLink.h).
    CDriveLink& Link() { return *m_link; }

protected:
    CMainShared();
    virtual ~CMainShared();

private:
    std::unique_ptr<CDriveLink> m_link;  // after the master: it runs on it
};

extern CMainShared* g_pMainDlg;
