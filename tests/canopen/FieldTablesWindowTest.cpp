// The binding table of "通讯参数配置": every field of its three register
// groups read from the simulated drive, shown as its field's rules show it,
// and configured back to its registers (the reserved CAN words as 0).
#include <QComboBox>

#include "CommParamDlg.h"
#include "RoundTripFixture.h"

namespace {

using CommTrip = CRoundTripFixture<CCommParamDlg, &CDemoDlg::CommParamPage>;

TEST_F(CommTrip, EveryLineAddressAndCanFieldComesBackToItsRegisters)
{
    Trip({"comm", "comm_address", "can"}, "commReadButton", "commWriteButton");
}

TEST_F(CommTrip, TheRateListsTooltipNamesBothRegisters)
{
    EXPECT_EQ(W<QComboBox>("baud485Combo")->toolTip(),
              QStringLiteral("寄存器 144 至 145，单位 bit/s，配置键 comm.baud_rate"));
}

}  // namespace
