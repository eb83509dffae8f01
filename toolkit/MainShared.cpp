#include "MainShared.h"

CMainShared* g_pMainDlg = nullptr;

CMainShared::CMainShared() : m_link(std::make_unique<CDriveLink>(m_master, m_deviceAddress))
{
    m_master.SetResponseTimeout(CModbusMaster::kResponseTimeoutMs);
}

CMainShared::~CMainShared() = default;
