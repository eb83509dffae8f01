#include "GuiFixture.h"

#ifdef _WIN32
#include <sstream>

#include "SimulatedPort.h"
#endif

namespace {

#ifdef _WIN32
// The sim:// name that asks for these options (the simulator's own options
// without their dashes). A state file is the user's business and not
// asked for there.
std::string SimPortName(const zoric::sim::SimOptions& o)
{
    std::ostringstream name;
    name << "sim://?slaves=" << unsigned(o.slaveAddress);
    for (uint8_t other : o.otherSlaves) name << ',' << unsigned(other);
    name << "&baud=" << o.baudRate << "&parity=" << o.parity << "&stop-bits=" << o.stopBits
         << "&time-scale=" << o.timeScale << "&seed=" << o.randomSeed << "&rpdo-entries=" << o.rpdoCommEntries;
    if (o.pacing) name << "&pacing";
    if (o.startUnlearned) name << "&unlearned";
    if (o.learningFails) name << "&learning-fails";
    if (!o.strictLine) name << "&lenient-line";
    if (o.applyLinkSettings) name << "&apply-link-settings";
    return name.str();
}
#endif

}  // namespace

CGuiFixture::CGuiFixture() = default;

CGuiFixture::~CGuiFixture() = default;

void CGuiFixture::SetUp()
{
    const zoric::sim::SimOptions options = SimulatorOptions();
#ifdef _WIN32
    ASSERT_TRUE(options.stateFile.empty()) << "a sim:// drive keeps no state file";
    m_port = SimPortName(options);
    SimulatedPort::Forget(m_port);  // new drives for every test
    m_sim = SimulatedPort::Line(m_port);
    ASSERT_TRUE(m_sim) << m_port;
#else
    auto sim = std::make_shared<zoric::sim::CDriveSimulator>(options);
    ASSERT_TRUE(sim->Start()) << sim->LastError();
    m_port = sim->SlavePath();
    m_sim = sim;
#endif
    m_dlg = std::make_unique<CDemoDlg>();
    m_dlg->show();
    const int parityIndex = zoric::sim::ParityIndex(options.parity, options.stopBits);
    ASSERT_TRUE(m_dlg->m_master.OpenPort(m_port, static_cast<int>(options.baudRate), parityIndex))
        << "cannot open " << m_port;
}

void CGuiFixture::TearDown()
{
    // The window first: its pages stop their workers, which may still be
    // talking to the simulator.
    m_dlg.reset();
#ifdef _WIN32
    m_sim.reset();
    SimulatedPort::Forget(m_port);
#else
    if (m_sim) m_sim->Stop();
    m_sim.reset();
#endif
}
