#include "DriveScanDlg.h"

#include <QCheckBox>
#include <QTableWidgetItem>
#include <QTimer>
#include <mutex>

#include "Accessibility.h"
#include "JobControl.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "ui_DriveScanDlg.h"

// Drives found so far, handed from the link thread to the window's timer.
struct CDriveScanDlg::Shared {
    std::mutex lock;
    std::vector<DriveScan::Found> fresh;
};

namespace {

QString ParityName(int parity)
{
    static const char* const kNames[] = {QT_TRANSLATE_NOOP("CDriveScanDlg", "无+2停止位"),
                                         QT_TRANSLATE_NOOP("CDriveScanDlg", "奇+1停止位"),
                                         QT_TRANSLATE_NOOP("CDriveScanDlg", "偶+1停止位"),
                                         QT_TRANSLATE_NOOP("CDriveScanDlg", "无+1停止位")};
    return parity >= 0 && parity <= 3 ? CDriveScanDlg::tr(kNames[parity]) : QString::number(parity);
}

}  // namespace

CDriveScanDlg::CDriveScanDlg(QWidget* parent, DriveScanHost host)
    : QDialog(parent), ui(std::make_unique<Ui::CDriveScanDlg>()), m_host(std::move(host))
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    ui->m_checkBaud9600->setChecked(true);
    ui->m_checkParity0->setChecked(true);
    ui->m_tableFound->horizontalHeader()->setStretchLastSection(true);
    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] { Tick(); });
    connect(ui->m_btnStart, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(ui->m_btnCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(ui->m_btnUse, &QPushButton::clicked, this, [this] { OnUse(); });
    connect(ui->m_tableFound, &QTableWidget::itemSelectionChanged, this,
            [this] { ui->m_btnUse->setEnabled(!Running() && !ui->m_tableFound->selectedItems().isEmpty()); });
    connect(ui->m_tableFound, &QTableWidget::cellDoubleClicked, this, [this] { OnUse(); });
}

CDriveScanDlg::~CDriveScanDlg()
{
    if (m_control) m_control->Cancel();
}

void CDriveScanDlg::OnStart()
{
    if (Running()) return;
    const auto reopener = m_host.reopener ? m_host.reopener() : nullptr;
    if (!reopener) {
        CMessageBox::Ok(this, tr("请先打开串口"));
        return;
    }
    DriveScan::Options options;
    options.first = static_cast<uint8_t>(ui->m_spinFirst->value());
    options.last = static_cast<uint8_t>(ui->m_spinLast->value());
    if (options.first > options.last) {
        CMessageBox::Ok(this, tr("起始地址不能大于结束地址"));
        return;
    }
    options.bauds.clear();
    options.parities.clear();
    const std::pair<QCheckBox*, int> bauds[] = {{ui->m_checkBaud9600, 9600},
                                                {ui->m_checkBaud19200, 19200},
                                                {ui->m_checkBaud38400, 38400},
                                                {ui->m_checkBaud57600, 57600},
                                                {ui->m_checkBaud115200, 115200}};
    for (const auto& [box, baud] : bauds)
        if (box->isChecked()) options.bauds.push_back(baud);
    QCheckBox* const parities[] = {ui->m_checkParity0, ui->m_checkParity1, ui->m_checkParity2, ui->m_checkParity3};
    for (int i = 0; i < 4; ++i)
        if (parities[i]->isChecked()) options.parities.push_back(i);
    if (options.bauds.empty() || options.parities.empty()) {
        CMessageBox::Ok(this, tr("请至少选择一个波特率和一种校验"));
        return;
    }
    options.timeoutMs = ui->m_spinTimeout->value();

    m_found.clear();
    ui->m_tableFound->setRowCount(0);
    ui->m_progress->setValue(0);
    ui->m_labelStatus->setText(tr("正在扫描..."));
    ui->m_btnStart->setEnabled(false);
    ui->m_btnCancel->setEnabled(true);
    ui->m_btnUse->setEnabled(false);
    m_shared = std::make_shared<Shared>();
    const Backup::LinkSettings before = m_host.current ? m_host.current() : Backup::LinkSettings{};
    // Runs on the link thread: values only; the port is given back as it was.
    m_control = g_pMainDlg->Link().RunTask(
        ui->m_btnStart,
        [options, reopener, before, shared = m_shared](CModbusMaster& master, uint8_t, CJobControl& job) {
            DriveScan::Callbacks callbacks;
            callbacks.progress = [&job](int done, int total, uint8_t, int, int) {
                job.SetProgress(static_cast<uint64_t>(done), static_cast<uint64_t>(total));
            };
            callbacks.found = [shared](const DriveScan::Found& drive) {
                std::lock_guard g(shared->lock);
                shared->fresh.push_back(drive);
            };
            const DriveScan::Opener open = [&reopener, &before](CModbusMaster& m, int baud, int parity) {
                Backup::LinkSettings link = before;
                link.baud = static_cast<uint32_t>(baud);
                link.parityIndex = parity;
                return reopener(m, link);
            };
            DriveScan::Result result =
                DriveScan::Run(master, open, options, callbacks, [&job] { return job.Cancelled(); });
            reopener(master, before);
            return result;
        },
        [this](const DriveScan::Result& result) { Finished(result); });
    m_timer->start();
}

void CDriveScanDlg::OnCancel()
{
    if (m_control) m_control->Cancel();
}

void CDriveScanDlg::Tick()
{
    if (m_control && m_control->Total() > 0)
        ui->m_progress->setValue(static_cast<int>(m_control->Done() * 100 / m_control->Total()));
    if (!m_shared) return;
    std::vector<DriveScan::Found> fresh;
    {
        std::lock_guard g(m_shared->lock);
        fresh.swap(m_shared->fresh);
    }
    for (const auto& drive : fresh) AddRow(drive);
}

void CDriveScanDlg::AddRow(const DriveScan::Found& drive)
{
    m_found.push_back(drive);
    const int row = ui->m_tableFound->rowCount();
    ui->m_tableFound->insertRow(row);
    const QString texts[] = {QString::number(drive.slave), QString::number(drive.baud), ParityName(drive.parity),
                             QString::fromStdString(drive.model), QString::fromStdString(drive.identifier)};
    for (int column = 0; column < 5; ++column)
        ui->m_tableFound->setItem(row, column, new QTableWidgetItem(texts[column]));
}

void CDriveScanDlg::Finished(const DriveScan::Result& result)
{
    m_timer->stop();
    Tick();
    m_control.reset();
    m_shared.reset();
    ui->m_btnStart->setEnabled(true);
    ui->m_btnCancel->setEnabled(false);
    ui->m_btnUse->setEnabled(!ui->m_tableFound->selectedItems().isEmpty());
    if (!result.cancelled) ui->m_progress->setValue(100);
    QString status = result.cancelled ? tr("扫描已取消，找到 %1 台设备") : tr("扫描完成，找到 %1 台设备");
    status = status.arg(result.drives.size());
    if (result.portFailed) status = tr("无法以所选设置打开串口");
    ui->m_labelStatus->setText(status);
}

void CDriveScanDlg::OnUse()
{
    const int row = ui->m_tableFound->currentRow();
    if (Running() || row < 0 || row >= static_cast<int>(m_found.size())) return;
    const auto reopener = m_host.reopener ? m_host.reopener() : nullptr;
    const DriveScan::Found drive = m_found[static_cast<size_t>(row)];
    Backup::LinkSettings link;
    link.baud = static_cast<uint32_t>(drive.baud);
    link.parityIndex = drive.parity;
    link.address = drive.slave;
    if (!reopener) {
        if (m_host.linkChanged) m_host.linkChanged(link);
        return;
    }
    g_pMainDlg->Link().Act(
        ui->m_btnUse, [reopener, link](CModbusMaster& master, uint8_t) { return reopener(master, link); },
        [this, link](bool reopened) {
            if (m_host.linkChanged) m_host.linkChanged(reopened ? std::optional(link) : std::nullopt);
        });
}
