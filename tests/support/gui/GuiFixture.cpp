#include "GuiFixture.h"

CGuiFixture::CGuiFixture() = default;

CGuiFixture::~CGuiFixture() = default;

void CGuiFixture::SetUp() {
    m_sim = std::make_unique<zoric::sim::CDriveSimulator>(SimulatorOptions());
    ASSERT_TRUE(m_sim->Start()) << m_sim->LastError();
    m_dlg = std::make_unique<CDemoDlg>();
    m_dlg->show();
    const zoric::sim::SimOptions& options = m_sim->Options();
    const int parityIndex = zoric::sim::ParityIndex(options.parity, options.stopBits);
    ASSERT_TRUE(m_dlg->m_master.OpenPort(m_sim->SlavePath(), static_cast<int>(options.baudRate), parityIndex))
        << "cannot open " << m_sim->SlavePath();
}

void CGuiFixture::TearDown() {
    // The window first: its pages stop their workers, which may still be
    // talking to the simulator.
    m_dlg.reset();
    if (m_sim) m_sim->Stop();
    m_sim.reset();
}
