#include "ReciprocateDlg.h"

#include <QPushButton>
#include <QTimer>
#include <utility>

#include "Accessibility.h"
#include "ConfigPageText.h"
#include "DataExchange.h"
#include "FieldText.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_ReciprocateDlg.h"

using namespace ConfigPageText;
using namespace FieldText;

namespace {

bool WholeHz() { return g_pMainDlg->m_speedRangeX10.load() != 0; }

}  // namespace

CReciprocateDlg::CReciprocateDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CReciprocateDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    connect(ui->buttonProcessRead, &QPushButton::clicked, this, &CReciprocateDlg::OnProcessRead);
    connect(ui->buttonProcessWrite, &QPushButton::clicked, this, &CReciprocateDlg::OnProcessWrite);
    connect(ui->buttonPresetRead, &QPushButton::clicked, this, &CReciprocateDlg::OnPresetRead);
    connect(ui->buttonPresetWrite, &QPushButton::clicked, this, &CReciprocateDlg::OnPresetWrite);
    const std::pair<QPushButton*, uint16_t> tests[] = {{ui->buttonCancel, ReciprocateCommand::kCancel},
                                                        {ui->buttonHomeSq1, ReciprocateCommand::kHomeSq1},
                                                        {ui->buttonHomeSq2, ReciprocateCommand::kHomeSq2},
                                                        {ui->buttonMeasureTravel, ReciprocateCommand::kMeasureTravel}};
    for (const auto& test : tests) {
        QPushButton* button = test.first;
        const uint16_t command = test.second;
        connect(button, &QPushButton::clicked, this, [this, button, command] { SendTestCommand(button, command); });
    }
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
    const Units units{.x10 = wholeHz};
    m_homingMode = Index(Rule("reciprocate.homing_mode"), p.homingMode);
    m_fineHoming = Tick(Rule("reciprocate.fine_homing"), p.fineHoming);
    m_totalTravel = Shown(Rule("reciprocate.total_travel"), p.totalTravel);
    m_coarseSpeed = Shown(Rule("reciprocate.coarse_speed"), p.coarseSpeed, units);
    m_fineSpeed = Shown(Rule("reciprocate.fine_speed"), p.fineSpeed, units);
    m_speedAfterHoming = Shown(Rule("reciprocate.speed_after_homing"), p.speedAfterHoming, units);
    m_deadBand = Shown(Rule("reciprocate.dead_band"), p.deadBand);
    m_rehomeAfterLimit = Tick(Rule("reciprocate.rehome_after_limit"), p.rehomeAfterLimit);
    m_homingTorque = Shown(Rule("reciprocate.homing_torque"), p.homingTorque);
}

ReciprocateParams CReciprocateDlg::BuildProcess(bool wholeHz) const
{
    const Units units{.x10 = wholeHz};
    ReciprocateParams p{};
    p.homingMode = IndexRegister(m_homingMode);
    p.fineHoming = CheckRegister(Rule("reciprocate.fine_homing"), m_fineHoming);
    Enter(p.totalTravel, Rule("reciprocate.total_travel"), m_totalTravel);
    Enter(p.coarseSpeed, Rule("reciprocate.coarse_speed"), m_coarseSpeed, units);
    Enter(p.fineSpeed, Rule("reciprocate.fine_speed"), m_fineSpeed, units);
    Enter(p.speedAfterHoming, Rule("reciprocate.speed_after_homing"), m_speedAfterHoming, units);
    Enter(p.deadBand, Rule("reciprocate.dead_band"), m_deadBand);
    p.rehomeAfterLimit = CheckRegister(Rule("reciprocate.rehome_after_limit"), m_rehomeAfterLimit);
    Enter(p.homingTorque, Rule("reciprocate.homing_torque"), m_homingTorque);
    return p;
}

void CReciprocateDlg::StorePreset(const PresetSpeeds& s, bool wholeHz)
{
    m_speedMode = Index(Rule("preset.speed_mode"), s.speedMode);
    m_controlMode = Index(Rule("preset.control_mode"), s.controlMode);
    // Scaled by the mode as read, even one the list does not have.
    const Units units{.x10 = wholeHz, .speedMode = s.speedMode};
    m_forwardSpeed = Shown(Rule("preset.forward_speed"), s.forwardSpeed, units);
    m_reverseSpeed = Shown(Rule("preset.reverse_speed"), s.reverseSpeed, units);
}

PresetSpeeds CReciprocateDlg::BuildPreset(bool wholeHz) const
{
    PresetSpeeds s{};
    s.speedMode = IndexRegister(m_speedMode);
    s.controlMode = IndexRegister(m_controlMode);
    const Units units{.x10 = wholeHz, .speedMode = s.speedMode};
    Enter(s.forwardSpeed, Rule("preset.forward_speed"), m_forwardSpeed, units);
    Enter(s.reverseSpeed, Rule("preset.reverse_speed"), m_reverseSpeed, units);
    return s;
}

std::shared_ptr<void> CReciprocateDlg::MarkBusy()
{
    std::shared_ptr<void> mark = m_busy.lock();
    if (!mark) {
        mark = std::make_shared<int>(0);
        m_busy = mark;
    }
    return mark;
}

void CReciprocateDlg::OnProcessRead()
{
    if (!g_pMainDlg) return;
    const bool wholeHz = WholeHz();
    GroupActions::Read(this, ui->buttonProcessRead, &CModbusMaster::ReadReciprocateParams,
                       [this, wholeHz, busy = MarkBusy()](const ReciprocateParams& params) {
                           StoreProcess(params, wholeHz);
                           UpdateData(false);
                           ui->buttonProcessWrite->setEnabled(true);
                       });
}

void CReciprocateDlg::OnProcessWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    GroupActions::Write(this, ui->buttonProcessWrite, &CModbusMaster::WriteReciprocateParams,
                        BuildProcess(WholeHz()), MarkBusy());
}

void CReciprocateDlg::OnPresetRead()
{
    if (!g_pMainDlg) return;
    const bool wholeHz = WholeHz();
    GroupActions::Read(this, ui->buttonPresetRead, &CModbusMaster::ReadPresetSpeeds,
                       [this, wholeHz, busy = MarkBusy()](const PresetSpeeds& speeds) {
                           StorePreset(speeds, wholeHz);
                           UpdateData(false);
                           ui->buttonPresetWrite->setEnabled(true);
                       });
}

void CReciprocateDlg::OnPresetWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    GroupActions::Write(this, ui->buttonPresetWrite, &CModbusMaster::WritePresetSpeeds, BuildPreset(WholeHz()),
                        MarkBusy());
}

void CReciprocateDlg::SendTestCommand(QPushButton* trigger, uint16_t command)
{
    if (!g_pMainDlg) return;
    g_pMainDlg->Link().Act(
        trigger,
        [command](CModbusMaster& master, uint8_t slave) { return master.WriteReciprocateCommand(slave, command); },
        [this, command, busy = MarkBusy()](ModbusResult result) {
            if (result != kResultOk) {
                CMessageBox::Ok(this, ResultMessage(result));
                return;
            }
            if (command == ReciprocateCommand::kMeasureTravel) m_travelMeasurementPending = true;
        });
}

void CReciprocateDlg::OnWatchTick()
{
    if (!m_travelMeasurementPending || IsBusy() || m_watchReading || !g_pMainDlg) return;
    struct Watch {
        ModbusResult result = kResultOk;
        uint16_t command = 0;
    };
    m_watchReading = true;
    g_pMainDlg->Link().Submit(
        this, LinkPriority::Periodic,
        [](CModbusMaster& master, uint8_t slave) {
            Watch watch;
            watch.result = master.ReadReciprocateCommand(slave, watch.command);
            return watch;
        },
        [this](const Watch& watch) {
            m_watchReading = false;
            // A failed read is silent: the next tick tries again. So is a read
            // that comes back while an action of the page is under way: the
            // watch decides nothing in the middle of one.
            if (watch.result != kResultOk || IsBusy()) return;
            if (watch.command != ReciprocateCommand::kIdle) return;
            m_travelMeasurementPending = false;
            OnProcessRead();
        });
}
