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
    m_fields = CFieldBinding({{Rule("safety.over_temp_shutdown"), ui->editOverTempShutdown},
                              {Rule("safety.over_temp_limit"), ui->editOverTempLimit},
                              {Rule("safety.over_voltage"), ui->editOverVoltage},
                              {Rule("safety.under_voltage"), ui->editUnderVoltage},
                              {Rule("safety.over_current"), ui->editOverCurrent},
                              {Rule("safety.hall_error_time"), ui->editHallErrorTime},  // 12.7 ms is sent as 12
                              {Rule("safety.temp_factor"), ui->editTempFactor},
                              {Rule("safety.temp_offset"), ui->editTempOffset},
                              {Rule("safety.voltage_factor"), ui->editVoltageFactor},
                              {Rule("safety.voltage_offset"), ui->editVoltageOffset},
                              {Rule("safety.dynamic_current_pid"), ui->checkDynamicPid},
                              {Rule("safety.clear_over_temp"), ui->checkClearOverTemp}},
                             CFieldBinding::NoItem::AllOnes);
    connect(ui->buttonRead, &QPushButton::clicked, this, &CSafetyDlg::OnRead);
    connect(ui->buttonWrite, &QPushButton::clicked, this, &CSafetyDlg::OnWrite);
    UpdateData(false);
}

CSafetyDlg::~CSafetyDlg() = default;

void CSafetyDlg::UpdateData(bool fromControls)
{
    m_fields.Exchange(fromControls);
}

void CSafetyDlg::OnRead()
{
    GroupActions::Read(this, ui->buttonRead, &CModbusMaster::ReadSafetyParams, [this](const SafetyParams& params) {
        m_fields.Show(params);
        UpdateData(false);
        ui->buttonWrite->setEnabled(true);
    });
}

void CSafetyDlg::OnWrite()
{
    UpdateData(true);
    GroupActions::Write(this, ui->buttonWrite, &CModbusMaster::WriteSafetyParams, m_fields.Build<SafetyParams>());
}
