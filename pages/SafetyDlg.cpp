#include "SafetyDlg.h"

#include "Accessibility.h"
#include "ConfigPageText.h"
#include "DataExchange.h"
#include "FieldText.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_SafetyDlg.h"

using namespace ConfigPageText;
using namespace FieldText;

CSafetyDlg::CSafetyDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CSafetyDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    connect(ui->buttonRead, &QPushButton::clicked, this, &CSafetyDlg::OnRead);
    connect(ui->buttonWrite, &QPushButton::clicked, this, &CSafetyDlg::OnWrite);
    UpdateData(false);
}

CSafetyDlg::~CSafetyDlg() = default;

void CSafetyDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    Text(fromControls, ui->editOverTempShutdown, m_overTempShutdown);
    Text(fromControls, ui->editOverTempLimit, m_overTempLimit);
    Text(fromControls, ui->editOverVoltage, m_overVoltage);
    Text(fromControls, ui->editUnderVoltage, m_underVoltage);
    Text(fromControls, ui->editOverCurrent, m_overCurrent);
    Text(fromControls, ui->editHallErrorTime, m_hallErrorTime);
    Text(fromControls, ui->editTempFactor, m_tempFactor);
    Text(fromControls, ui->editTempOffset, m_tempOffset);
    Text(fromControls, ui->editVoltageFactor, m_voltageFactor);
    Text(fromControls, ui->editVoltageOffset, m_voltageOffset);
    Check(fromControls, ui->checkDynamicPid, m_dynamicCurrentPid);
    Check(fromControls, ui->checkClearOverTemp, m_clearOverTemp);
}

void CSafetyDlg::StoreRead(const SafetyParams& p)
{
    m_overTempShutdown = Shown(Rule("safety.over_temp_shutdown"), p.overTempShutdown);
    m_overTempLimit = Shown(Rule("safety.over_temp_limit"), p.overTempLimit);
    m_overVoltage = Shown(Rule("safety.over_voltage"), p.overVoltage);
    m_underVoltage = Shown(Rule("safety.under_voltage"), p.underVoltage);
    m_overCurrent = Shown(Rule("safety.over_current"), p.overCurrent);
    m_hallErrorTime = Shown(Rule("safety.hall_error_time"), p.hallErrorTime);
    m_dynamicCurrentPid = Tick(Rule("safety.dynamic_current_pid"), p.dynamicCurrentPid);
    m_clearOverTemp = Tick(Rule("safety.clear_over_temp"), p.clearOverTemp);
    m_tempFactor = Shown(Rule("safety.temp_factor"), p.tempFactor);
    m_tempOffset = Shown(Rule("safety.temp_offset"), p.tempOffset);
    m_voltageFactor = Shown(Rule("safety.voltage_factor"), p.voltageFactor);
    m_voltageOffset = Shown(Rule("safety.voltage_offset"), p.voltageOffset);
}

SafetyParams CSafetyDlg::BuildParams() const
{
    SafetyParams p{};
    Enter(p.overTempShutdown, Rule("safety.over_temp_shutdown"), m_overTempShutdown);
    Enter(p.overTempLimit, Rule("safety.over_temp_limit"), m_overTempLimit);
    Enter(p.overVoltage, Rule("safety.over_voltage"), m_overVoltage);
    Enter(p.underVoltage, Rule("safety.under_voltage"), m_underVoltage);
    Enter(p.overCurrent, Rule("safety.over_current"), m_overCurrent);
    Enter(p.hallErrorTime, Rule("safety.hall_error_time"), m_hallErrorTime);  // 12.7 ms is sent as 12
    p.dynamicCurrentPid = CheckRegister(Rule("safety.dynamic_current_pid"), m_dynamicCurrentPid);
    p.reserved263 = 0;
    p.clearOverTemp = CheckRegister(Rule("safety.clear_over_temp"), m_clearOverTemp);
    p.reserved265 = 0;
    Enter(p.tempFactor, Rule("safety.temp_factor"), m_tempFactor);
    Enter(p.tempOffset, Rule("safety.temp_offset"), m_tempOffset);
    Enter(p.voltageFactor, Rule("safety.voltage_factor"), m_voltageFactor);
    Enter(p.voltageOffset, Rule("safety.voltage_offset"), m_voltageOffset);
    return p;
}

void CSafetyDlg::OnRead()
{
    GroupActions::Read(this, ui->buttonRead, &CModbusMaster::ReadSafetyParams, [this](const SafetyParams& params) {
        StoreRead(params);
        UpdateData(false);
        ui->buttonWrite->setEnabled(true);
    });
}

void CSafetyDlg::OnWrite()
{
    UpdateData(true);
    GroupActions::Write(this, ui->buttonWrite, &CModbusMaster::WriteSafetyParams, BuildParams());
}
