#include "ReciprocateDlg.h"

#include <QTimer>

#include "ConfigPageText.h"
#include "DataExchange.h"
#include "DemoDlg.h"
#include "MessageBox.h"
#include "ui_ReciprocateDlg.h"

using namespace ConfigPageText;

namespace {

constexpr int kTenths = 1;      // 0.1 Hz, 0.1 %
constexpr int kHundredths = 2;  // 0.01 A

// Speed registers count whole Hz when the drive's speed range is x10,
// otherwise tenths of Hz.
QString SpeedText(uint16_t value, bool wholeHz) { return wholeHz ? Unsigned(value) : Scaled(value, kTenths); }
uint16_t SpeedRegister(const QString& text, bool wholeHz) { return wholeHz ? ToU16(text) : ToScaled(text, kTenths); }

// Decimals of the preset speeds by the speed mode: torque in 0.01 A, the
// closed loops in whole Hz when the range is x10, everything else in tenths
// (duty in 0.1 %, speeds in 0.1 Hz, and a mode the page does not know).
int PresetDecimals(int speedMode, bool wholeHz)
{
    if (speedMode == 1) return kHundredths;
    if ((speedMode == 2 || speedMode == 3) && wholeHz) return 0;
    return kTenths;
}

bool WholeHz() { return g_pMainDlg->m_speedRangeX10.load() != 0; }

class BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy), m_was(busy) { m_busy = true; }
    ~BusyScope() { m_busy = m_was; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
    bool m_was;
};

}  // namespace

CReciprocateDlg::CReciprocateDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CReciprocateDlg>())
{
    ui->setupUi(this);
    connect(ui->buttonProcessRead, &QPushButton::clicked, this, &CReciprocateDlg::OnProcessRead);
    connect(ui->buttonProcessWrite, &QPushButton::clicked, this, &CReciprocateDlg::OnProcessWrite);
    connect(ui->buttonPresetRead, &QPushButton::clicked, this, &CReciprocateDlg::OnPresetRead);
    connect(ui->buttonPresetWrite, &QPushButton::clicked, this, &CReciprocateDlg::OnPresetWrite);
    connect(ui->buttonCancel, &QPushButton::clicked, this, [this] { SendTestCommand(ReciprocateCommand::kCancel); });
    connect(ui->buttonHomeSq1, &QPushButton::clicked, this, [this] { SendTestCommand(ReciprocateCommand::kHomeSq1); });
    connect(ui->buttonHomeSq2, &QPushButton::clicked, this, [this] { SendTestCommand(ReciprocateCommand::kHomeSq2); });
    connect(ui->buttonMeasureTravel, &QPushButton::clicked, this,
            [this] { SendTestCommand(ReciprocateCommand::kMeasureTravel); });
    UpdateData(false);

    // The watch runs for the life of the page; it does nothing until a
    // travel measurement has been started.
    m_watchTimer = new QTimer(this);
    m_watchTimer->setInterval(kWatchPeriodMs);
    connect(m_watchTimer, &QTimer::timeout, this, &CReciprocateDlg::OnWatchTick);
    m_watchTimer->start();
}

CReciprocateDlg::~CReciprocateDlg()
{
    m_watchTimer->stop();
}

void CReciprocateDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    Text(fromControls, ui->editCoarseSpeed, m_coarseSpeed);
    Text(fromControls, ui->editFineSpeed, m_fineSpeed);
    Text(fromControls, ui->editHomingTorque, m_homingTorque);
    Text(fromControls, ui->editSpeedAfterHoming, m_speedAfterHoming);
    Text(fromControls, ui->editDeadBand, m_deadBand);
    Index(fromControls, ui->comboHomingMode, m_homingMode);
    Text(fromControls, ui->editTotalTravel, m_totalTravel);
    Check(fromControls, ui->checkFineHoming, m_fineHoming);
    Check(fromControls, ui->checkRehomeAfterLimit, m_rehomeAfterLimit);
    Text(fromControls, ui->editForwardSpeed, m_forwardSpeed);
    Text(fromControls, ui->editReverseSpeed, m_reverseSpeed);
    Index(fromControls, ui->comboSpeedMode, m_speedMode);
    Index(fromControls, ui->comboControlMode, m_controlMode);
}

void CReciprocateDlg::StoreProcess(const ReciprocateParams& p, bool wholeHz)
{
    m_homingMode = RegisterIndex(p.homingMode, ui->comboHomingMode->count());
    m_fineHoming = p.fineHoming;
    m_totalTravel = Unsigned(p.totalTravel);
    m_coarseSpeed = SpeedText(p.coarseSpeed, wholeHz);
    m_fineSpeed = SpeedText(p.fineSpeed, wholeHz);
    m_speedAfterHoming = SpeedText(p.speedAfterHoming, wholeHz);
    m_deadBand = Scaled(p.deadBand, kTenths);
    m_rehomeAfterLimit = p.rehomeAfterLimit;
    m_homingTorque = Scaled(p.homingTorque, kHundredths);
}

ReciprocateParams CReciprocateDlg::BuildProcess(bool wholeHz) const
{
    ReciprocateParams p{};
    p.homingMode = IndexRegister(m_homingMode);
    p.fineHoming = m_fineHoming ? 1 : 0;
    p.totalTravel = ToU32(m_totalTravel);
    p.coarseSpeed = SpeedRegister(m_coarseSpeed, wholeHz);
    p.fineSpeed = SpeedRegister(m_fineSpeed, wholeHz);
    p.speedAfterHoming = SpeedRegister(m_speedAfterHoming, wholeHz);
    p.deadBand = ToScaled(m_deadBand, kTenths);
    p.rehomeAfterLimit = m_rehomeAfterLimit ? 1 : 0;
    p.homingTorque = ToScaled(m_homingTorque, kHundredths);
    return p;
}

void CReciprocateDlg::StorePreset(const PresetSpeeds& s, bool wholeHz)
{
    m_speedMode = RegisterIndex(s.speedMode, ui->comboSpeedMode->count());
    m_controlMode = RegisterIndex(s.controlMode, ui->comboControlMode->count());
    // Scaled by the mode as read, even one the combo box does not list.
    const int decimals = PresetDecimals(s.speedMode, wholeHz);
    m_forwardSpeed = Scaled(s.forwardSpeed, decimals);
    m_reverseSpeed = Scaled(s.reverseSpeed, decimals);
}

PresetSpeeds CReciprocateDlg::BuildPreset(bool wholeHz) const
{
    PresetSpeeds s{};
    s.speedMode = IndexRegister(m_speedMode);
    s.controlMode = IndexRegister(m_controlMode);
    const int decimals = PresetDecimals(m_speedMode, wholeHz);
    s.forwardSpeed = decimals == 0 ? ToU16(m_forwardSpeed) : ToScaled(m_forwardSpeed, decimals);
    s.reverseSpeed = decimals == 0 ? ToU16(m_reverseSpeed) : ToScaled(m_reverseSpeed, decimals);
    return s;
}

void CReciprocateDlg::OnProcessRead()
{
    if (!g_pMainDlg) return;
    BusyScope busy(m_busy);
    ReciprocateParams params{};
    const bool wholeHz = WholeHz();
    const ModbusResult r = g_pMainDlg->m_master.ReadReciprocateParams(g_pMainDlg->m_deviceAddress, params);
    if (r != kResultOk) {
        CMessageBox::Ok(this, ResultMessage(r));
        return;
    }
    StoreProcess(params, wholeHz);
    UpdateData(false);
    ui->buttonProcessWrite->setEnabled(true);
}

void CReciprocateDlg::OnProcessWrite()
{
    if (!g_pMainDlg) return;
    BusyScope busy(m_busy);
    UpdateData(true);
    const ReciprocateParams params = BuildProcess(WholeHz());
    const ModbusResult r = g_pMainDlg->m_master.WriteReciprocateParams(g_pMainDlg->m_deviceAddress, params);
    CMessageBox::Ok(this, ResultMessage(r));
}

void CReciprocateDlg::OnPresetRead()
{
    if (!g_pMainDlg) return;
    BusyScope busy(m_busy);
    PresetSpeeds speeds{};
    const bool wholeHz = WholeHz();
    const ModbusResult r = g_pMainDlg->m_master.ReadPresetSpeeds(g_pMainDlg->m_deviceAddress, speeds);
    if (r != kResultOk) {
        CMessageBox::Ok(this, ResultMessage(r));
        return;
    }
    StorePreset(speeds, wholeHz);
    UpdateData(false);
    ui->buttonPresetWrite->setEnabled(true);
}

void CReciprocateDlg::OnPresetWrite()
{
    if (!g_pMainDlg) return;
    BusyScope busy(m_busy);
    UpdateData(true);
    const PresetSpeeds speeds = BuildPreset(WholeHz());
    const ModbusResult r = g_pMainDlg->m_master.WritePresetSpeeds(g_pMainDlg->m_deviceAddress, speeds);
    CMessageBox::Ok(this, ResultMessage(r));
}

void CReciprocateDlg::SendTestCommand(uint16_t command)
{
    if (!g_pMainDlg) return;
    BusyScope busy(m_busy);
    const ModbusResult r = g_pMainDlg->m_master.WriteReciprocateCommand(g_pMainDlg->m_deviceAddress, command);
    if (r != kResultOk) {
        CMessageBox::Ok(this, ResultMessage(r));
        return;
    }
    if (command == ReciprocateCommand::kMeasureTravel) m_travelMeasurementPending = true;
}

void CReciprocateDlg::OnWatchTick()
{
    if (!m_travelMeasurementPending || m_busy || !g_pMainDlg) return;
    uint16_t command = 0;
    // A failed read is silent: the next tick tries again.
    if (g_pMainDlg->m_master.ReadReciprocateCommand(g_pMainDlg->m_deviceAddress, command) != kResultOk) return;
    if (command != ReciprocateCommand::kIdle) return;
    m_travelMeasurementPending = false;
    OnProcessRead();
}
