#include "MotorParamDlg.h"

#include <chrono>
#include <string>
#include <string_view>

#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ProcedureRunner.h"
#include "TextNumber.h"
#include "ui_MotorParamDlg.h"

namespace {

constexpr int kLearningTab = 4;  // "PID和FOC参数", where the Hall offset is set next

std::string Std(const QString& text) { return text.toStdString(); }
QString Qs(const std::string& text) { return QString::fromStdString(text); }

QString Tenths(uint16_t value) { return Qs(TextNumber::Format("%.1f", value * 0.1)); }
QString Hundredths(uint16_t value) { return Qs(TextNumber::Format("%.2f", value * 0.01)); }

// The frequency rule: whole Hz with the x10 speed range, tenths otherwise.
QString Frequency(uint16_t value, bool x10)
{
    return x10 ? Qs(TextNumber::Format("%u", unsigned{value})) : Tenths(value);
}

uint16_t FrequencyRegister(const QString& text, bool x10)
{
    if (x10) return TextNumber::ParseU16(Std(text));
    int64_t tenths = TextNumber::ParseScaled(Std(text), 1);
    if (tenths < 0) tenths = 0;
    if (tenths > 65535) tenths = 65535;
    return static_cast<uint16_t>(tenths);
}

QString PhaseText(const uint8_t (&bytes)[6])
{
    return Qs(TextNumber::Format("%02X %02X %02X %02X %02X %02X", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                                 bytes[5]));
}

// The phase text back into its three registers: six hexadecimal numbers
// separated by blanks, missing ones 0; reading stops at the first that is not
// a number. Each is one byte of the data, so only its low byte is taken.
void PhaseRegisters(const QString& text, uint16_t (&words)[3])
{
    uint8_t bytes[6] = {};
    const std::string s = Std(text);
    size_t pos = 0;
    for (uint8_t& byte : bytes) {
        pos = s.find_first_not_of(" \t\r\n", pos);
        if (pos == std::string::npos) break;
        const size_t end = s.find_first_of(" \t\r\n", pos);
        uint32_t value = 0;
        if (!TextNumber::ParseHex(std::string_view(s).substr(pos, end == std::string::npos ? s.size() - pos : end - pos),
                                  value))
            break;
        byte = static_cast<uint8_t>(value & 0xFF);
        pos = end;
        if (pos == std::string::npos) break;
    }
    for (int i = 0; i < 3; ++i) words[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
}

}  // namespace

CMotorParamDlg::CMotorParamDlg(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::CMotorParamDlg>())
{
    m_ui->setupUi(this);
    UpdateData(false);
    connect(m_ui->readButton, &QPushButton::clicked, this, &CMotorParamDlg::OnRead);
    connect(m_ui->configButton, &QPushButton::clicked, this, &CMotorParamDlg::OnConfigure);
    connect(m_ui->learnButton, &QPushButton::clicked, this, &CMotorParamDlg::OnStartLearning);
}

CMotorParamDlg::~CMotorParamDlg()
{
    // The worker sends its stop request, touches nothing here and ends.
    m_learning.Stop();
}

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
    CMessageBox::Ok(this, tr(CModbusMaster::ResultText(result).c_str()));
}

void CMotorParamDlg::OnRead()
{
    if (!g_pMainDlg) return;
    struct Read {
        ModbusResult result = kResultOk;
        MotorParams params{};
    };
    g_pMainDlg->Link().Act(
        m_ui->readButton,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadMotorParams(slave, read.params);
            return read;
        },
        [this](const Read& read) {
            if (read.result != kResultOk) {
                ShowResult(read.result);
                return;
            }
            StoreRead(read.params);
            m_ui->configButton->setEnabled(true);
            UpdateData(false);
        });
}

void CMotorParamDlg::StoreRead(const MotorParams& p)
{
    const bool x10 = (p.speedRangeX10 & 1) != 0;
    m_speedRangeX10 = x10 ? 1 : 0;
    g_pMainDlg->m_speedRangeX10 = m_speedRangeX10;

    m_pwmStartRamp = Tenths(p.pwmStartRamp);
    m_pwmStopRamp = Tenths(p.pwmStopRamp);
    m_maxAcceleration = Frequency(p.maxAcceleration, x10);
    m_defaultAcceleration = Frequency(p.defaultAcceleration, x10);
    m_maxDeceleration = Frequency(p.maxDeceleration, x10);
    m_defaultDeceleration = Frequency(p.defaultDeceleration, x10);
    m_maxFrequency = Frequency(p.maxFrequency, x10);
    m_defaultFrequency = Frequency(p.defaultFrequency, x10);
    m_ratedCurrent = Hundredths(p.ratedCurrent);
    m_maxLoadCurrent = Hundredths(p.maxLoadCurrent);
    m_brakeCurrent = Hundredths(p.brakeCurrent);
    const uint8_t phase[6] = {
        static_cast<uint8_t>(p.phaseSequence[0] >> 8), static_cast<uint8_t>(p.phaseSequence[0] & 0xFF),
        static_cast<uint8_t>(p.phaseSequence[1] >> 8), static_cast<uint8_t>(p.phaseSequence[1] & 0xFF),
        static_cast<uint8_t>(p.phaseSequence[2] >> 8), static_cast<uint8_t>(p.phaseSequence[2] & 0xFF)};
    m_phaseSequence = PhaseText(phase);
    m_readSpeedAlgorithm = p.speedAlgorithm;
    m_speedAlgorithm = p.speedAlgorithm < m_ui->speedAlgorithmCombo->count() ? p.speedAlgorithm : -1;
    m_positionTolerance = Qs(TextNumber::Format("%d", int{p.positionTolerance}));
    m_overshootCorrection = p.overshootCorrection & 1;
    m_poleCount = Qs(TextNumber::Format("%d", int{p.poleCount}));
    m_gearRatio = Tenths(p.gearRatio);
    m_readLearningState = p.learningState;
    m_learningState = p.learningState & 1;
    m_learningDisabled = p.learningDisabled & 1;
    m_holdCurrent = Hundredths(p.holdCurrent);
    m_overloadMultiple = Hundredths(p.overloadMultiple);
    m_overloadDuration = Tenths(p.overloadDuration);
    m_detectInitialSpeed = p.detectInitialSpeed != 0 ? 1 : 0;
}

MotorParams CMotorParamDlg::BuildParams(bool x10) const
{
    MotorParams p{};
    p.pwmStartRamp = TextNumber::ParseScaledU16(Std(m_pwmStartRamp), 1);
    p.pwmStopRamp = TextNumber::ParseScaledU16(Std(m_pwmStopRamp), 1);
    p.maxAcceleration = FrequencyRegister(m_maxAcceleration, x10);
    p.defaultAcceleration = FrequencyRegister(m_defaultAcceleration, x10);
    p.maxDeceleration = FrequencyRegister(m_maxDeceleration, x10);
    p.defaultDeceleration = FrequencyRegister(m_defaultDeceleration, x10);
    p.maxFrequency = FrequencyRegister(m_maxFrequency, x10);
    p.defaultFrequency = FrequencyRegister(m_defaultFrequency, x10);
    p.reserved104 = 0;
    p.reserved105 = 0;
    p.ratedCurrent = TextNumber::ParseScaledU16(Std(m_ratedCurrent), 2);
    p.maxLoadCurrent = TextNumber::ParseScaledU16(Std(m_maxLoadCurrent), 2);
    p.brakeCurrent = TextNumber::ParseScaledU16(Std(m_brakeCurrent), 2);
    PhaseRegisters(m_phaseSequence, p.phaseSequence);
    p.speedAlgorithm = m_speedAlgorithm >= 0 ? static_cast<uint16_t>(m_speedAlgorithm) : m_readSpeedAlgorithm;
    p.positionTolerance = TextNumber::ParseU16(Std(m_positionTolerance));
    p.overshootCorrection = static_cast<uint16_t>(m_overshootCorrection);
    p.poleCount = TextNumber::ParseU16(Std(m_poleCount));
    p.gearRatio = TextNumber::ParseScaledU16(Std(m_gearRatio), 1);
    p.learningState = m_learningState >= 0 ? static_cast<uint16_t>(m_learningState) : m_readLearningState;
    p.learningDisabled = static_cast<uint16_t>(m_learningDisabled);
    p.speedRangeX10 = x10 ? 1 : 0;
    p.holdCurrent = TextNumber::ParseScaledU16(Std(m_holdCurrent), 2);
    p.overloadMultiple = TextNumber::ParseScaledU16(Std(m_overloadMultiple), 2);
    p.overloadDuration = TextNumber::ParseScaledU16(Std(m_overloadDuration), 1);
    p.detectInitialSpeed = static_cast<uint16_t>(m_detectInitialSpeed);
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
    if (m_learning.Running() || !g_pMainDlg) return;
    m_ui->learnButton->setEnabled(false);
    m_ui->learnButton->setText(tr("正在学习"));
    if (!m_learning.Start([this] { LearningWorker(); })) {
        m_ui->learnButton->setText(tr("开始学习"));
        m_ui->learnButton->setEnabled(true);
    }
}

// Step 8 of a run: the page is idle again. On the UI thread, so that the
// flag and the button change together.
void CMotorParamDlg::EndLearning()
{
    m_learning.Finish([this] {
        m_ui->learnButton->setText(tr("开始学习"));
        m_ui->learnButton->setEnabled(true);
    });
}

void CMotorParamDlg::LearningWorker()
{
    CModbusMaster& master = g_pMainDlg->m_master;
    const uint8_t slave = g_pMainDlg->m_deviceAddress;
    const ModbusResult r = ProcedureRunner::Start(master, slave, ProcedureBlock::kMotorLearning);
    if (r != kResultOk) {
        const QString text = tr(CModbusMaster::ResultText(r).c_str());
        m_learning.Ui([this, &text] { CMessageBox::Ok(this, text); });
        EndLearning();
        return;
    }

    const ProcedureRunner::Report report =
        ProcedureRunner::Follow(master, slave, ProcedureBlock::kMotorLearning, [this](std::chrono::milliseconds period) { return m_learning.WaitForStop(period); });
    if (!m_learning.Running()) return;  // the page is being destroyed

    switch (report.outcome) {
    case ProcedureRunner::Outcome::Done: {
        uint8_t bytes[6];
        for (int i = 0; i < 6; ++i) bytes[i] = static_cast<uint8_t>(report.last.words[ProcedureBlock::kResult + i] & 0xFF);
        const QString phase = PhaseText(bytes);
        m_learning.Ui([this, &phase] {
            m_phaseSequence = phase;
            DataExchange::Text(false, m_ui->phaseSequenceEdit, m_phaseSequence);
            m_learningState = 1;
            DataExchange::Index(false, m_ui->learningStateCombo, m_learningState);
        });
        const bool shown = m_learning.Ui([this] {
            CMessageBox::Ok(this, tr("相序学习成功，请配置好霍尔相位偏移角度后方可正常使用FOC功能"));
        });
        if (shown) m_learning.Ui([] { g_pMainDlg->ShowPage(kLearningTab); });
        break;
    }
    case ProcedureRunner::Outcome::Failed:
        m_learning.Ui([this] {
            m_learningState = 0;
            DataExchange::Index(false, m_ui->learningStateCombo, m_learningState);
            CMessageBox::Ok(this, tr("学习失败"));
        });
        break;
    case ProcedureRunner::Outcome::Aborted:
        m_learning.Ui([this] { CMessageBox::Ok(this, tr("学习异常终止")); });
        break;
    case ProcedureRunner::Outcome::PollFailed: {
        const QString text = tr(CModbusMaster::ResultText(report.result).c_str());
        m_learning.Ui([this, &text] { CMessageBox::Ok(this, text); });
        break;
    }
    case ProcedureRunner::Outcome::Stopped:
        break;
    }
    EndLearning();
}
