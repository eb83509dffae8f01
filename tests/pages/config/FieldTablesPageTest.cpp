// The binding tables of the pages "系统参数", "安全保护" and "往复运动": every
// field of their register groups read from the simulated drive, shown as
// its field's rules show it, and configured back to its registers.
#include "ReciprocateDlg.h"
#include "RoundTripFixture.h"
#include "SafetyDlg.h"
#include "SystemParamDlg.h"

namespace {

using SystemTrip = CRoundTripFixture<CSystemParamDlg, &CDemoDlg::SystemParamPage>;
using SafetyTrip = CRoundTripFixture<CSafetyDlg, &CDemoDlg::SafetyPage>;
using ReciprocateTrip = CRoundTripFixture<CReciprocateDlg, &CDemoDlg::ReciprocatePage>;

TEST_F(SystemTrip, BothBlocksComeBackToTheirRegisters) { Trip({"system", "system_ext"}, "readButton", "writeButton"); }

TEST_F(SafetyTrip, EveryLimitComesBackToItsRegister) { Trip({"safety"}, "readButton", "writeButton"); }

// The samples select the last speed mode (位置闭环): the preset speeds go in
// tenths of a Hz, or whole Hz under the x10 range.
TEST_F(ReciprocateTrip, ProcessAndPresetSpeedsComeBackInTheUnitInEffect)
{
    for (const bool x10 : {false, true}) {
        m_dlg->m_speedRangeX10 = x10 ? 1 : 0;
        const FieldRules::Units units{.x10 = x10, .speedMode = 3};
        Trip({"reciprocate"}, "processReadButton", "processWriteButton", units);
        m_boxes.Clear();
        Trip({"preset"}, "presetReadButton", "presetWriteButton", units);
        m_boxes.Clear();
    }
}

}  // namespace
