#include "SystemParamDlg.h"

#include "Accessibility.h"
#include "ConfigPageText.h"
#include "DataExchange.h"
#include "FieldText.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_SystemParamDlg.h"

using namespace ConfigPageText;
using namespace FieldText;

CSystemParamDlg::CSystemParamDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CSystemParamDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
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
    m_limitPolarity = Index(Rule("system.limit_polarity"), p.limitPolarity);
    m_digitalPolarity = Index(Rule("system.digital_polarity"), p.digitalPolarity);
    m_potUsage = Index(Rule("system.pot_usage"), p.potUsage);
    m_pulseType = Index(Rule("system.pulse_type"), p.pulseType);
    m_analogType = Index(Rule("system.analog_type"), p.analogType);
    m_logicType = Index(Rule("system.logic_type"), p.logicType);
    m_potLow = Shown(Rule("system.pot_low"), p.potLowMv);
    m_potHigh = Shown(Rule("system.pot_high"), p.potHighMv);
    m_analogLow = Shown(Rule("system.analog_low"), p.analogLowMv);
    m_analogHigh = Shown(Rule("system.analog_high"), p.analogHighMv);
    m_logicThreshold = Shown(Rule("system.logic_threshold"), p.logicThresholdMv);
    m_deadZone = Shown(Rule("system.dead_zone"), p.deadZoneMv);
    m_pulseMultiplier = Shown(Rule("system.pulse_multiplier"), p.pulseMultiplier);
    m_stallTime = Shown(Rule("system.stall_stop_time"), p.stallStopTime);

    m_analogFactor = Shown(Rule("system.analog_factor"), e.analogFactor);
    m_analogOffset = Shown(Rule("system.analog_offset"), e.analogOffset);
    m_buzzerDisabled = Tick(Rule("system.buzzer_disabled"), e.buzzerDisabled);
    m_portInputType = Index(Rule("system.port_input_type"), e.portInputType);
    m_portControlType = Index(Rule("system.port_control_type"), e.portControlType);
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
    Enter(p.potLowMv, Rule("system.pot_low"), m_potLow);
    Enter(p.potHighMv, Rule("system.pot_high"), m_potHigh);
    Enter(p.analogLowMv, Rule("system.analog_low"), m_analogLow);
    Enter(p.analogHighMv, Rule("system.analog_high"), m_analogHigh);
    Enter(p.logicThresholdMv, Rule("system.logic_threshold"), m_logicThreshold);
    Enter(p.deadZoneMv, Rule("system.dead_zone"), m_deadZone);
    Enter(p.pulseMultiplier, Rule("system.pulse_multiplier"), m_pulseMultiplier);
    Enter(p.stallStopTime, Rule("system.stall_stop_time"), m_stallTime);
    p.reserved = 0;
    return p;
}

SystemParamsExt CSystemParamDlg::BuildExt() const
{
    SystemParamsExt e{};
    Enter(e.analogFactor, Rule("system.analog_factor"), m_analogFactor);
    Enter(e.analogOffset, Rule("system.analog_offset"), m_analogOffset);
    e.buzzerDisabled = CheckRegister(Rule("system.buzzer_disabled"), m_buzzerDisabled);
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
