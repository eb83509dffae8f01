// The binding tables of the pages "电机控制", "电机参数" and "PID和FOC参数":
// every field of their register groups read from the simulated drive, shown
// as its field's rules show it, and configured back to its registers; and
// the tooltips that name each field's register.
#include <QCheckBox>
#include <QLineEdit>

#include "MotorControlDlg.h"
#include "MotorParamDlg.h"
#include "PidFocDlg.h"
#include "RoundTripFixture.h"

namespace {

using MotorParamTrip = CRoundTripFixture<CMotorParamDlg, &CDemoDlg::MotorParamPage>;
using PidFocTrip = CRoundTripFixture<CPidFocDlg, &CDemoDlg::PidFocPage>;
using RampTrip = CRoundTripFixture<CMotorControlDlg, &CDemoDlg::MotorControlPage>;

// The samples tick the speed-range switch: frequencies go in whole Hz both ways.
TEST_F(MotorParamTrip, EveryMotorFieldComesBackToItsRegister)
{
    Trip({"motor"}, "readButton", "configButton", {.x10 = true});
    EXPECT_EQ(m_dlg->m_speedRangeX10.load(), 1);
}

TEST_F(PidFocTrip, EveryPidAndFocFieldComesBackToItsRegister)
{
    Trip({"pid"}, "pidReadButton", "pidConfigButton");
    m_boxes.Clear();
    Trip({"foc"}, "focReadButton", "focConfigButton");
}

TEST_F(RampTrip, EveryRampComesBackInTheSpeedUnitInEffect)
{
    Trip({"ramp"}, "rampReadButton", "rampSetButton");
    m_boxes.Clear();
    m_dlg->m_speedRangeX10 = 1;
    Trip({"ramp"}, "rampReadButton", "rampSetButton", {.x10 = true});
}

TEST_F(MotorParamTrip, TooltipsNameRegisterUnitDecimalsAndKey)
{
    EXPECT_EQ(W<QLineEdit>("maxFreqEdit")->toolTip(),
              QStringLiteral("寄存器 102，单位 Hz，小数 1 位（速度量程×10 时 0 位），配置键 motor.max_frequency"));
    EXPECT_EQ(W<QLineEdit>("ratedCurrentEdit")->toolTip(),
              QStringLiteral("寄存器 106，单位 A，小数 2 位，配置键 motor.rated_current"));
    EXPECT_EQ(W<QLineEdit>("phaseSequenceEdit")->toolTip(),
              QStringLiteral("寄存器 109 至 111，配置键 motor.phase_sequence"));
    EXPECT_EQ(W<QCheckBox>("speedRangeCheck")->toolTip(), QStringLiteral("寄存器 119，配置键 motor.speed_range_x10"));
}

TEST_F(PidFocTrip, AFlagsTooltipNamesItsBit)
{
    EXPECT_EQ(W<QCheckBox>("positionLoopCheck")->toolTip(),
              QStringLiteral("寄存器 768 位 2，配置键 foc.position_loop"));
    EXPECT_EQ(W<QLineEdit>("speedKpEdit")->toolTip(), QStringLiteral("寄存器 192 至 193，配置键 pid.speed_kp"));
}

}  // namespace
