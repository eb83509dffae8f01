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
    ui->baud9600Check->setChecked(true);
    ui->parity0Check->setChecked(true);
    ui->foundTable->horizontalHeader()->setStretchLastSection(true);
    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] { Tick(); });
    connect(ui->startButton, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(ui->cancelButton, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(ui->useButton, &QPushButton::clicked, this, [this] { OnUse(); });
    connect(ui->foundTable, &QTableWidget::itemSelectionChanged, this,
            [this] { ui->useButton->setEnabled(!Running() && !ui->foundTable->selectedItems().isEmpty()); });
    connect(ui->foundTable, &QTableWidget::cellDoubleClicked, this, [this] { OnUse(); });
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
    options.first = static_cast<uint8_t>(ui->firstSpin->value());
    options.last = static_cast<uint8_t>(ui->lastSpin->value());
    if (options.first > options.last) {
        CMessageBox::Ok(this, tr("起始地址不能大于结束地址"));
        return;
    }
    options.bauds.clear();
    options.parities.clear();
    const std::pair<QCheckBox*, int> bauds[] = {{ui->baud9600Check, 9600},
                                                {ui->baud19200Check, 19200},
                                                {ui->baud38400Check, 38400},
                                                {ui->baud57600Check, 57600},
                                                {ui->baud115200Check, 115200}};
    for (const auto& [box, baud] : bauds)
        if (box->isChecked()) options.bauds.push_back(baud);
    QCheckBox* const parities[] = {ui->parity0Check, ui->parity1Check, ui->parity2Check, ui->parity3Check};
    for (int i = 0; i < 4; ++i)
        if (parities[i]->isChecked()) options.parities.push_back(i);
    if (options.bauds.empty() || options.parities.empty()) {
        CMessageBox::Ok(this, tr("请至少选择一个波特率和一种校验"));
        return;
    }
    options.timeoutMs = ui->timeoutSpin->value();

    m_found.clear();
    ui->foundTable->setRowCount(0);
    ui->progressBar->setValue(0);
    ui->statusLabel->setText(tr("正在扫描..."));
    ui->startButton->setEnabled(false);
    ui->cancelButton->setEnabled(true);
    ui->useButton->setEnabled(false);
    m_shared = std::make_shared<Shared>();
    const Backup::LinkSettings before = m_host.current ? m_host.current() : Backup::LinkSettings{};
    // Runs on the link thread: values only; the port is given back as it was.
    m_control = g_pMainDlg->Link().RunTask(
        ui->startButton,
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
        ui->progressBar->setValue(static_cast<int>(m_control->Done() * 100 / m_control->Total()));
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
    const int row = ui->foundTable->rowCount();
    ui->foundTable->insertRow(row);
    const QString texts[] = {QString::number(drive.slave), QString::number(drive.baud), ParityName(drive.parity),
                             QString::fromStdString(drive.model), QString::fromStdString(drive.identifier)};
    for (int column = 0; column < 5; ++column)
        ui->foundTable->setItem(row, column, new QTableWidgetItem(texts[column]));
}

void CDriveScanDlg::Finished(const DriveScan::Result& result)
{
    m_timer->stop();
    Tick();
    m_control.reset();
    m_shared.reset();
    ui->startButton->setEnabled(true);
    ui->cancelButton->setEnabled(false);
    ui->useButton->setEnabled(!ui->foundTable->selectedItems().isEmpty());
    if (!result.cancelled) ui->progressBar->setValue(100);
    QString status = result.cancelled ? tr("扫描已取消，找到 %1 台设备") : tr("扫描完成，找到 %1 台设备");
    status = status.arg(result.drives.size());
    if (result.portFailed) status = tr("无法以所选设置打开串口");
    ui->statusLabel->setText(status);
}

void CDriveScanDlg::OnUse()
{
    const int row = ui->foundTable->currentRow();
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
        ui->useButton, [reopener, link](CModbusMaster& master, uint8_t) { return reopener(master, link); },
        [this, link](bool reopened) {
            if (m_host.linkChanged) m_host.linkChanged(reopened ? std::optional(link) : std::nullopt);
        });
}
