#include "BusMonitorDlg.h"

#include <QComboBox>
#include <QTableWidgetItem>
#include <QTimer>
#include <fstream>

#include "Accessibility.h"
#include "FileChooser.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "PortMessages.h"
#include "ui_BusMonitorDlg.h"

namespace {

// The table shows at most this many rows; the log keeps more for the export.
constexpr int kMaxRows = 5000;
constexpr int kFunctions[] = {-1, 0x03, 0x06, 0x10, 0x2B};

QString Ascii(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CBusMonitorDlg::CBusMonitorDlg(QWidget* parent, size_t capacity, ListenTarget listenTarget)
    : QDialog(parent),
      ui(std::make_unique<Ui::CBusMonitorDlg>()),
      m_log(std::make_shared<CFrameLog>(capacity)),
      m_listenTarget(std::move(listenTarget))
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    ui->framesTable->horizontalHeader()->setStretchLastSection(true);
    m_timer = new QTimer(this);
    m_timer->setInterval(200);
    connect(m_timer, &QTimer::timeout, this, [this] { Refresh(); });
    connect(ui->pauseButton, &QPushButton::toggled, this, [this](bool paused) { m_log->SetPaused(paused); });
    connect(ui->clearButton, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(ui->exportCsvButton, &QPushButton::clicked, this, [this] { OnExport(true); });
    connect(ui->exportTextButton, &QPushButton::clicked, this, [this] { OnExport(false); });
    connect(ui->slaveSpin, &QSpinBox::valueChanged, this, [this] { Rebuild(); });
    connect(ui->functionCombo, &QComboBox::currentIndexChanged, this, [this] { Rebuild(); });
    connect(ui->failedCheck, &QCheckBox::toggled, this, [this] { Rebuild(); });
    connect(ui->listenButton, &QPushButton::toggled, this, [this](bool on) { OnListen(on); });
    ui->listenButton->setEnabled(static_cast<bool>(m_listenTarget));
    // Attached on the link thread: attaching waits for the exchange in flight.
    g_pMainDlg->Link().Submit(
        this, LinkPriority::User,
        [log = m_log](CModbusMaster& master, uint8_t) {
            master.SetFrameMonitor(log.get());
            return true;
        },
        [](bool) {});
    m_timer->start();
}

// Detached directly: only when the main window ends, its link already
// stopped, so at most the exchange of a worker is waited for.
CBusMonitorDlg::~CBusMonitorDlg()
{
    m_listener.Stop();
    if (g_pMainDlg) g_pMainDlg->m_master.SetFrameMonitor(nullptr);
}

FrameLogText::Filter CBusMonitorDlg::CurrentFilter() const
{
    FrameLogText::Filter filter;
    filter.slave = ui->slaveSpin->value() == 0 ? -1 : ui->slaveSpin->value();
    const int index = ui->functionCombo->currentIndex();
    filter.function = index >= 0 && index < 5 ? kFunctions[index] : -1;
    filter.failedOnly = ui->failedCheck->isChecked();
    return filter;
}

void CBusMonitorDlg::Refresh()
{
    const FrameLogText::Filter filter = CurrentFilter();
    for (const CapturedFrame& frame : m_log->Since(m_next, m_next))
        if (filter.Matches(frame)) AddRow(frame);
    const int excess = ui->framesTable->rowCount() - kMaxRows;
    for (int i = 0; i < excess; ++i) ui->framesTable->removeRow(0);
    const uint64_t dropped = m_log->Dropped();
    ui->droppedLabel->setText(dropped ? tr("已丢弃最早的 %1 帧").arg(dropped) : QString());
    ShowCounters();
    if (m_listener.IsLost()) StopListening(tr("串口已断开，监听停止"));
    ShowListenState();
}

void CBusMonitorDlg::OnListen(bool on)
{
    if (!on) {
        StopListening(QString());
        return;
    }
    if (Listening() || !m_listenTarget) return;
    // One program on a port at a time: the master would also send on it.
    if (g_pMainDlg && g_pMainDlg->m_master.IsPortOpen()) {
        StopListening(QString());
        CMessageBox::Ok(this, tr("请先在主窗口关闭串口：只监听时由本窗口打开串口，不发送任何帧"));
        return;
    }
    const ListenPort port = m_listenTarget();
    if (!m_listener.Start(port.name, port.mode.c_str(), *m_log)) {
        StopListening(QString());
        CMessageBox::Ok(this, CPortMessages::OpenFailure(m_listener.LastOpenError()));
        return;
    }
    m_listening = QString::fromStdString(port.name + " " + port.mode);
    ShowListenState();
}

void CBusMonitorDlg::StopListening(const QString& why)
{
    m_listener.Stop();
    m_listening.clear();
    const QSignalBlocker quiet(ui->listenButton);
    ui->listenButton->setChecked(false);
    ui->listenLabel->setText(why);
}

void CBusMonitorDlg::ShowListenState()
{
    if (m_listening.isEmpty()) {
        // The master's own line, when its driver reported errors on it.
        if (!g_pMainDlg) return;
        const LineErrorCounts e = g_pMainDlg->m_master.LineErrors() - m_linkErrorsAtClear;
        if (e.Any()) ui->listenLabel->setText(LineErrorText(e));
        return;
    }
    ui->listenLabel->setText(tr("正在监听 %1").arg(m_listening) + QStringLiteral("    ") +
                             LineErrorText(m_listener.LineErrors()));
}

QString CBusMonitorDlg::LineErrorText(const LineErrorCounts& e)
{
    return tr("线路错误: 帧格式 %1, 奇偶校验 %2, 溢出 %3, 中断 %4")
        .arg(e.framing)
        .arg(e.parity)
        .arg(e.overrun)
        .arg(e.breaks);
}

void CBusMonitorDlg::Rebuild()
{
    ui->framesTable->setRowCount(0);
    m_next = 0;
    Refresh();
}

void CBusMonitorDlg::AddRow(const CapturedFrame& frame)
{
    if (!m_haveOrigin) {
        m_origin = frame.time;
        m_haveOrigin = true;
    }
    const std::string line = FrameDecoder::TraceLine(frame);  // its time of day comes first
    const double relative = std::chrono::duration<double, std::milli>(frame.time - m_origin).count();
    const bool sent = frame.kind == FrameKind::Request;
    const QString texts[] = {
        Ascii(line.substr(0, line.find(' '))),
        QString::number(relative, 'f', 1),
        Ascii(FrameDecoder::Direction(frame)),
        QString::number(frame.slave),
        QStringLiteral("0x") + QString::number(frame.function, 16).toUpper().rightJustified(2, QLatin1Char('0')),
        Ascii(FrameDecoder::Describe(frame)),
        sent ? QString() : Ascii(FrameDecoder::ResultText(frame.result)),
        frame.kind == FrameKind::Answer ? QString::number(static_cast<double>(frame.roundTrip.count()) / 1000.0, 'f', 1)
                                        : QString(),
        Ascii(FrameDecoder::Hex(frame.bytes)),
    };
    const int row = ui->framesTable->rowCount();
    ui->framesTable->insertRow(row);
    for (int column = 0; column < 9; ++column)
        ui->framesTable->setItem(row, column, new QTableWidgetItem(texts[column]));
}

void CBusMonitorDlg::ShowCounters()
{
    const auto counters = m_log->Counters();
    const auto& slaves = counters.PerSlave();
    ui->countersTable->setRowCount(static_cast<int>(slaves.size()));
    int row = 0;
    for (const auto& [slave, c] : slaves) {
        const uint64_t values[] = {slave,       c.requests,   c.answers,    c.timeouts,
                                   c.crcErrors, c.exceptions, c.wrongSlave, c.late};
        for (int column = 0; column < 8; ++column)
            ui->countersTable->setItem(row, column, new QTableWidgetItem(QString::number(values[column])));
        ++row;
    }
}

void CBusMonitorDlg::OnClear()
{
    m_log->Clear();
    if (g_pMainDlg) m_linkErrorsAtClear = g_pMainDlg->m_master.LineErrors();
    if (m_listening.isEmpty()) ui->listenLabel->clear();
    m_haveOrigin = false;
    Rebuild();
}

void CBusMonitorDlg::OnExport(bool csv)
{
    const QString path = csv ? CFileChooser::Save(this, tr("导出帧"), tr("CSV 文件 (*.csv)"), QStringLiteral("csv"),
                                                  QStringLiteral("bus-monitor.csv"))
                             : CFileChooser::Save(this, tr("导出帧"), tr("文本文件 (*.txt)"), QStringLiteral("txt"),
                                                  QStringLiteral("bus-monitor.txt"));
    if (path.isEmpty()) return;
    const FrameLogText::Filter filter = CurrentFilter();
    std::vector<CapturedFrame> frames;
    for (CapturedFrame& frame : m_log->All())
        if (filter.Matches(frame)) frames.push_back(std::move(frame));
    std::ofstream out(path.toStdString(), std::ios::trunc);
    if (csv) FrameLogText::WriteCsv(frames, out);
    else FrameLogText::WriteText(frames, out);
    out.flush();
    if (!out) CMessageBox::Ok(this, tr("保存文件失败: %1").arg(path));
}
