#include "SafetyDlg.h"

#include "Accessibility.h"
#include "ConfigPageText.h"
#include "FieldBinding.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_SafetyDlg.h"

using namespace ConfigPageText;
using FieldRules::Rule;

CSafetyDlg::CSafetyDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CSafetyDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // The spare registers 263 and 265 go out as 0.
    m_fields = CFieldBinding({{Rule("safety.over_temp_shutdown"), ui->overTempShutdownEdit},
                              {Rule("safety.over_temp_limit"), ui->overTempLimitEdit},
                              {Rule("safety.over_voltage"), ui->overVoltageEdit},
                              {Rule("safety.under_voltage"), ui->underVoltageEdit},
                              {Rule("safety.over_current"), ui->overCurrentEdit},
                              {Rule("safety.hall_error_time"), ui->hallErrorTimeEdit},  // 12.7 ms is sent as 12
                              {Rule("safety.temp_factor"), ui->tempFactorEdit},
                              {Rule("safety.temp_offset"), ui->tempOffsetEdit},
                              {Rule("safety.voltage_factor"), ui->voltageFactorEdit},
                              {Rule("safety.voltage_offset"), ui->voltageOffsetEdit},
                              {Rule("safety.dynamic_current_pid"), ui->dynamicPidCheck},
                              {Rule("safety.clear_over_temp"), ui->clearOverTempCheck}},
                             CFieldBinding::NoItem::AllOnes);
    connect(ui->readButton, &QPushButton::clicked, this, &CSafetyDlg::OnRead);
    connect(ui->writeButton, &QPushButton::clicked, this, &CSafetyDlg::OnWrite);
    UpdateData(false);
}

CSafetyDlg::~CSafetyDlg() = default;

void CSafetyDlg::UpdateData(bool fromControls) { m_fields.Exchange(fromControls); }

void CSafetyDlg::OnRead()
{
    GroupActions::Read(this, ui->readButton, &CModbusMaster::ReadSafetyParams, [this](const SafetyParams& params) {
        m_fields.Show(params);
        UpdateData(false);
        ui->writeButton->setEnabled(true);
    });
}

void CSafetyDlg::OnWrite()
{
    UpdateData(true);
    GroupActions::Write(this, ui->writeButton, &CModbusMaster::WriteSafetyParams, m_fields.Build<SafetyParams>());
}
