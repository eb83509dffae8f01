#include "MotorParamDlg.h"

#include "Accessibility.h"
#include "FieldBinding.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ProcedureRunner.h"
#include "QtText.h"
#include "ui_MotorParamDlg.h"

using FieldRules::Rule;

namespace {

QString OutcomeMessage(ProcedureRunner::Outcome outcome)
{
    return QString::fromUtf8(ProcedureRunner::OutcomeText(ProcedureBlock::kMotorLearning, outcome));
}

}  // namespace

CMotorParamDlg::CMotorParamDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CMotorParamDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // Lists showing no item send the register back as read.
    m_fields = CFieldBinding({{Rule("motor.pwm_start_ramp"), ui->pwmStartRampEdit},
                              {Rule("motor.pwm_stop_ramp"), ui->pwmStopRampEdit},
                              {Rule("motor.max_acceleration"), ui->maxAccelEdit},
                              {Rule("motor.default_acceleration"), ui->defaultAccelEdit},
                              {Rule("motor.max_deceleration"), ui->maxDecelEdit},
                              {Rule("motor.default_deceleration"), ui->defaultDecelEdit},
                              {Rule("motor.max_frequency"), ui->maxFreqEdit},
                              {Rule("motor.default_frequency"), ui->defaultFreqEdit},
                              {Rule("motor.rated_current"), ui->ratedCurrentEdit},
                              {Rule("motor.max_load_current"), ui->maxLoadCurrentEdit},
                              {Rule("motor.brake_current"), ui->brakeCurrentEdit},
                              {Rule("motor.phase_sequence"), ui->phaseSequenceEdit},
                              {Rule("motor.speed_algorithm"), ui->speedAlgorithmCombo},
                              {Rule("motor.position_tolerance"), ui->positionToleranceEdit},
                              {Rule("motor.overshoot_correction"), ui->overshootCheck},
                              {Rule("motor.pole_count"), ui->poleCountEdit},
                              {Rule("motor.gear_ratio"), ui->gearRatioEdit},
                              {Rule("motor.learning_state"), ui->learningStateCombo},
                              {Rule("motor.learning_disabled"), ui->learningDisabledCheck},
                              {Rule("motor.speed_range_x10"), ui->speedRangeCheck},
                              {Rule("motor.hold_current"), ui->holdCurrentEdit},
                              {Rule("motor.overload_multiple"), ui->overloadMultipleEdit},
                              {Rule("motor.overload_duration"), ui->overloadDurationEdit},
                              {Rule("motor.detect_initial_speed"), ui->detectSpeedCheck}},
                             CFieldBinding::NoItem::LastRead);
    UpdateData(false);
    connect(ui->readButton, &QPushButton::clicked, this, &CMotorParamDlg::OnRead);
    connect(ui->configButton, &QPushButton::clicked, this, &CMotorParamDlg::OnConfigure);
    connect(ui->learnButton, &QPushButton::clicked, this, &CMotorParamDlg::OnStartLearning);
    m_learning =
        new CProcedureRun(ProcedureBlock::kMotorLearning,
                          {.step = {}, .ended = [this](const ProcedureRunner::Report& r) { EndLearning(r); }}, this);
}

CMotorParamDlg::~CMotorParamDlg() = default;

void CMotorParamDlg::UpdateData(bool fromControls) { m_fields.Exchange(fromControls); }

void CMotorParamDlg::ShowResult(ModbusResult result) { CMessageBox::Ok(this, QtText::ResultMessage(result)); }

void CMotorParamDlg::OnRead()
{
    GroupActions::Read(this, ui->readButton, &CModbusMaster::ReadMotorParams, [this](const MotorParams& params) {
        StoreRead(params);
        ui->configButton->setEnabled(true);
        UpdateData(false);
    });
}

void CMotorParamDlg::StoreRead(const MotorParams& p)
{
    // The block's own speed range gives its frequencies' unit, and the whole tool's.
    const bool x10 = (p.speedRangeX10 & 1) != 0;
    g_pMainDlg->m_speedRangeX10 = x10 ? 1 : 0;
    m_fields.Show(p, {.x10 = x10});
}

MotorParams CMotorParamDlg::BuildParams(bool x10) const
{
    MotorParams p = m_fields.Build<MotorParams>({.x10 = x10});
    // The switch goes as the unit the frequencies are sent in.
    p.speedRangeX10 = x10 ? 1 : 0;
    return p;
}

void CMotorParamDlg::OnConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    // Which block goes out depends on the drive's answer, so both are built
    // here: as ticked, and in tenths for a drive without the x10 range.
    const uint16_t ticked = ui->speedRangeCheck->isChecked() ? 1 : 0;
    const MotorParams asTicked = BuildParams(ticked != 0);
    const MotorParams inTenths = BuildParams(false);
    struct Configure {
        ModbusResult infoResult = kResultOk;
        bool hasX10Range = false;
        bool switched = false;
        ModbusResult result = kResultOk;
    };
    g_pMainDlg->Link().Act(
        ui->configButton,
        [ticked, asTicked, inTenths](CModbusMaster& master, uint8_t slave) {
            Configure c;
            DeviceInfo info{};
            c.infoResult = master.ReadDeviceInfo(slave, info);
            if (c.infoResult != kResultOk) return c;
            c.hasX10Range = info.speedRangeCapability != 0;
            if (c.hasX10Range) {
                // The switch goes first, alone; the block below carries it
                // again. A failure here shows in the block's own result.
                c.switched = master.WriteSpeedRangeSwitch(slave, ticked) == kResultOk;
                c.result = master.WriteMotorParams(slave, asTicked);
            } else {
                c.result = master.WriteMotorParams(slave, inTenths);
            }
            return c;
        },
        [this, ticked](const Configure& c) {
            if (c.infoResult != kResultOk) {
                ShowResult(c.infoResult);
                return;
            }
            if (c.hasX10Range) {
                if (c.switched) g_pMainDlg->m_speedRangeX10 = ticked;
            } else {
                // A drive without the x10 range counts in tenths, whatever was ticked.
                m_fields.ShowValue(ui->speedRangeCheck, 0);
                g_pMainDlg->m_speedRangeX10 = 0;
            }
            ShowResult(c.result);
        });
}

void CMotorParamDlg::OnStartLearning()
{
    if (m_learning->Running()) return;
    ui->learnButton->setEnabled(false);
    ui->learnButton->setText(tr("正在学习"));
    if (!m_learning->Start(ui->learnButton)) {
        ui->learnButton->setText(tr("开始学习"));
        ui->learnButton->setEnabled(true);
    }
}

// The run is over, its stop write sent: the page shows how it went and is idle again.
void CMotorParamDlg::EndLearning(const ProcedureRunner::Report& report)
{
    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done: {
        // Six bytes, one in the low byte of each result word.
        uint64_t phase = 0;
        for (int i = 0; i < 6; ++i) phase = phase << 8 | (report.last.words[ProcedureBlock::kResult + i] & 0xFF);
        m_fields.ShowValue(ui->phaseSequenceEdit, phase);
        m_fields.ShowValue(ui->learningStateCombo, 1);
        CMessageBox::Ok(this, OutcomeMessage(report.outcome));
        break;
    }
    case ProcedureRunner::Outcome::Failed:
        m_fields.ShowValue(ui->learningStateCombo, 0);
        CMessageBox::Ok(this, OutcomeMessage(report.outcome));
        break;
    case ProcedureRunner::Outcome::Aborted: CMessageBox::Ok(this, OutcomeMessage(report.outcome)); break;
    case ProcedureRunner::Outcome::PollFailed: ShowResult(report.result); break;
    case ProcedureRunner::Outcome::Stopped: break;
    }
    ui->learnButton->setText(tr("开始学习"));
    ui->learnButton->setEnabled(true);
    if (report.outcome == ProcedureRunner::Outcome::Done) emit learned();
}
