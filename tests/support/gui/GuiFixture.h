#pragma once
// CGuiFixture: a window test on a simulated drive.
//
//   - `m_sim`: the in-process drive simulator on a pseudo-terminal (slave 1,
//     9600 baud, no parity, 2 stop bits); read or preset its registers with
//     m_sim.GetRegister / SetRegister. Windows has no pseudo-terminals:
//     there it is the drive inside the tool, on a sim:// port of the test's
//     own (the same registers and faults, CSimulatedLine; no line settings).
//     DrivePort() is the port the master opened.
//   - `m_dlg`: a CDemoDlg (g_pMainDlg points at it), shown offscreen, its
//     m_master open on the simulator. The button "打开串口" still shows its
//     start text: the port was opened directly, not through the button.
//   - `m_boxes`: every message box is recorded there instead of shown;
//     Yes/No questions are answered from m_boxes.Answer(...) in order (No
//     when nothing is scripted).
//
// Link zoric_gui_test_support and not GTest::gtest_main: the library brings
// main(), which makes an offscreen QApplication. Use GuiActions.h to drive
// the controls. For other simulator settings (time scale, an unlearned
// motor...), override SimulatorOptions().
//
//   class MyPageTest : public CGuiFixture {};
//   TEST_F(MyPageTest, ReadsTheBlock) {
//       auto* page = m_dlg->MotorParamPage();
//       GuiActions::Click(GuiActions::Find<QPushButton>(page, "readButton"));
//       EXPECT_EQ(m_boxes.Count(), 0);
//   }

#include <gtest/gtest.h>

#include <memory>

#include "DemoDlg.h"
#ifdef _WIN32
#include "SimulatedLine.h"
#else
#include "DriveSimulator.h"
#endif
#include "GuiActions.h"
#include "MessageRecorder.h"

class CGuiFixture : public ::testing::Test {
protected:
#ifdef _WIN32
    using SimulatedDrive = zoric::sim::CSimulatedLine;
#else
    using SimulatedDrive = zoric::sim::CDriveSimulator;
#endif
    CGuiFixture();
    ~CGuiFixture() override;
    void SetUp() override;
    void TearDown() override;

    virtual zoric::sim::SimOptions SimulatorOptions() const { return {}; }

    // The last request the master sent, and the bytes received after it.
    std::vector<uint8_t> LastRequest() const { return m_dlg->m_master.GetLastRequest(); }
    std::vector<uint8_t> LastResponse() const { return m_dlg->m_master.GetLastResponse(); }
    // Requests the simulator has seen so far (to check that nothing was sent).
    uint64_t RequestCount() const { return m_sim ? m_sim->RequestCount() : 0; }

    // The pty's path, or the sim:// name of the test's drives.
    std::string DrivePort() const { return m_port; }

    std::shared_ptr<SimulatedDrive> m_sim;
    std::string m_port;
    std::unique_ptr<CDemoDlg> m_dlg;
    CMessageRecorder m_boxes;
};
