#include "SystemParamDlg.h"

#include "Accessibility.h"
#include "ConfigPageText.h"
#include "FieldBinding.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_SystemParamDlg.h"

using namespace ConfigPageText;
using FieldRules::Rule;

CSystemParamDlg::CSystemParamDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CSystemParamDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // A list with no selection sends 65535; the spare register 143 goes out as 0.
    m_fields = CFieldBinding({{Rule("system.limit_polarity"), ui->limitPolarityCombo},
                              {Rule("system.digital_polarity"), ui->digitalPolarityCombo},
                              {Rule("system.pot_usage"), ui->potUsageCombo},
                              {Rule("system.pulse_type"), ui->pulseTypeCombo},
                              {Rule("system.analog_type"), ui->analogTypeCombo},
                              {Rule("system.logic_type"), ui->logicTypeCombo},
                              {Rule("system.port_input_type"), ui->portInputCombo},
                              {Rule("system.port_control_type"), ui->portControlCombo},
                              {Rule("system.pot_low"), ui->potLowEdit},
                              {Rule("system.pot_high"), ui->potHighEdit},
                              {Rule("system.analog_low"), ui->analogLowEdit},
                              {Rule("system.analog_high"), ui->analogHighEdit},
                              {Rule("system.logic_threshold"), ui->logicThresholdEdit},
                              {Rule("system.dead_zone"), ui->deadZoneEdit},
                              {Rule("system.pulse_multiplier"), ui->pulseMultiplierEdit},
                              {Rule("system.stall_stop_time"), ui->stallTimeEdit},
                              {Rule("system.analog_factor"), ui->analogFactorEdit},
                              {Rule("system.analog_offset"), ui->analogOffsetEdit},
                              {Rule("system.buzzer_disabled"), ui->buzzerDisabledCheck}},
                             CFieldBinding::NoItem::AllOnes);
    connect(ui->readButton, &QPushButton::clicked, this, &CSystemParamDlg::OnRead);
    connect(ui->writeButton, &QPushButton::clicked, this, &CSystemParamDlg::OnWrite);
    // Only a choice made by the user suggests ranges, not a selection set by a read.
    connect(ui->analogTypeCombo, &QComboBox::activated, this, &CSystemParamDlg::OnAnalogTypeSelected);
    connect(ui->logicTypeCombo, &QComboBox::activated, this, &CSystemParamDlg::OnLogicTypeSelected);
    UpdateData(false);
}

CSystemParamDlg::~CSystemParamDlg() = default;

void CSystemParamDlg::UpdateData(bool fromControls) { m_fields.Exchange(fromControls); }

void CSystemParamDlg::OnRead()
{
    if (!g_pMainDlg) return;
    struct Read {
        ModbusResult result = kResultOk;
        SystemParams params{};
        SystemParamsExt ext{};
    };
    g_pMainDlg->Link().Act(
        ui->readButton,
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
            m_fields.Show(read.params);
            m_fields.Show(read.ext);
            UpdateData(false);
            ui->writeButton->setEnabled(true);
        });
}

void CSystemParamDlg::OnWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    const auto params = m_fields.Build<SystemParams>();
    const auto ext = m_fields.Build<SystemParamsExt>();
    g_pMainDlg->Link().Act(
        ui->writeButton,
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
    // The range in millivolts, shown as the read shows it.
    auto suggest = [this](uint64_t low, uint64_t high) {
        m_fields.ShowValue(ui->analogLowEdit, low);
        m_fields.ShowValue(ui->analogHighEdit, high);
    };
    switch (ui->analogTypeCombo->currentIndex()) {
    case 0:  // single-ended
    case 2:  // two independent single-ended inputs
        suggest(0, 10000);
        break;
    case 1:  // differential
        suggest(0, 3300);
        break;
    case 3:  // two cooperating single-ended inputs
        suggest(0, 5000);
        break;
    default: break;
    }
}

void CSystemParamDlg::OnLogicTypeSelected()
{
    UpdateData(true);
    switch (ui->logicTypeCombo->currentIndex()) {
    case 0:  // switch contact
    case 1:  // 0/3.3 V
        m_fields.ShowValue(ui->logicThresholdEdit, 2000);
        break;
    case 2:  // 0/5 V
        m_fields.ShowValue(ui->logicThresholdEdit, 3000);
        break;
    case 3:  // 0/12 V or 0/24 V
        m_fields.ShowValue(ui->logicThresholdEdit, 5000);
        break;
    default: break;
    }
}
