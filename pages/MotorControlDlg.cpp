#include "MotorControlDlg.h"

#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <cctype>
#include <string>
#include <utility>

#include "Accessibility.h"
#include "DataExchange.h"
#include "FieldBinding.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
#include "TextNumber.h"
#include "ui_MotorControlDlg.h"

using FieldRules::Rule;
using FieldRules::Units;

namespace {

constexpr int kPwmLimit = 1000;      // 0.1 %
constexpr int kSliderLimit = 32767;  // the frequency registers are signed 16-bit
constexpr int64_t kRegisterMax = 65535;

using QtText::Qs;
using QtText::Std;

// True when the text starts (after blanks and a sign) with a digit or a
// point followed by one: the texts that read as a number at all.
bool HasNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
}

// "%.1f" of a register counted in tenths.
std::string Tenths(unsigned value) { return TextNumber::Format("%.1f", value * 0.1); }

}  // namespace

CMotorControlDlg::CMotorControlDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CMotorControlDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    m_fields = CFieldBinding({{Rule("ramp.pwm_rise"), ui->pwmRiseEdit},
                              {Rule("ramp.pwm_fall"), ui->pwmFallEdit},
                              {Rule("ramp.acceleration"), ui->accelEdit},
                              {Rule("ramp.deceleration"), ui->decelEdit}},
                             CFieldBinding::NoItem::AllOnes);
    // Until a read: no PWM ramps, 500.0 Hz/s.
    m_fields.ShowValue(ui->pwmRiseEdit, 0);
    m_fields.ShowValue(ui->pwmFallEdit, 0);
    m_fields.ShowValue(ui->accelEdit, 5000);
    m_fields.ShowValue(ui->decelEdit, 5000);
    UpdateData(false);

    ui->pwmSlider->setRange(-kPwmLimit, kPwmLimit);
    // The initial maximum "1000.0" Hz in tenths of a Hz.
    int64_t frequencyRange = int64_t{TextNumber::ParseInt(Std(m_maxFrequency))} * 10;
    if (frequencyRange > kSliderLimit) frequencyRange = kSliderLimit;
    if (frequencyRange < 1) frequencyRange = 1;
    ui->freqSlider->setRange(-static_cast<int>(frequencyRange), static_cast<int>(frequencyRange));
    const int positionRange = TextNumber::ParseInt(Std(m_positionRange));
    ui->positionSlider->setRange(-positionRange, positionRange);

    connect(ui->pwmApplyButton, &QPushButton::clicked, this, &CMotorControlDlg::OnPwmApply);
    connect(ui->freqApplyButton, &QPushButton::clicked, this, &CMotorControlDlg::OnFrequencyApply);
    connect(ui->stopButton, &QPushButton::clicked, this, &CMotorControlDlg::OnStop);
    connect(ui->positionApplyButton, &QPushButton::clicked, this, &CMotorControlDlg::OnPositionApply);
    connect(ui->rampReadButton, &QPushButton::clicked, this, &CMotorControlDlg::OnRampRead);
    connect(ui->rampSetButton, &QPushButton::clicked, this, &CMotorControlDlg::OnRampSet);
    connect(ui->positionRangeEdit, &QLineEdit::textChanged, this, &CMotorControlDlg::OnPositionRangeChanged);
    ui->maxFreqEdit->installEventFilter(this);

    RefreshLabels(m_speedRangeCopy);

    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &CMotorControlDlg::OnTimer);
    m_timer->start();
}

CMotorControlDlg::~CMotorControlDlg()
{
    m_timer->stop();
    ui->maxFreqEdit->removeEventFilter(this);
}

int CMotorControlDlg::SpeedRangeX10() { return g_pMainDlg ? g_pMainDlg->m_speedRangeX10.load() : 0; }

void CMotorControlDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    m_fields.Exchange(fromControls);
    Text(fromControls, ui->maxFreqEdit, m_maxFrequency);
    Text(fromControls, ui->moveFreqEdit, m_moveFrequency);
    Text(fromControls, ui->positionRangeEdit, m_positionRange);
    Position(fromControls, ui->pwmSlider, m_pwmPosition);
    Position(fromControls, ui->freqSlider, m_frequencyPosition);
    Position(fromControls, ui->positionSlider, m_targetPosition);
    if (fromControls) {
        m_stopMode = ui->emergencyStopRadio->isChecked() ? 1 : ui->freeStopRadio->isChecked() ? 2 : 0;
        m_positionType = ui->relativeRadio->isChecked() ? 1 : 0;
    } else {
        (m_stopMode == 1   ? ui->emergencyStopRadio
         : m_stopMode == 2 ? ui->freeStopRadio
                           : ui->normalStopRadio)
            ->setChecked(true);
        (m_positionType == 1 ? ui->relativeRadio : ui->absoluteRadio)->setChecked(true);
    }
}

bool CMotorControlDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->maxFreqEdit && event->type() == QEvent::FocusOut) ApplyMaxFrequencyRule();
    return QWidget::eventFilter(watched, event);
}

void CMotorControlDlg::RefreshLabels(int x10)
{
    const int pwm = ui->pwmSlider->value();
    const int frequency = ui->freqSlider->value();
    ui->pwmValueLabel->setText(tr("%1%").arg(Qs(TextNumber::Format("%.1f", pwm * 0.1))));
    ui->freqValueLabel->setText(tr("%1Hz").arg(x10 ? Qs(TextNumber::Format("%d", frequency))
                                                   : Qs(TextNumber::Format("%.1f", frequency * 0.1))));
    ui->positionValueLabel->setText(Qs(TextNumber::Format("%ld", static_cast<long>(ui->positionSlider->value()))));
}

void CMotorControlDlg::OnTimer()
{
    const int x10 = SpeedRangeX10();
    RefreshLabels(x10);
    if (m_speedRangeCopy != x10) {
        ApplyMaxFrequencyRule();
        m_speedRangeCopy = x10;
    }
}

void CMotorControlDlg::ApplyMaxFrequencyRule()
{
    UpdateData(true);
    const int x10 = SpeedRangeX10();
    const std::string text = Std(m_maxFrequency);
    int64_t tenths;
    if (HasNumber(text)) {
        tenths = TextNumber::ParseScaled(text, 1);
    } else {
        // Not a number: keep the range the slider has, in the unit it has it in.
        const int64_t current = ui->freqSlider->maximum();
        tenths = m_speedRangeCopy ? current * 10 : current;
    }
    int range;
    if (x10) {
        int64_t hz = tenths / 10;
        if (hz < 1) hz = 1;
        if (hz > kSliderLimit) hz = kSliderLimit;
        range = static_cast<int>(hz);
        m_maxFrequency = Qs(TextNumber::Format("%u", static_cast<unsigned>(hz)));
    } else {
        if (tenths < 1) tenths = 1;
        if (tenths > kSliderLimit) tenths = kSliderLimit;
        range = static_cast<int>(tenths);
        m_maxFrequency = Qs(Tenths(static_cast<unsigned>(tenths)));
    }
    DataExchange::Text(false, ui->maxFreqEdit, m_maxFrequency);
    ui->freqSlider->setRange(-range, range);
}

void CMotorControlDlg::OnPositionRangeChanged()
{
    if (m_rewritingRange) return;
    int range = TextNumber::ParseInt(Std(ui->positionRangeEdit->text()));
    if (range < 1) range = 1;
    const QString text = Qs(TextNumber::Format("%d", range));
    if (ui->positionRangeEdit->text() != text) {
        m_rewritingRange = true;
        ui->positionRangeEdit->setText(text);
        m_rewritingRange = false;
    }
    ui->positionSlider->setRange(-range, range);
}

void CMotorControlDlg::ShowResult(ModbusResult result) { CMessageBox::Ok(this, QtText::ResultMessage(result)); }

// Commands report failures only.
void CMotorControlDlg::SendCommand(QPushButton* trigger, std::function<ModbusResult(CModbusMaster&, uint8_t)> command)
{
    g_pMainDlg->Link().Act(trigger, std::move(command), [this](ModbusResult r) {
        if (r != kResultOk) ShowResult(r);
    });
}

void CMotorControlDlg::OnPwmApply()
{
    UpdateData(true);
    if (!g_pMainDlg) return;
    const auto duty = static_cast<int16_t>(m_pwmPosition);
    SendCommand(ui->pwmApplyButton, [duty](CModbusMaster& master, uint8_t slave) {
        return master.WriteSpeedCommand(slave, duty, CModbusMaster::SpeedCommandKind::Pwm);
    });
}

void CMotorControlDlg::OnFrequencyApply()
{
    UpdateData(true);
    if (!g_pMainDlg) return;
    const auto frequency = static_cast<int16_t>(m_frequencyPosition);
    SendCommand(ui->freqApplyButton, [frequency](CModbusMaster& master, uint8_t slave) {
        return master.WriteSpeedCommand(slave, frequency, CModbusMaster::SpeedCommandKind::Frequency);
    });
}

void CMotorControlDlg::OnStop()
{
    UpdateData(true);
    if (!g_pMainDlg) return;
    const auto mode = static_cast<uint16_t>(m_stopMode);
    SendCommand(ui->stopButton,
                [mode](CModbusMaster& master, uint8_t slave) { return master.WriteStopMode(slave, mode); });
}

void CMotorControlDlg::OnPositionApply()
{
    UpdateData(true);
    if (!g_pMainDlg) return;
    // The move frequency in the register's unit, 1 to 65535, truncated on the
    // digits of the text (12.34 Hz in tenths is 123).
    int64_t frequency = TextNumber::ParseScaled(Std(m_moveFrequency), SpeedRangeX10() ? 0 : 1);
    if (frequency < 1) frequency = 1;
    if (frequency > kRegisterMax) frequency = kRegisterMax;
    const auto registerFrequency = static_cast<uint16_t>(frequency);
    const int32_t target = m_targetPosition;
    const auto type = static_cast<uint16_t>(m_positionType);
    SendCommand(ui->positionApplyButton, [registerFrequency, target, type](CModbusMaster& master, uint8_t slave) {
        return master.WritePositionMove(slave, registerFrequency, target, type);
    });
}

void CMotorControlDlg::OnRampRead()
{
    if (!g_pMainDlg) return;
    struct Read {
        ModbusResult result = kResultOk;
        RampSettings ramps{};
    };
    // The unit the page shows now; the read is judged against the unit in
    // effect when it comes back.
    const int copyBefore = m_speedRangeCopy;
    g_pMainDlg->Link().Act(
        ui->rampReadButton,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadRampSettings(slave, read.ramps);
            return read;
        },
        [this, copyBefore](const Read& read) {
            const int x10 = SpeedRangeX10();
            if (read.result != kResultOk) {
                // A read that failed while the drive's speed unit was changing is not reported.
                if (copyBefore == x10) ShowResult(read.result);
                return;
            }
            UpdateData(true);  // keep whatever else the user has set on the page
            m_fields.Show(read.ramps, {.x10 = x10 != 0});
            UpdateData(false);
        });
}

void CMotorControlDlg::OnRampSet()
{
    if (!g_pMainDlg) return;
    const Units units{.x10 = SpeedRangeX10() != 0};
    UpdateData(true);
    GroupActions::Write(this, ui->rampSetButton, &CModbusMaster::WriteRampSettings,
                        m_fields.Build<RampSettings>(units));
}
