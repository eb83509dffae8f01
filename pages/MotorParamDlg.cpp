#include "MotorParamDlg.h"

#include <string>
#include <string_view>

#include "Accessibility.h"
#include "DataExchange.h"
#include "FieldText.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ProcedureRunner.h"
#include "QtText.h"
#include "TextNumber.h"
#include "ui_MotorParamDlg.h"

using namespace FieldText;

namespace {

// The phase text of six bytes, as the learning reports them.
QString PhaseText(const uint8_t (&bytes)[6])
{
    uint64_t raw = 0;
    for (uint8_t byte : bytes) raw = raw << 8 | byte;
    return Shown(Rule("motor.phase_sequence"), raw);
}

QString OutcomeMessage(ProcedureRunner::Outcome outcome)
{
    return QString::fromUtf8(ProcedureRunner::OutcomeText(ProcedureBlock::kMotorLearning, outcome));
}

}  // namespace

CMotorParamDlg::CMotorParamDlg(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::CMotorParamDlg>())
{
    m_ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    UpdateData(false);
    connect(m_ui->readButton, &QPushButton::clicked, this, &CMotorParamDlg::OnRead);
    connect(m_ui->configButton, &QPushButton::clicked, this, &CMotorParamDlg::OnConfigure);
    connect(m_ui->learnButton, &QPushButton::clicked, this, &CMotorParamDlg::OnStartLearning);
    m_learning = new CProcedureRun(ProcedureBlock::kMotorLearning,
                                   {.step = {}, .ended = [this](const ProcedureRunner::Report& r) { EndLearning(r); }}, this);
}

CMotorParamDlg::~CMotorParamDlg() = default;

void CMotorParamDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    Text(fromControls, m_ui->pwmStartRampEdit, m_pwmStartRamp);
    Text(fromControls, m_ui->pwmStopRampEdit, m_pwmStopRamp);
    Text(fromControls, m_ui->maxAccelEdit, m_maxAcceleration);
    Text(fromControls, m_ui->defaultAccelEdit, m_defaultAcceleration);
    Text(fromControls, m_ui->maxDecelEdit, m_maxDeceleration);
    Text(fromControls, m_ui->defaultDecelEdit, m_defaultDeceleration);
    Text(fromControls, m_ui->maxFreqEdit, m_maxFrequency);
    Text(fromControls, m_ui->defaultFreqEdit, m_defaultFrequency);
    Text(fromControls, m_ui->ratedCurrentEdit, m_ratedCurrent);
    Text(fromControls, m_ui->maxLoadCurrentEdit, m_maxLoadCurrent);
    Text(fromControls, m_ui->brakeCurrentEdit, m_brakeCurrent);
    Text(fromControls, m_ui->phaseSequenceEdit, m_phaseSequence);
    Index(fromControls, m_ui->speedAlgorithmCombo, m_speedAlgorithm);
    Text(fromControls, m_ui->positionToleranceEdit, m_positionTolerance);
    Check(fromControls, m_ui->overshootCheck, m_overshootCorrection);
    Text(fromControls, m_ui->poleCountEdit, m_poleCount);
    Text(fromControls, m_ui->gearRatioEdit, m_gearRatio);
    Index(fromControls, m_ui->learningStateCombo, m_learningState);
    Check(fromControls, m_ui->learningDisabledCheck, m_learningDisabled);
    Check(fromControls, m_ui->speedRangeCheck, m_speedRangeX10);
    Text(fromControls, m_ui->holdCurrentEdit, m_holdCurrent);
    Text(fromControls, m_ui->overloadMultipleEdit, m_overloadMultiple);
    Text(fromControls, m_ui->overloadDurationEdit, m_overloadDuration);
    Check(fromControls, m_ui->detectSpeedCheck, m_detectInitialSpeed);
}

void CMotorParamDlg::ShowResult(ModbusResult result)
{
    CMessageBox::Ok(this, QtText::ResultMessage(result));
}

void CMotorParamDlg::OnRead()
{
    GroupActions::Read(this, m_ui->readButton, &CModbusMaster::ReadMotorParams, [this](const MotorParams& params) {
        StoreRead(params);
        m_ui->configButton->setEnabled(true);
        UpdateData(false);
    });
}

void CMotorParamDlg::StoreRead(const MotorParams& p)
{
    const bool x10 = (p.speedRangeX10 & 1) != 0;
    m_speedRangeX10 = x10 ? 1 : 0;
    g_pMainDlg->m_speedRangeX10 = m_speedRangeX10;

    const Units units{.x10 = x10};
    m_pwmStartRamp = Shown(Rule("motor.pwm_start_ramp"), p.pwmStartRamp);
    m_pwmStopRamp = Shown(Rule("motor.pwm_stop_ramp"), p.pwmStopRamp);
    m_maxAcceleration = Shown(Rule("motor.max_acceleration"), p.maxAcceleration, units);
    m_defaultAcceleration = Shown(Rule("motor.default_acceleration"), p.defaultAcceleration, units);
    m_maxDeceleration = Shown(Rule("motor.max_deceleration"), p.maxDeceleration, units);
    m_defaultDeceleration = Shown(Rule("motor.default_deceleration"), p.defaultDeceleration, units);
    m_maxFrequency = Shown(Rule("motor.max_frequency"), p.maxFrequency, units);
    m_defaultFrequency = Shown(Rule("motor.default_frequency"), p.defaultFrequency, units);
    m_ratedCurrent = Shown(Rule("motor.rated_current"), p.ratedCurrent);
    m_maxLoadCurrent = Shown(Rule("motor.max_load_current"), p.maxLoadCurrent);
    m_brakeCurrent = Shown(Rule("motor.brake_current"), p.brakeCurrent);
    m_phaseSequence = Shown(Rule("motor.phase_sequence"), p.phaseSequence);
    m_readSpeedAlgorithm = p.speedAlgorithm;
    m_speedAlgorithm = Index(Rule("motor.speed_algorithm"), p.speedAlgorithm);
    m_positionTolerance = Shown(Rule("motor.position_tolerance"), p.positionTolerance);
    m_overshootCorrection = Tick(Rule("motor.overshoot_correction"), p.overshootCorrection);
    m_poleCount = Shown(Rule("motor.pole_count"), p.poleCount);
    m_gearRatio = Shown(Rule("motor.gear_ratio"), p.gearRatio);
    m_readLearningState = p.learningState;
    m_learningState = Index(Rule("motor.learning_state"), p.learningState);
    m_learningDisabled = Tick(Rule("motor.learning_disabled"), p.learningDisabled);
    m_holdCurrent = Shown(Rule("motor.hold_current"), p.holdCurrent);
    m_overloadMultiple = Shown(Rule("motor.overload_multiple"), p.overloadMultiple);
    m_overloadDuration = Shown(Rule("motor.overload_duration"), p.overloadDuration);
    m_detectInitialSpeed = Tick(Rule("motor.detect_initial_speed"), p.detectInitialSpeed);
}

MotorParams CMotorParamDlg::BuildParams(bool x10) const
{
    const Units units{.x10 = x10};
    MotorParams p{};
    Enter(p.pwmStartRamp, Rule("motor.pwm_start_ramp"), m_pwmStartRamp);
    Enter(p.pwmStopRamp, Rule("motor.pwm_stop_ramp"), m_pwmStopRamp);
    Enter(p.maxAcceleration, Rule("motor.max_acceleration"), m_maxAcceleration, units);
    Enter(p.defaultAcceleration, Rule("motor.default_acceleration"), m_defaultAcceleration, units);
    Enter(p.maxDeceleration, Rule("motor.max_deceleration"), m_maxDeceleration, units);
    Enter(p.defaultDeceleration, Rule("motor.default_deceleration"), m_defaultDeceleration, units);
    Enter(p.maxFrequency, Rule("motor.max_frequency"), m_maxFrequency, units);
    Enter(p.defaultFrequency, Rule("motor.default_frequency"), m_defaultFrequency, units);
    p.reserved104 = 0;
    p.reserved105 = 0;
    Enter(p.ratedCurrent, Rule("motor.rated_current"), m_ratedCurrent);
    Enter(p.maxLoadCurrent, Rule("motor.max_load_current"), m_maxLoadCurrent);
    Enter(p.brakeCurrent, Rule("motor.brake_current"), m_brakeCurrent);
    Enter(p.phaseSequence, Rule("motor.phase_sequence"), m_phaseSequence);
    p.speedAlgorithm = m_speedAlgorithm >= 0 ? static_cast<uint16_t>(m_speedAlgorithm) : m_readSpeedAlgorithm;
    Enter(p.positionTolerance, Rule("motor.position_tolerance"), m_positionTolerance);
    p.overshootCorrection = CheckRegister(Rule("motor.overshoot_correction"), m_overshootCorrection);
    Enter(p.poleCount, Rule("motor.pole_count"), m_poleCount);
    Enter(p.gearRatio, Rule("motor.gear_ratio"), m_gearRatio);
    p.learningState = m_learningState >= 0 ? static_cast<uint16_t>(m_learningState) : m_readLearningState;
    p.learningDisabled = CheckRegister(Rule("motor.learning_disabled"), m_learningDisabled);
    p.speedRangeX10 = CheckRegister(Rule("motor.speed_range_x10"), x10);
    Enter(p.holdCurrent, Rule("motor.hold_current"), m_holdCurrent);
    Enter(p.overloadMultiple, Rule("motor.overload_multiple"), m_overloadMultiple);
    Enter(p.overloadDuration, Rule("motor.overload_duration"), m_overloadDuration);
    p.detectInitialSpeed = CheckRegister(Rule("motor.detect_initial_speed"), m_detectInitialSpeed);
    return p;
}

void CMotorParamDlg::OnConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    // Which block goes out depends on the drive's answer, so both are built
    // here: as ticked, and in tenths for a drive without the x10 range.
    const uint16_t ticked = static_cast<uint16_t>(m_speedRangeX10);
    const MotorParams asTicked = BuildParams(ticked != 0);
    const MotorParams inTenths = BuildParams(false);
    struct Configure {
        ModbusResult infoResult = kResultOk;
        bool hasX10Range = false;
        bool switched = false;
        ModbusResult result = kResultOk;
    };
    g_pMainDlg->Link().Act(
        m_ui->configButton,
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
                m_speedRangeX10 = 0;
                DataExchange::Check(false, m_ui->speedRangeCheck, m_speedRangeX10);
                g_pMainDlg->m_speedRangeX10 = 0;
            }
            ShowResult(c.result);
        });
}

void CMotorParamDlg::OnStartLearning()
{
    if (m_learning->Running()) return;
    m_ui->learnButton->setEnabled(false);
    m_ui->learnButton->setText(tr("正在学习"));
    if (!m_learning->Start(m_ui->learnButton)) {
        m_ui->learnButton->setText(tr("开始学习"));
        m_ui->learnButton->setEnabled(true);
    }
}

// The run is over, its stop write sent: the page shows how it went and is idle again.
void CMotorParamDlg::EndLearning(const ProcedureRunner::Report& report)
{
    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done: {
        uint8_t bytes[6];
        for (int i = 0; i < 6; ++i) bytes[i] = static_cast<uint8_t>(report.last.words[ProcedureBlock::kResult + i] & 0xFF);
        m_phaseSequence = PhaseText(bytes);
        DataExchange::Text(false, m_ui->phaseSequenceEdit, m_phaseSequence);
        m_learningState = 1;
        DataExchange::Index(false, m_ui->learningStateCombo, m_learningState);
        CMessageBox::Ok(this, OutcomeMessage(report.outcome));
        break;
    }
    case ProcedureRunner::Outcome::Failed:
        m_learningState = 0;
        DataExchange::Index(false, m_ui->learningStateCombo, m_learningState);
        CMessageBox::Ok(this, OutcomeMessage(report.outcome));
        break;
    case ProcedureRunner::Outcome::Aborted:
        CMessageBox::Ok(this, OutcomeMessage(report.outcome));
        break;
    case ProcedureRunner::Outcome::PollFailed:
        ShowResult(report.result);
        break;
    case ProcedureRunner::Outcome::Stopped:
        break;
    }
    m_ui->learnButton->setText(tr("开始学习"));
    m_ui->learnButton->setEnabled(true);
    if (report.outcome == ProcedureRunner::Outcome::Done) emit learned();
}
