#include "PidFocDlg.h"

#include "Accessibility.h"
#include "DataExchange.h"
#include "FieldText.h"
#include "FloatText.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ProcedureRunner.h"
#include "QtText.h"
#include "TextNumber.h"
#include "ui_PidFocDlg.h"

using namespace FieldText;

namespace {

// A phase angle as the calibration reports it, shown as the FOC read shows it.
QString Signed(uint16_t value) { return Shown(Rule("foc.phase_offset"), value); }

}  // namespace

CPidFocDlg::CPidFocDlg(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::CPidFocDlg>())
{
    m_ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    UpdateData(false);
    connect(m_ui->pidReadButton, &QPushButton::clicked, this, &CPidFocDlg::OnPidRead);
    connect(m_ui->pidConfigButton, &QPushButton::clicked, this, &CPidFocDlg::OnPidConfigure);
    connect(m_ui->focReadButton, &QPushButton::clicked, this, &CPidFocDlg::OnFocRead);
    connect(m_ui->focConfigButton, &QPushButton::clicked, this, &CPidFocDlg::OnFocConfigure);
    connect(m_ui->calibrateButton, &QPushButton::clicked, this, &CPidFocDlg::OnCalibrate);
    m_calibration = new CProcedureRun(
        ProcedureBlock::kFocCalibration,
        {.step = [this](const ProcedureBlock& block) {
             m_ui->calibrateButton->setText(tr("Step(%1)").arg(block.words[ProcedureBlock::kResult]));
         },
         .ended = [this](const ProcedureRunner::Report& report) { EndCalibration(report); }},
        this);
}

CPidFocDlg::~CPidFocDlg() = default;

void CPidFocDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    Text(fromControls, m_ui->speedKpEdit, m_speedKp);
    Text(fromControls, m_ui->speedKiEdit, m_speedKi);
    Text(fromControls, m_ui->speedKdEdit, m_speedKd);
    Text(fromControls, m_ui->positionKpEdit, m_positionKp);
    Text(fromControls, m_ui->positionKiEdit, m_positionKi);
    Text(fromControls, m_ui->positionKdEdit, m_positionKd);
    Text(fromControls, m_ui->selfLockKpEdit, m_selfLockKp);
    Text(fromControls, m_ui->selfLockKiEdit, m_selfLockKi);
    Text(fromControls, m_ui->selfLockKdEdit, m_selfLockKd);
    Check(fromControls, m_ui->openLoopCheck, m_openLoop);
    Check(fromControls, m_ui->speedLoopCheck, m_speedLoop);
    Check(fromControls, m_ui->positionLoopCheck, m_positionLoop);
    Text(fromControls, m_ui->maxSpeedEdit, m_maxSpeed);
    Text(fromControls, m_ui->maxDecelEdit, m_maxDeceleration);
    Text(fromControls, m_ui->phaseOffsetEdit, m_phaseOffset);
    Text(fromControls, m_ui->phaseAdvanceEdit, m_phaseAdvance);
    Text(fromControls, m_ui->fluxKpEdit, m_fluxKp);
    Text(fromControls, m_ui->fluxKiEdit, m_fluxKi);
    Text(fromControls, m_ui->thresholdEdit, m_fluxDisableCurrent);
    Check(fromControls, m_ui->squareWaveCheck, m_squareWaveStart);
    Check(fromControls, m_ui->selfLockCheck, m_selfLockAfterStop);
}

void CPidFocDlg::OnPidRead()
{
    GroupActions::Read(this, m_ui->pidReadButton, &CModbusMaster::ReadPidParams, [this](const PidParams& p) {
        m_selfLockKp = Shown(Rule("pid.self_lock_kp"), p.selfLockKp);
        m_selfLockKi = Shown(Rule("pid.self_lock_ki"), p.selfLockKi);
        m_selfLockKd = Shown(Rule("pid.self_lock_kd"), p.selfLockKd);
        m_speedKp = Shown(Rule("pid.speed_kp"), p.speedKp);
        m_speedKi = Shown(Rule("pid.speed_ki"), p.speedKi);
        m_speedKd = Shown(Rule("pid.speed_kd"), p.speedKd);
        m_positionKp = Shown(Rule("pid.position_kp"), p.positionKp);
        m_positionKi = Shown(Rule("pid.position_ki"), p.positionKi);
        m_positionKd = Shown(Rule("pid.position_kd"), p.positionKd);
        UpdateData(false);
        m_ui->pidConfigButton->setEnabled(true);
    });
}

void CPidFocDlg::OnPidConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    PidParams p{};
    Enter(p.selfLockKp, Rule("pid.self_lock_kp"), m_selfLockKp);
    Enter(p.selfLockKi, Rule("pid.self_lock_ki"), m_selfLockKi);
    Enter(p.selfLockKd, Rule("pid.self_lock_kd"), m_selfLockKd);
    Enter(p.speedKp, Rule("pid.speed_kp"), m_speedKp);
    Enter(p.speedKi, Rule("pid.speed_ki"), m_speedKi);
    Enter(p.speedKd, Rule("pid.speed_kd"), m_speedKd);
    Enter(p.positionKp, Rule("pid.position_kp"), m_positionKp);
    Enter(p.positionKi, Rule("pid.position_ki"), m_positionKi);
    Enter(p.positionKd, Rule("pid.position_kd"), m_positionKd);
    GroupActions::Write(this, m_ui->pidConfigButton, &CModbusMaster::WritePidParams, p);
}

void CPidFocDlg::OnFocRead()
{
    GroupActions::Read(this, m_ui->focReadButton, &CModbusMaster::ReadFocParams, [this](const FocParams& f) {
        m_openLoop = Tick(Rule("foc.open_loop"), f.modeBits);
        m_speedLoop = Tick(Rule("foc.speed_loop"), f.modeBits);
        m_positionLoop = Tick(Rule("foc.position_loop"), f.modeBits);
        m_maxSpeed = Shown(Rule("foc.max_speed"), f.maxSpeed);
        m_maxDeceleration = Shown(Rule("foc.max_deceleration"), f.maxDeceleration);
        m_read771 = f.reserved771;
        m_phaseOffset = Shown(Rule("foc.phase_offset"), f.phaseOffset);
        m_phaseAdvance = Shown(Rule("foc.phase_advance"), f.phaseAdvance);
        m_fluxKp = Shown(Rule("foc.flux_kp"), f.fluxKp);
        m_fluxKi = Shown(Rule("foc.flux_ki"), f.fluxKi);
        m_fluxDisableCurrent = Shown(Rule("foc.flux_disable_current"), f.fluxDisableCurrent);
        m_squareWaveStart = Tick(Rule("foc.square_wave_start"), f.squareWaveStart);
        m_selfLockAfterStop = Tick(Rule("foc.self_lock_after_stop"), f.selfLockAfterStop);
        m_read779 = f.reserved779;
        UpdateData(false);
        m_ui->focConfigButton->setEnabled(true);
    });
}

void CPidFocDlg::OnFocConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    FocParams f{};
    f.modeBits = static_cast<uint16_t>(CheckRegister(Rule("foc.open_loop"), m_openLoop) |
                                       CheckRegister(Rule("foc.speed_loop"), m_speedLoop) |
                                       CheckRegister(Rule("foc.position_loop"), m_positionLoop));
    Enter(f.maxSpeed, Rule("foc.max_speed"), m_maxSpeed);
    Enter(f.maxDeceleration, Rule("foc.max_deceleration"), m_maxDeceleration);
    f.reserved771 = m_read771;
    Enter(f.phaseOffset, Rule("foc.phase_offset"), m_phaseOffset);
    Enter(f.phaseAdvance, Rule("foc.phase_advance"), m_phaseAdvance);
    Enter(f.fluxKp, Rule("foc.flux_kp"), m_fluxKp);
    Enter(f.fluxKi, Rule("foc.flux_ki"), m_fluxKi);
    Enter(f.fluxDisableCurrent, Rule("foc.flux_disable_current"), m_fluxDisableCurrent);
    f.squareWaveStart = CheckRegister(Rule("foc.square_wave_start"), m_squareWaveStart);
    f.selfLockAfterStop = CheckRegister(Rule("foc.self_lock_after_stop"), m_selfLockAfterStop);
    f.reserved779 = m_read779;
    GroupActions::Write(this, m_ui->focConfigButton, &CModbusMaster::WriteFocParams, f);
}

void CPidFocDlg::OnCalibrate()
{
    const bool yes = CMessageBox::YesNo(
        this, tr("驱动器将控制电机正反转约20秒钟来确定相位偏移量，请确保电机处于空载状态，是否准备就绪并继续？"),
        tr("重要提示"), CMessageBox::Answer::No);
    if (!yes || m_calibration->Running()) return;
    m_ui->calibrateButton->setEnabled(false);
    m_ui->calibrateButton->setText(tr("正在校正"));
    if (!m_calibration->Start(m_ui->calibrateButton)) {
        m_ui->calibrateButton->setText(tr("自动校正"));
        m_ui->calibrateButton->setEnabled(true);
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
        QString offset = Signed(report.last.words[ProcedureBlock::kResult]);
        QString advance = Signed(report.last.words[ProcedureBlock::kResult + 1]);
        DataExchange::Text(false, m_ui->phaseOffsetEdit, offset);
        DataExchange::Text(false, m_ui->phaseAdvanceEdit, advance);
        message = QString::fromUtf8(ProcedureRunner::OutcomeText(ProcedureBlock::kFocCalibration, report.outcome));
        break;
    }
    case ProcedureRunner::Outcome::Failed:
    case ProcedureRunner::Outcome::Aborted:
        message = QString::fromUtf8(ProcedureRunner::OutcomeText(ProcedureBlock::kFocCalibration, report.outcome));
        break;
    case ProcedureRunner::Outcome::PollFailed:
        message = QtText::ResultMessage(report.result);
        break;
    case ProcedureRunner::Outcome::Stopped:
        break;
    }
    if (!message.isEmpty()) CMessageBox::Ok(this, message);
    m_ui->calibrateButton->setText(tr("自动校正"));
    m_ui->calibrateButton->setEnabled(true);
}
