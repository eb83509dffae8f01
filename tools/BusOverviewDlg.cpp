#include "BusOverviewDlg.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QHideEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <optional>

#include "Accessibility.h"
#include "BatchLoad.h"
#include "ConfigFlow.h"
#include "ConfigTexts.h"
#include "CsvWriter.h"
#include "FileChooser.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "StatusChannels.h"
#include "StatusFormat.h"
#include "TaskProgress.h"
#include "ui_BusOverviewDlg.h"

namespace {

enum Column { kAddress, kModel, kIdentifier, kVersion, kState, kSupply, kTemperature, kLastAnswer, kColumns };

const QString kSettingsKey = QStringLiteral("bus_overview/drives");

QString Text(const std::string& text) { return QString::fromStdString(text); }

// "3@19200/0": the address and the line settings it was found at.
QString SettingText(const OverviewDrive& d)
{
    return QStringLiteral("%1@%2/%3").arg(d.slave).arg(d.baud).arg(d.parity);
}

}  // namespace

struct CBusOverviewDlg::Read {
    uint8_t slave = 0;
    bool portOpen = false;
    ModbusResult result = kResultOk;
    std::optional<DeviceInfo> info;
    std::optional<RealtimeStatus> status;
    CBusOverview::WallClock::time_point when;
};

CBusOverviewDlg::CBusOverviewDlg(QWidget* parent, BusOverviewHost host)
    : QDialog(parent), ui(std::make_unique<Ui::CBusOverviewDlg>()), m_host(std::move(host))
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    ui->drivesTable->horizontalHeader()->setStretchLastSection(true);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CBusOverviewDlg::Step);
    connect(ui->addButton, &QPushButton::clicked, this, &CBusOverviewDlg::OnAdd);
    connect(ui->addScannedButton, &QPushButton::clicked, this, &CBusOverviewDlg::OnAddScanned);
    connect(ui->removeButton, &QPushButton::clicked, this, &CBusOverviewDlg::OnRemove);
    connect(ui->pollButton, &QPushButton::toggled, this, &CBusOverviewDlg::OnPoll);
    connect(ui->exportCsvButton, &QPushButton::clicked, this, &CBusOverviewDlg::OnExport);
    connect(ui->backupButton, &QPushButton::clicked, this, &CBusOverviewDlg::OnBackup);
    connect(ui->loadButton, &QPushButton::clicked, this, &CBusOverviewDlg::OnLoad);
    connect(ui->periodSpin, &QSpinBox::valueChanged, this, &CBusOverviewDlg::UpdatePeriod);
    connect(ui->drivesTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnUse(row); });
    TakeLine();
    Recall();
    Refresh();
}

CBusOverviewDlg::~CBusOverviewDlg() = default;

bool CBusOverviewDlg::Polling() const { return m_timer->isActive(); }

void CBusOverviewDlg::TakeLine()
{
    const Backup::LinkSettings line = m_host.current();
    m_overview.SetLine(static_cast<int>(line.baud), line.parityIndex);
}

void CBusOverviewDlg::OnAdd()
{
    const Backup::LinkSettings line = m_host.current();
    m_overview.Add(static_cast<uint8_t>(ui->addressSpin->value()), static_cast<int>(line.baud), line.parityIndex);
    Remember();
    Refresh();
}

void CBusOverviewDlg::OnAddScanned()
{
    for (const DriveScan::Found& found : m_host.scanned()) m_overview.Add(found.slave, found.baud, found.parity);
    Remember();
    Refresh();
}

std::vector<uint8_t> CBusOverviewDlg::Selected() const
{
    std::vector<uint8_t> chosen;
    for (const QModelIndex& index : ui->drivesTable->selectionModel()->selectedRows()) {
        const auto row = static_cast<size_t>(index.row());
        if (row < m_overview.Drives().size()) chosen.push_back(m_overview.Drives()[row].slave);
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

void CBusOverviewDlg::OnRemove()
{
    for (uint8_t slave : Selected()) m_overview.Remove(slave);
    Remember();
    Refresh();
}

void CBusOverviewDlg::OnPoll(bool on)
{
    ui->pollButton->setText(on ? tr("停止轮询") : tr("开始轮询"));
    if (!on) {
        m_timer->stop();
        return;
    }
    TakeLine();
    Refresh();
    UpdatePeriod();
    m_timer->start();
    Step();
}

// A step's share of the round: the period over the drives polled, never less
// than a round of them takes at the line's speed.
void CBusOverviewDlg::UpdatePeriod()
{
    const auto polled = static_cast<size_t>(std::count_if(m_overview.Drives().begin(), m_overview.Drives().end(),
                                                          [](const OverviewDrive& d) { return !d.otherLine; }));
    const Backup::LinkSettings line = m_host.current();
    const auto least =
        static_cast<int>(CBusOverview::RoundTime(std::max<size_t>(polled, 1), static_cast<int>(line.baud)).count());
    ui->periodSpin->setMinimum(least);
    ui->roundLabel->setText(tr("一轮至少 %1 ms").arg(least));
    m_timer->setInterval(std::max(1, ui->periodSpin->value() / static_cast<int>(std::max<size_t>(polled, 1))));
}

void CBusOverviewDlg::Step()
{
    CMainShared* main = g_pMainDlg;
    if (m_pending || !main) return;
    if (!main->m_master.IsPortOpen()) {
        ui->roundLabel->setText(tr("串口未打开"));
        return;
    }
    const std::optional<uint8_t> next = m_overview.Next();
    if (!next) return;
    const OverviewDrive* drive = m_overview.Find(*next);
    const bool needInfo = !drive->info.has_value();
    m_pending = true;
    main->Link().Submit(
        this, LinkPriority::Periodic,
        [slave = *next, needInfo](CModbusMaster& master, uint8_t) {
            Read read;
            read.slave = slave;
            read.portOpen = master.IsPortOpen();
            if (!read.portOpen) return read;
            if (needInfo) {
                DeviceInfo info{};
                read.result = master.ReadDeviceInfo(slave, info);
                if (read.result == kResultOk) read.info = info;
            }
            if (read.result == kResultOk) {
                RealtimeStatus status{};
                read.result = master.ReadRealtimeStatus(slave, status);
                if (read.result == kResultOk) read.status = status;
            }
            read.when = CBusOverview::WallClock::now();
            return read;
        },
        [this](const Read& read) { Apply(read); });
}

void CBusOverviewDlg::Apply(const Read& read)
{
    m_pending = false;
    if (!read.portOpen) return;
    ++m_reads;
    m_overview.Record(read.slave, read.result, read.info, read.status, read.when);
    Refresh();
}

void CBusOverviewDlg::Refresh()
{
    using StatusChannels::Channel;
    const std::vector<OverviewDrive>& drives = m_overview.Drives();
    QTableWidget* table = ui->drivesTable;
    table->setRowCount(static_cast<int>(drives.size()));
    for (size_t i = 0; i < drives.size(); ++i) {
        const OverviewDrive& d = drives[i];
        const StatusFormat::DeviceInfoTexts info =
            d.info ? StatusFormat::FormatDeviceInfo(*d.info) : StatusFormat::DeviceInfoTexts{};
        QStringList cells(kColumns);
        cells[kAddress] = QString::number(d.slave);
        cells[kModel] = Text(info.model);
        cells[kIdentifier] = Text(info.identifier);
        cells[kVersion] = Text(info.version);
        cells[kState] = Text(CBusOverview::StateText(d));
        if (d.status) {
            cells[kSupply] = Text(StatusChannels::ShownText(Channel::Supply, *d.status));
            cells[kTemperature] = Text(StatusChannels::ShownText(Channel::Temperature, *d.status));
        }
        if (d.lastAnswer) cells[kLastAnswer] = Text(CCsvWriter::IsoTime(*d.lastAnswer));
        for (int column = 0; column < kColumns; ++column) {
            QTableWidgetItem* item = table->item(static_cast<int>(i), column);
            if (!item) table->setItem(static_cast<int>(i), column, item = new QTableWidgetItem);
            item->setText(cells[column]);
        }
    }
    if (!m_timer->isActive()) UpdatePeriod();
}

void CBusOverviewDlg::OnExport()
{
    const QString path = CFileChooser::Save(this, tr("导出总线总览"), tr("CSV 文件 (*.csv)"), QStringLiteral("csv"),
                                            QStringLiteral("bus-overview.csv"));
    if (path.isEmpty()) return;
    std::ofstream out(path.toStdString(), std::ios::trunc | std::ios::binary);
    out << m_overview.Csv();
    out.flush();
    if (!out) CMessageBox::Ok(this, tr("保存文件失败: %1").arg(path));
}

std::vector<uint8_t> CBusOverviewDlg::SelectedOnLine()
{
    std::vector<uint8_t> chosen;
    for (uint8_t slave : Selected())
        if (!m_overview.Find(slave)->otherLine) chosen.push_back(slave);
    if (chosen.empty()) CMessageBox::Ok(this, tr("请先选择主窗口通讯设置下的驱动器。"));
    return chosen;
}

void CBusOverviewDlg::OnBackup()
{
    const std::vector<uint8_t> chosen = SelectedOnLine();
    if (chosen.empty()) return;
    const QString folder = CFileChooser::Folder(this, tr("备份所选驱动器"));
    if (folder.isEmpty() || !g_pMainDlg) return;
    ui->pollButton->setChecked(false);  // the line is the backups' alone
    struct DriveRead {
        uint8_t slave;
        Backup::ReadResult result;
    };
    auto* progress = new CTaskProgress(this, tr("正在备份驱动器..."));
    progress->Follow(g_pMainDlg->Link().RunTask(
        this,
        [chosen](CModbusMaster& master, uint8_t, CJobControl& job) {
            Backup::Progress stop;
            stop.stopped = [&job] { return job.Cancelled(); };
            std::vector<DriveRead> reads;
            for (size_t i = 0; i < chosen.size() && !job.Cancelled() && !master.IsPortLost(); ++i) {
                job.SetProgress(i, chosen.size());
                reads.push_back({chosen[i], Backup::ReadConfiguration(master, chosen[i], stop)});
            }
            return reads;
        },
        [this, folder, progress](const std::vector<DriveRead>& reads) {
            const bool cancelled = progress->Finish();
            QStringList report;
            for (const DriveRead& read : reads) {
                if (read.result.stopped) break;
                report << WriteBackup(folder, read.slave, read.result);
            }
            if (cancelled) report << tr("已取消, 其余驱动器未备份。");
            CMessageBox::Ok(this, report.join(QLatin1Char('\n')));
        }));
}

void CBusOverviewDlg::OnLoad()
{
    if (SelectedOnLine().empty() || !g_pMainDlg) return;
    if (!g_pMainDlg->m_master.IsPortOpen()) {
        CMessageBox::Ok(this, tr("串口未打开"));
        return;
    }
    QString path;
    std::optional<Backup::Configuration> file = CConfigFlow::OpenFile(this, tr("载入配置到所选驱动器"), path);
    if (!file) return;
    // The line is the loads' alone; the user starts the poll again after.
    ui->pollButton->setChecked(false);
    // A drive at other line settings is not loaded; the report says so.
    std::vector<uint8_t> otherLine;
    for (uint8_t slave : Selected())
        if (m_overview.Find(slave)->otherLine) otherLine.push_back(slave);
    (new CBatchLoad(this, path, std::move(*file), Backup::BatchDrives(Selected(), otherLine)))->Start();
}

// A drive's line of the backup's report; its file written when it was read.
QString CBusOverviewDlg::WriteBackup(const QString& folder, uint8_t slave, const Backup::ReadResult& read) const
{
    if (!read.Ok())
        return tr("地址 %1: 失败, %2").arg(slave).arg(ConfigTexts::ReadFailure(read.failedStep, read.failure));
    Backup::Configuration config = read.config;
    config.created = Backup::NowUtc();
    config.tool = m_host.tool.toStdString();
    const QString path =
        QDir(folder).filePath(QString::fromStdString(Backup::DriveFileName(slave, config.drive.identifier)));
    std::string error;
    if (!Backup::WriteFile(QFile::encodeName(path).toStdString(), config, error))
        return tr("地址 %1: 无法写入文件 %2").arg(slave).arg(path);
    return tr("地址 %1: 已保存到 %2").arg(slave).arg(path);
}

void CBusOverviewDlg::OnUse(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_overview.Drives().size()) return;
    m_host.useAddress(m_overview.Drives()[static_cast<size_t>(row)].slave);
}

void CBusOverviewDlg::hideEvent(QHideEvent* event)
{
    // A hidden window polls nothing: the line is the main window's again.
    ui->pollButton->setChecked(false);
    QDialog::hideEvent(event);
}

void CBusOverviewDlg::Remember() const
{
    QStringList drives;
    for (const OverviewDrive& d : m_overview.Drives()) drives << SettingText(d);
    QSettings().setValue(kSettingsKey, drives);
}

// Entries not of the form written above are passed over: the file may have
// been edited by hand.
void CBusOverviewDlg::Recall()
{
    for (const QString& entry : QSettings().value(kSettingsKey).toStringList()) {
        const QStringList parts = entry.split(QRegularExpression(QStringLiteral("[@/]")));
        if (parts.size() != 3) continue;
        bool ok[3] = {};
        const int slave = parts[0].toInt(&ok[0]);
        const int baud = parts[1].toInt(&ok[1]);
        const int parity = parts[2].toInt(&ok[2]);
        if (!ok[0] || !ok[1] || !ok[2] || slave < 1 || slave > 247 || baud <= 0 || parity < 0 || parity > 3) continue;
        m_overview.Add(static_cast<uint8_t>(slave), baud, parity);
    }
}
