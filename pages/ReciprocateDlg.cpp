#include "ReciprocateDlg.h"

#include <QPushButton>
#include <QTimer>
#include <utility>

#include "Accessibility.h"
#include "ConfigPageText.h"
#include "FieldBinding.h"
#include "GroupActions.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_ReciprocateDlg.h"

using namespace ConfigPageText;
using FieldRules::Rule;
using FieldRules::Units;

namespace {

bool WholeHz() { return g_pMainDlg->m_speedRangeX10.load() != 0; }

}  // namespace

CReciprocateDlg::CReciprocateDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CReciprocateDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // A list with no selection sends 65535.
    m_fields = CFieldBinding({{Rule("reciprocate.coarse_speed"), ui->coarseSpeedEdit},
                              {Rule("reciprocate.fine_speed"), ui->fineSpeedEdit},
                              {Rule("reciprocate.homing_torque"), ui->homingTorqueEdit},
                              {Rule("reciprocate.speed_after_homing"), ui->speedAfterHomingEdit},
                              {Rule("reciprocate.dead_band"), ui->deadBandEdit},
                              {Rule("reciprocate.homing_mode"), ui->homingModeCombo},
                              {Rule("reciprocate.total_travel"), ui->totalTravelEdit},
                              {Rule("reciprocate.fine_homing"), ui->fineHomingCheck},
                              {Rule("reciprocate.rehome_after_limit"), ui->rehomeAfterLimitCheck},
                              {Rule("preset.forward_speed"), ui->forwardSpeedEdit},
                              {Rule("preset.reverse_speed"), ui->reverseSpeedEdit},
                              {Rule("preset.speed_mode"), ui->speedModeCombo},
                              {Rule("preset.control_mode"), ui->controlModeCombo}},
                             CFieldBinding::NoItem::AllOnes);
    connect(ui->processReadButton, &QPushButton::clicked, this, &CReciprocateDlg::OnProcessRead);
    connect(ui->processWriteButton, &QPushButton::clicked, this, &CReciprocateDlg::OnProcessWrite);
    connect(ui->presetReadButton, &QPushButton::clicked, this, &CReciprocateDlg::OnPresetRead);
    connect(ui->presetWriteButton, &QPushButton::clicked, this, &CReciprocateDlg::OnPresetWrite);
    const std::pair<QPushButton*, uint16_t> tests[] = {{ui->cancelButton, ReciprocateCommand::kCancel},
                                                       {ui->homeSq1Button, ReciprocateCommand::kHomeSq1},
                                                       {ui->homeSq2Button, ReciprocateCommand::kHomeSq2},
                                                       {ui->measureTravelButton, ReciprocateCommand::kMeasureTravel}};
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

CReciprocateDlg::~CReciprocateDlg() { m_watchTimer->stop(); }

void CReciprocateDlg::UpdateData(bool fromControls) { m_fields.Exchange(fromControls); }

// The speeds are in the unit of the mode as read, even one the list does not have.
void CReciprocateDlg::StorePreset(const PresetSpeeds& s, bool wholeHz)
{
    m_fields.Show(s, {.x10 = wholeHz, .speedMode = s.speedMode});
}

// The speeds go out in the unit of the mode as sent: the block is built once
// for the mode, then again in its unit.
PresetSpeeds CReciprocateDlg::BuildPreset(bool wholeHz) const
{
    const uint16_t mode = m_fields.Build<PresetSpeeds>().speedMode;
    return m_fields.Build<PresetSpeeds>({.x10 = wholeHz, .speedMode = mode});
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
    GroupActions::Read(this, ui->processReadButton, &CModbusMaster::ReadReciprocateParams,
                       [this, wholeHz, busy = MarkBusy()](const ReciprocateParams& params) {
                           m_fields.Show(params, {.x10 = wholeHz});
                           UpdateData(false);
                           ui->processWriteButton->setEnabled(true);
                       });
}

void CReciprocateDlg::OnProcessWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    GroupActions::Write(this, ui->processWriteButton, &CModbusMaster::WriteReciprocateParams,
                        m_fields.Build<ReciprocateParams>({.x10 = WholeHz()}), MarkBusy());
}

void CReciprocateDlg::OnPresetRead()
{
    if (!g_pMainDlg) return;
    const bool wholeHz = WholeHz();
    GroupActions::Read(this, ui->presetReadButton, &CModbusMaster::ReadPresetSpeeds,
                       [this, wholeHz, busy = MarkBusy()](const PresetSpeeds& speeds) {
                           StorePreset(speeds, wholeHz);
                           UpdateData(false);
                           ui->presetWriteButton->setEnabled(true);
                       });
}

void CReciprocateDlg::OnPresetWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    GroupActions::Write(this, ui->presetWriteButton, &CModbusMaster::WritePresetSpeeds, BuildPreset(WholeHz()),
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
