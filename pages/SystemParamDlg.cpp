#include "SystemParamDlg.h"

#include "ConfigPageText.h"
#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_SystemParamDlg.h"

using namespace ConfigPageText;

namespace {
constexpr int kMillivolts = 3;   // volts shown with three decimals
constexpr int kTenthSeconds = 1;
constexpr int kThousandths = 3;
}  // namespace

CSystemParamDlg::CSystemParamDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CSystemParamDlg>())
{
    ui->setupUi(this);
    connect(ui->buttonRead, &QPushButton::clicked, this, &CSystemParamDlg::OnRead);
    connect(ui->buttonWrite, &QPushButton::clicked, this, &CSystemParamDlg::OnWrite);
    // Only a choice made by the user suggests ranges, not a selection set by a read.
    connect(ui->comboAnalogType, &QComboBox::activated, this, &CSystemParamDlg::OnAnalogTypeSelected);
    connect(ui->comboLogicType, &QComboBox::activated, this, &CSystemParamDlg::OnLogicTypeSelected);
    UpdateData(false);
}

CSystemParamDlg::~CSystemParamDlg() = default;

void CSystemParamDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    Index(fromControls, ui->comboLimitPolarity, m_limitPolarity);
    Index(fromControls, ui->comboDigitalPolarity, m_digitalPolarity);
    Index(fromControls, ui->comboPotUsage, m_potUsage);
    Index(fromControls, ui->comboPulseType, m_pulseType);
    Index(fromControls, ui->comboAnalogType, m_analogType);
    Index(fromControls, ui->comboLogicType, m_logicType);
    Index(fromControls, ui->comboPortInput, m_portInputType);
    Index(fromControls, ui->comboPortControl, m_portControlType);
    Text(fromControls, ui->editPotLow, m_potLow);
    Text(fromControls, ui->editPotHigh, m_potHigh);
    Text(fromControls, ui->editAnalogLow, m_analogLow);
    Text(fromControls, ui->editAnalogHigh, m_analogHigh);
    Text(fromControls, ui->editLogicThreshold, m_logicThreshold);
    Text(fromControls, ui->editDeadZone, m_deadZone);
    Text(fromControls, ui->editPulseMultiplier, m_pulseMultiplier);
    Text(fromControls, ui->editStallTime, m_stallTime);
    Text(fromControls, ui->editAnalogFactor, m_analogFactor);
    Text(fromControls, ui->editAnalogOffset, m_analogOffset);
    Check(fromControls, ui->checkBuzzerDisabled, m_buzzerDisabled);
}

void CSystemParamDlg::StoreRead(const SystemParams& p, const SystemParamsExt& e)
{
    m_limitPolarity = RegisterIndex(p.limitPolarity, ui->comboLimitPolarity->count());
    m_digitalPolarity = RegisterIndex(p.digitalPolarity, ui->comboDigitalPolarity->count());
    m_potUsage = RegisterIndex(p.potUsage, ui->comboPotUsage->count());
    m_pulseType = RegisterIndex(p.pulseType, ui->comboPulseType->count());
    m_analogType = RegisterIndex(p.analogType, ui->comboAnalogType->count());
    m_logicType = RegisterIndex(p.logicType, ui->comboLogicType->count());
    m_potLow = Scaled(p.potLowMv, kMillivolts);
    m_potHigh = Scaled(p.potHighMv, kMillivolts);
    m_analogLow = Scaled(p.analogLowMv, kMillivolts);
    m_analogHigh = Scaled(p.analogHighMv, kMillivolts);
    m_logicThreshold = Scaled(p.logicThresholdMv, kMillivolts);
    m_deadZone = Scaled(p.deadZoneMv, kMillivolts);
    m_pulseMultiplier = Float(p.pulseMultiplier);
    m_stallTime = Scaled(p.stallStopTime, kTenthSeconds);

    m_analogFactor = Float(e.analogFactor);
    m_analogOffset = Scaled(static_cast<int16_t>(e.analogOffset), kThousandths);
    m_buzzerDisabled = e.buzzerDisabled & 1;
    m_portInputType = RegisterIndex(e.portInputType, ui->comboPortInput->count());
    m_portControlType = RegisterIndex(e.portControlType, ui->comboPortControl->count());
}

SystemParams CSystemParamDlg::BuildParams() const
{
    SystemParams p{};
    p.limitPolarity = IndexRegister(m_limitPolarity);
    p.digitalPolarity = IndexRegister(m_digitalPolarity);
    p.potUsage = IndexRegister(m_potUsage);
    p.pulseType = IndexRegister(m_pulseType);
    p.analogType = IndexRegister(m_analogType);
    p.logicType = IndexRegister(m_logicType);
    p.potLowMv = ToScaled(m_potLow, kMillivolts);
    p.potHighMv = ToScaled(m_potHigh, kMillivolts);
    p.analogLowMv = ToScaled(m_analogLow, kMillivolts);
    p.analogHighMv = ToScaled(m_analogHigh, kMillivolts);
    p.logicThresholdMv = ToScaled(m_logicThreshold, kMillivolts);
    p.deadZoneMv = ToScaled(m_deadZone, kMillivolts);
    p.pulseMultiplier = ToFloat(m_pulseMultiplier);
    p.stallStopTime = ToScaled(m_stallTime, kTenthSeconds);
    p.reserved = 0;
    return p;
}

SystemParamsExt CSystemParamDlg::BuildExt() const
{
    SystemParamsExt e{};
    e.analogFactor = ToFloat(m_analogFactor);
    e.analogOffset = ToScaled(m_analogOffset, kThousandths);
    e.buzzerDisabled = m_buzzerDisabled ? 1 : 0;
    e.portInputType = IndexRegister(m_portInputType);
    e.portControlType = IndexRegister(m_portControlType);
    return e;
}

void CSystemParamDlg::OnRead()
{
    if (!g_pMainDlg) return;
    struct Read {
        ModbusResult result = kResultOk;
        SystemParams params{};
        SystemParamsExt ext{};
    };
    g_pMainDlg->Link().Act(
        ui->buttonRead,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadSystemParams(slave, read.params);
            if (read.result == kResultOk) read.result = master.ReadSystemParamsExt(slave, read.ext);
            return read;
        },
        [this](const Read& read) {
            if (read.result != kResultOk) {
                CMessageBox::Ok(this, ResultMessage(read.result));
                return;
            }
            StoreRead(read.params, read.ext);
            UpdateData(false);
            ui->buttonWrite->setEnabled(true);
        });
}

void CSystemParamDlg::OnWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    const SystemParams params = BuildParams();
    const SystemParamsExt ext = BuildExt();
    g_pMainDlg->Link().Act(
        ui->buttonWrite,
        [params, ext](CModbusMaster& master, uint8_t slave) {
            ModbusResult r = master.WriteSystemParams(slave, params);
            if (r == kResultOk) r = master.WriteSystemParamsExt(slave, ext);
            return r;
        },
        [this](ModbusResult result) { CMessageBox::Ok(this, ResultMessage(result)); });
}

void CSystemParamDlg::OnAnalogTypeSelected()
{
    UpdateData(true);
    switch (m_analogType) {
    case 0:  // single-ended
    case 2:  // two independent single-ended inputs
        m_analogLow = QStringLiteral("0.000");
        m_analogHigh = QStringLiteral("10.000");
        break;
    case 1:  // differential
        m_analogLow = QStringLiteral("0.000");
        m_analogHigh = QStringLiteral("3.300");
        break;
    case 3:  // two cooperating single-ended inputs
        m_analogLow = QStringLiteral("0.000");
        m_analogHigh = QStringLiteral("5.000");
        break;
    default:
        break;
    }
    UpdateData(false);
}

void CSystemParamDlg::OnLogicTypeSelected()
{
    UpdateData(true);
    switch (m_logicType) {
    case 0:  // switch contact
    case 1:  // 0/3.3 V
        m_logicThreshold = QStringLiteral("2.000");
        break;
    case 2:  // 0/5 V
        m_logicThreshold = QStringLiteral("3.000");
        break;
    case 3:  // 0/12 V or 0/24 V
        m_logicThreshold = QStringLiteral("5.000");
        break;
    default:
        break;
    }
    UpdateData(false);
}
