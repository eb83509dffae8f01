#include "PidFocDlg.h"

#include "Accessibility.h"
#include "DataExchange.h"
#include "FieldBinding.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ProcedureRunner.h"
#include "QtText.h"
#include "ui_PidFocDlg.h"

using FieldRules::Rule;

CPidFocDlg::CPidFocDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CPidFocDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // The registers without a control (771, 779) go back as read.
    m_fields = CFieldBinding({{Rule("pid.speed_kp"), ui->speedKpEdit},
                              {Rule("pid.speed_ki"), ui->speedKiEdit},
                              {Rule("pid.speed_kd"), ui->speedKdEdit},
                              {Rule("pid.position_kp"), ui->positionKpEdit},
                              {Rule("pid.position_ki"), ui->positionKiEdit},
                              {Rule("pid.position_kd"), ui->positionKdEdit},
                              {Rule("pid.self_lock_kp"), ui->selfLockKpEdit},
                              {Rule("pid.self_lock_ki"), ui->selfLockKiEdit},
                              {Rule("pid.self_lock_kd"), ui->selfLockKdEdit},
                              {Rule("foc.open_loop"), ui->openLoopCheck},
                              {Rule("foc.speed_loop"), ui->speedLoopCheck},
                              {Rule("foc.position_loop"), ui->positionLoopCheck},
                              {Rule("foc.max_speed"), ui->maxSpeedEdit},
                              {Rule("foc.max_deceleration"), ui->maxDecelEdit},
                              {Rule("foc.phase_offset"), ui->phaseOffsetEdit},
                              {Rule("foc.phase_advance"), ui->phaseAdvanceEdit},
                              {Rule("foc.flux_kp"), ui->fluxKpEdit},
                              {Rule("foc.flux_ki"), ui->fluxKiEdit},
                              {Rule("foc.flux_disable_current"), ui->thresholdEdit},
                              {Rule("foc.square_wave_start"), ui->squareWaveCheck},
                              {Rule("foc.self_lock_after_stop"), ui->selfLockCheck}},
                             CFieldBinding::NoItem::LastRead);
    UpdateData(false);
    connect(ui->pidReadButton, &QPushButton::clicked, this, &CPidFocDlg::OnPidRead);
    connect(ui->pidConfigButton, &QPushButton::clicked, this, &CPidFocDlg::OnPidConfigure);
    connect(ui->focReadButton, &QPushButton::clicked, this, &CPidFocDlg::OnFocRead);
    connect(ui->focConfigButton, &QPushButton::clicked, this, &CPidFocDlg::OnFocConfigure);
    connect(ui->calibrateButton, &QPushButton::clicked, this, &CPidFocDlg::OnCalibrate);
    m_calibration =
        new CProcedureRun(ProcedureBlock::kFocCalibration,
                          {.step =
                               [this](const ProcedureBlock& block) {
                                   ui->calibrateButton->setText(
                                       tr("Step(%1)").arg(block.words[ProcedureBlock::kResult]));
                               },
                           .ended = [this](const ProcedureRunner::Report& report) { EndCalibration(report); }},
                          this);
}

CPidFocDlg::~CPidFocDlg() = default;

void CPidFocDlg::UpdateData(bool fromControls) { m_fields.Exchange(fromControls); }

void CPidFocDlg::OnPidRead()
{
    GroupActions::Read(this, ui->pidReadButton, &CModbusMaster::ReadPidParams, [this](const PidParams& p) {
        m_fields.Show(p);
        UpdateData(false);
        ui->pidConfigButton->setEnabled(true);
    });
}

void CPidFocDlg::OnPidConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    GroupActions::Write(this, ui->pidConfigButton, &CModbusMaster::WritePidParams, m_fields.Build<PidParams>());
}

void CPidFocDlg::OnFocRead()
{
    GroupActions::Read(this, ui->focReadButton, &CModbusMaster::ReadFocParams, [this](const FocParams& f) {
        m_fields.Show(f);
        UpdateData(false);
        ui->focConfigButton->setEnabled(true);
    });
}

void CPidFocDlg::OnFocConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    GroupActions::Write(this, ui->focConfigButton, &CModbusMaster::WriteFocParams, m_fields.Build<FocParams>());
}

void CPidFocDlg::OnCalibrate()
{
    const bool yes = CMessageBox::YesNo(
        this, tr("驱动器将控制电机正反转约20秒钟来确定相位偏移量，请确保电机处于空载状态，是否准备就绪并继续？"),
        tr("重要提示"), CMessageBox::Answer::No);
    if (!yes || m_calibration->Running()) return;
    ui->calibrateButton->setEnabled(false);
    ui->calibrateButton->setText(tr("正在校正"));
    if (!m_calibration->Start(ui->calibrateButton)) {
        ui->calibrateButton->setText(tr("自动校正"));
        ui->calibrateButton->setEnabled(true);
    }
}

// The run is over, its stop write sent: the angles and the outcome, and the page is idle again.
void CPidFocDlg::EndCalibration(const ProcedureRunner::Report& report)
{
    QString message;
    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done: {
        // Straight into the boxes, not the stored texts: the next FOC
        // "配置" sends them. DataExchange widens a box for a longer text
        // (-120 in a 3-character box), so what is sent is what is seen.
        QString offset = m_fields.Text(ui->phaseOffsetEdit, report.last.words[ProcedureBlock::kResult]);
        QString advance = m_fields.Text(ui->phaseAdvanceEdit, report.last.words[ProcedureBlock::kResult + 1]);
        DataExchange::Text(false, ui->phaseOffsetEdit, offset);
        DataExchange::Text(false, ui->phaseAdvanceEdit, advance);
        message = QString::fromUtf8(ProcedureRunner::OutcomeText(ProcedureBlock::kFocCalibration, report.outcome));
        break;
    }
    case ProcedureRunner::Outcome::Failed:
    case ProcedureRunner::Outcome::Aborted:
        message = QString::fromUtf8(ProcedureRunner::OutcomeText(ProcedureBlock::kFocCalibration, report.outcome));
        break;
    case ProcedureRunner::Outcome::PollFailed: message = QtText::ResultMessage(report.result); break;
    case ProcedureRunner::Outcome::Stopped: break;
    }
    if (!message.isEmpty()) CMessageBox::Ok(this, message);
    ui->calibrateButton->setText(tr("自动校正"));
    ui->calibrateButton->setEnabled(true);
}
