#include "SafetyDlg.h"

#include "ConfigPageText.h"
#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_SafetyDlg.h"

using namespace ConfigPageText;

namespace {
constexpr int kTenths = 1;       // 0.1 V, 0.1 degC
constexpr int kHundredths = 2;   // 0.01 A
constexpr int kFactor = 4;       // calibration factors in 0.0001
}  // namespace

CSafetyDlg::CSafetyDlg(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::CSafetyDlg>())
{
    ui->setupUi(this);
    connect(ui->buttonRead, &QPushButton::clicked, this, &CSafetyDlg::OnRead);
    connect(ui->buttonWrite, &QPushButton::clicked, this, &CSafetyDlg::OnWrite);
    UpdateData(false);
}

CSafetyDlg::~CSafetyDlg() = default;

void CSafetyDlg::UpdateData(bool fromControls)
{
    using namespace DataExchange;
    Text(fromControls, ui->editOverTempShutdown, m_overTempShutdown);
    Text(fromControls, ui->editOverTempLimit, m_overTempLimit);
    Text(fromControls, ui->editOverVoltage, m_overVoltage);
    Text(fromControls, ui->editUnderVoltage, m_underVoltage);
    Text(fromControls, ui->editOverCurrent, m_overCurrent);
    Text(fromControls, ui->editHallErrorTime, m_hallErrorTime);
    Text(fromControls, ui->editTempFactor, m_tempFactor);
    Text(fromControls, ui->editTempOffset, m_tempOffset);
    Text(fromControls, ui->editVoltageFactor, m_voltageFactor);
    Text(fromControls, ui->editVoltageOffset, m_voltageOffset);
    Check(fromControls, ui->checkDynamicPid, m_dynamicCurrentPid);
    Check(fromControls, ui->checkClearOverTemp, m_clearOverTemp);
}

void CSafetyDlg::StoreRead(const SafetyParams& p)
{
    m_overTempShutdown = Signed(p.overTempShutdown);
    m_overTempLimit = Signed(p.overTempLimit);
    m_overVoltage = Scaled(p.overVoltage, kTenths);
    m_underVoltage = Scaled(p.underVoltage, kTenths);
    m_overCurrent = Scaled(p.overCurrent, kHundredths);
    m_hallErrorTime = Unsigned(p.hallErrorTime);
    m_dynamicCurrentPid = p.dynamicCurrentPid;
    m_clearOverTemp = p.clearOverTemp;
    m_tempFactor = Scaled(p.tempFactor, kFactor);
    m_tempOffset = Scaled(static_cast<int16_t>(p.tempOffset), kTenths);
    m_voltageFactor = Scaled(p.voltageFactor, kFactor);
    m_voltageOffset = Scaled(static_cast<int16_t>(p.voltageOffset), kTenths);
}

SafetyParams CSafetyDlg::BuildParams() const
{
    SafetyParams p{};
    p.overTempShutdown = ToU16(m_overTempShutdown);
    p.overTempLimit = ToU16(m_overTempLimit);
    p.overVoltage = ToScaled(m_overVoltage, kTenths);
    p.underVoltage = ToScaled(m_underVoltage, kTenths);
    p.overCurrent = ToScaled(m_overCurrent, kHundredths);
    p.hallErrorTime = ToScaled(m_hallErrorTime, 0);  // 12.7 ms is sent as 12
    p.dynamicCurrentPid = m_dynamicCurrentPid ? 1 : 0;
    p.reserved263 = 0;
    p.clearOverTemp = m_clearOverTemp ? 1 : 0;
    p.reserved265 = 0;
    p.tempFactor = ToScaled(m_tempFactor, kFactor);
    p.tempOffset = ToScaled(m_tempOffset, kTenths);
    p.voltageFactor = ToScaled(m_voltageFactor, kFactor);
    p.voltageOffset = ToScaled(m_voltageOffset, kTenths);
    return p;
}

void CSafetyDlg::OnRead()
{
    if (!g_pMainDlg) return;
    struct Read {
        ModbusResult result = kResultOk;
        SafetyParams params{};
    };
    g_pMainDlg->Link().Act(
        ui->buttonRead,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.result = master.ReadSafetyParams(slave, read.params);
            return read;
        },
        [this](const Read& read) {
            if (read.result != kResultOk) {
                CMessageBox::Ok(this, ResultMessage(read.result));
                return;
            }
            StoreRead(read.params);
            UpdateData(false);
            ui->buttonWrite->setEnabled(true);
        });
}

void CSafetyDlg::OnWrite()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    const SafetyParams params = BuildParams();
    g_pMainDlg->Link().Act(
        ui->buttonWrite,
        [params](CModbusMaster& master, uint8_t slave) { return master.WriteSafetyParams(slave, params); },
        [this](ModbusResult result) { CMessageBox::Ok(this, ResultMessage(result)); });
}
