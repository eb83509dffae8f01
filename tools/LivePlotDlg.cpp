#include "LivePlotDlg.h"

#include "Accessibility.h"
#include "FileChooser.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

#include "DataExchange.h"
#include "Language.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
#include "ui_LivePlotDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
using StatusChannels::Channel;

// Index of "采样周期": milliseconds; 0 is "尽可能快".
constexpr int kPeriodsMs[] = {100, 50, 20, 10, 0};
// Index of "时间窗口": seconds.
constexpr double kWindowsSeconds[] = {10, 30, 60, 120, 300, 600};
// The view follows at ten frames a second, as the status panel does; a
// redraw of eight busy curves costs 10 to 20 ms of the UI thread.
constexpr int kRefreshMs = 100;

QString Label(Channel c)
{
    // The status panel's label, in the user's language (protocol/Language.h).
    return QString::fromUtf8(Localized(StatusChannels::Describe(c).label));
}

QString ShownUnit(Channel c) { return QString::fromUtf8(StatusChannels::Describe(c).shownUnit); }

QColor ChannelColor(Channel c)
{
    static const QColor kColors[StatusChannels::kCount] = {
        QColor(31, 119, 180), QColor(214, 39, 40),   QColor(44, 160, 44),   QColor(255, 127, 14), QColor(148, 103, 189),
        QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34), QColor(23, 190, 207),
        QColor(0, 0, 128),    QColor(128, 0, 0),     QColor(0, 128, 0),     QColor(128, 128, 0),  QColor(106, 61, 154),
        QColor(255, 0, 255),  QColor(0, 128, 128),   QColor(205, 92, 0)};
    return kColors[StatusChannels::Index(c)];
}

QString Duration(Clock::duration length)
{
    const auto total = std::chrono::duration_cast<std::chrono::seconds>(length).count();
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

CLivePlotDlg::CLivePlotDlg(QWidget* parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::CLivePlotDlg>()),
      m_startSteady(Clock::now()),
      m_startWall(std::chrono::system_clock::now())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    setAttribute(Qt::WA_DeleteOnClose);

    // Channel rows: the panel's label, and whether it goes on the right axis.
    for (Channel c : StatusChannels::All()) {
        const size_t k = StatusChannels::Index(c);
        const QString column = QString::fromStdString(StatusChannels::ColumnName(c));
        QString text = Label(c);
        if (!ShownUnit(c).isEmpty()) text += QStringLiteral(" (%1)").arg(ShownUnit(c));
        m_shownChecks[k] = new QCheckBox(text, ui->channelsGroup);
        m_shownChecks[k]->setObjectName(QStringLiteral("channelCheck_") + column);
        m_rightChecks[k] = new QCheckBox(ui->channelsGroup);
        m_rightChecks[k]->setObjectName(QStringLiteral("rightCheck_") + column);
        const int row = static_cast<int>(k) + 1;
        ui->channelsLayout->addWidget(m_shownChecks[k], row, 0);
        ui->channelsLayout->addWidget(m_rightChecks[k], row, 1, Qt::AlignHCenter);
        connect(m_shownChecks[k], &QCheckBox::clicked, this, [this] { OnChannelsChanged(); });
        connect(m_rightChecks[k], &QCheckBox::clicked, this, [this] { OnChannelsChanged(); });
    }

    QCustomPlot* plot = ui->plot;
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->setNoAntialiasingOnDrag(true);
    // Curves without smoothing: it makes a redraw of dense curves three times dearer.
    plot->setNotAntialiasedElements(QCP::aePlottables);
    plot->xAxis->setLabel(tr("时间 (秒)"));
    plot->yAxis2->setVisible(false);
    plot->legend->setVisible(true);
    plot->legend->setBrush(QBrush(QColor(255, 255, 255, 200)));
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    // Drag and wheel move the time axis and both value axes.
    plot->axisRect()->setRangeDragAxes({plot->xAxis}, {plot->yAxis, plot->yAxis2});
    plot->axisRect()->setRangeZoomAxes({plot->xAxis}, {plot->yAxis, plot->yAxis2});
    plot->xAxis->setRange(0, m_windowSeconds);
    plot->setMouseTracking(true);
    plot->installEventFilter(this);

    m_cursorLine = new QCPItemStraightLine(plot);
    m_cursorLine->setPen(QPen(Qt::gray, 0, Qt::DashLine));
    m_cursorLine->setVisible(false);
    m_cursorText = new QCPItemText(plot);
    m_cursorText->position->setType(QCPItemPosition::ptAxisRectRatio);
    m_cursorText->position->setCoords(0.01, 0.01);
    m_cursorText->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_cursorText->setTextAlignment(Qt::AlignLeft);
    m_cursorText->setBrush(QBrush(QColor(255, 255, 255, 220)));
    m_cursorText->setPadding(QMargins(4, 2, 4, 2));
    m_cursorText->setVisible(false);

    connect(plot, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent* event) { ShowCursorAt(ui->plot->xAxis->pixelToCoord(event->position().x())); });
    // The user takes the view: it stops following the newest samples.
    connect(plot, &QCustomPlot::mousePress, this, [this](QMouseEvent*) { SetPaused(true); });
    connect(plot, &QCustomPlot::mouseWheel, this, [this](QWheelEvent*) { SetPaused(true); });
    connect(plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange&) {
        if (!m_settingRange) m_dirty = true;
    });

    connect(ui->rateCombo, &QComboBox::currentIndexChanged, this, [this] { OnRateChanged(); });
    connect(ui->windowCombo, &QComboBox::currentIndexChanged, this, [this] { OnWindowChanged(); });
    connect(ui->autoScaleCheck, &QCheckBox::clicked, this, [this] {
        UpdateData(true);
        m_dirty = true;
    });
    connect(ui->pauseButton, &QPushButton::clicked, this, [this] { OnPause(); });
    connect(ui->exportPngButton, &QPushButton::clicked, this, [this] { OnExportPng(); });
    connect(ui->exportCsvButton, &QPushButton::clicked, this, [this] { OnExportCsv(); });
    connect(ui->recordButton, &QPushButton::clicked, this, [this] { OnRecord(); });
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);

    UpdateData(false);
    ShowChannel(Channel::OutputPwm, true);
    ShowChannel(Channel::Speed, true, true);

    m_sampler = new CLiveSampler([this](const CLiveSampler::Sample& sample) { OnSample(sample); }, this);
    m_sampler->SetPeriod(kPeriodsMs[m_rateIndex]);
    m_rateSince = Clock::now();
    m_sampler->Start();
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(kRefreshMs);
    connect(m_refreshTimer, &QTimer::timeout, this, [this] { OnTick(); });
    m_refreshTimer->start();
    ShowRecordState();
}

CLivePlotDlg::~CLivePlotDlg()
{
    m_sampler->Stop();
    StopRecording();
}

void CLivePlotDlg::UpdateData(bool fromControls)
{
    DataExchange::Index(fromControls, ui->rateCombo, m_rateIndex);
    DataExchange::Index(fromControls, ui->windowCombo, m_windowIndex);
    DataExchange::Check(fromControls, ui->autoScaleCheck, m_autoScale);
    if (m_rateIndex < 0 || m_rateIndex >= static_cast<int>(std::size(kPeriodsMs))) m_rateIndex = 0;
    if (m_windowIndex < 0 || m_windowIndex >= static_cast<int>(std::size(kWindowsSeconds))) m_windowIndex = 0;
    m_windowSeconds = kWindowsSeconds[m_windowIndex];
}

QCustomPlot* CLivePlotDlg::Plot() const { return ui->plot; }

double CLivePlotDlg::Seconds(Clock::time_point at) const
{
    return std::chrono::duration<double>(at - m_startSteady).count();
}

std::vector<Channel> CLivePlotDlg::ShownChannels() const
{
    std::vector<Channel> shown;
    for (Channel c : StatusChannels::All()) {
        if (m_graphs[StatusChannels::Index(c)]) shown.push_back(c);
    }
    return shown;
}

void CLivePlotDlg::ShowChannel(Channel channel, bool shown, bool rightAxis)
{
    const size_t k = StatusChannels::Index(channel);
    m_shownChecks[k]->setChecked(shown);
    m_rightChecks[k]->setChecked(rightAxis);
    OnChannelsChanged();
}

void CLivePlotDlg::OnChannelsChanged()
{
    QCustomPlot* plot = ui->plot;
    bool anyRight = false;
    for (Channel c : StatusChannels::All()) {
        const size_t k = StatusChannels::Index(c);
        const bool shown = m_shownChecks[k]->isChecked();
        QCPAxis* axis = m_rightChecks[k]->isChecked() ? plot->yAxis2 : plot->yAxis;
        if (!shown) {
            if (m_graphs[k]) plot->removeGraph(m_graphs[k]);
            m_graphs[k] = nullptr;
            continue;
        }
        anyRight = anyRight || axis == plot->yAxis2;
        if (m_graphs[k] && m_graphs[k]->valueAxis() != axis) {
            plot->removeGraph(m_graphs[k]);
            m_graphs[k] = nullptr;
        }
        if (!m_graphs[k]) {
            QCPGraph* graph = plot->addGraph(plot->xAxis, axis);
            // A one-pixel pen: Qt draws wider lines through its path stroker,
            // which takes seconds for curves of many thousand points.
            graph->setPen(QPen(ChannelColor(c), 1));
            graph->setName(axis == plot->yAxis2 ? m_shownChecks[k]->text() + tr(" [右]") : m_shownChecks[k]->text());
            m_graphs[k] = graph;
        }
    }
    plot->yAxis2->setVisible(anyRight);
    plot->yAxis2->setTickLabels(anyRight);
    m_dirty = true;
    Refresh();
}

void CLivePlotDlg::OnRateChanged()
{
    UpdateData(true);
    m_sampler->SetPeriod(kPeriodsMs[m_rateIndex]);
}

void CLivePlotDlg::OnWindowChanged()
{
    UpdateData(true);
    if (m_paused) {
        // A paused view keeps its end and takes the new width.
        const double upper = ui->plot->xAxis->range().upper;
        ui->plot->xAxis->setRange(upper - m_windowSeconds, upper);
    }
    m_dirty = true;
    Refresh();
}

void CLivePlotDlg::OnPause() { SetPaused(!m_paused); }

void CLivePlotDlg::SetPaused(bool paused)
{
    if (paused == m_paused) return;
    m_paused = paused;
    ui->pauseButton->setText(paused ? tr("继续") : tr("暂停"));
    m_dirty = true;
    if (!paused) Refresh();
}

void CLivePlotDlg::OnSample(const CLiveSampler::Sample& sample)
{
    m_lastResult = sample.result;
    const double t = Seconds(sample.at);
    CSampleStore::Values values;
    if (sample.result == kResultOk) {
        values = StatusChannels::Values(sample.status);
    } else {
        values.fill(std::numeric_limits<double>::quiet_NaN());
    }
    m_store.Append(t, values, sample.result);
    ++m_rateCount;
    if (!m_paused) m_dirty = true;

    if (m_recorder) {
        const auto elapsed = sample.at - m_recordStart;
        const double seconds = std::chrono::duration<double>(elapsed).count();
        const auto when = m_recordStartWall + std::chrono::duration_cast<std::chrono::system_clock::duration>(elapsed);
        const bool written = sample.result == kResultOk
                                 ? m_recorder->WriteStatus(when, seconds, sample.status)
                                 : m_recorder->WriteFailure(when, seconds, CModbusMaster::ResultText(sample.result));
        if (!written) {
            const QString error = QString::fromStdString(m_recorder->Error());
            StopRecording();
            CMessageBox::Ok(this, tr("写入文件失败: %1").arg(error));
        }
    }
}

void CLivePlotDlg::OnTick()
{
    const auto now = Clock::now();
    const double since = std::chrono::duration<double>(now - m_rateSince).count();
    if (since >= 1.0) {
        m_rate = static_cast<double>(m_rateCount) / since;
        m_rateCount = 0;
        m_rateSince = now;
        QString status = tr("采样速率: %1 次/秒").arg(m_rate, 0, 'f', 1);
        CMainShared* main = g_pMainDlg;
        if (main && !main->m_master.IsPortOpen()) {
            status = QtText::ResultMessage(kResultPortNotOpen);
        } else if (m_lastResult != kResultOk) {
            status += QStringLiteral("  ") + QtText::ResultMessage(m_lastResult);
        }
        ui->statusLabel->setText(status);
    }
    if (m_recorder) ShowRecordState();
    if (m_dirty) Refresh();
}

void CLivePlotDlg::Refresh()
{
    m_dirty = false;
    QCustomPlot* plot = ui->plot;
    if (!m_paused) {
        // The window ends at the newest sample; at the start it fills from the left.
        const double upper = std::max(m_store.LastTime(), m_windowSeconds);
        m_settingRange = true;
        plot->xAxis->setRange(upper - m_windowSeconds, upper);
        m_settingRange = false;
    }
    const QCPRange range = plot->xAxis->range();
    Fill(range.lower, range.upper);
    if (m_autoScale && !m_paused) AutoScale();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void CLivePlotDlg::Fill(double t0, double t1)
{
    // About two points per pixel column: the store keeps each column's
    // minimum and maximum, so nothing narrower than a pixel is lost.
    const size_t width = static_cast<size_t>(std::max(ui->plot->axisRect()->width(), 100));
    std::vector<CSampleStore::Point> points;
    QVector<QCPGraphData> curve;
    for (Channel c : StatusChannels::All()) {
        QCPGraph* graph = m_graphs[StatusChannels::Index(c)];
        if (!graph) continue;
        m_store.Window(c, t0, t1, 2 * width, points);
        curve.resize(static_cast<qsizetype>(points.size()));
        for (size_t k = 0; k < points.size(); ++k) curve[static_cast<qsizetype>(k)] = {points[k].t, points[k].v};
        graph->data()->set(curve, true);
    }
}

void CLivePlotDlg::AutoScale()
{
    QCustomPlot* plot = ui->plot;
    for (QCPAxis* axis : {plot->yAxis, plot->yAxis2}) {
        QCPRange span;
        bool any = false;
        for (QCPGraph* graph : m_graphs) {
            if (!graph || graph->valueAxis() != axis) continue;
            bool found = false;
            const QCPRange values = graph->getValueRange(found, QCP::sdBoth, plot->xAxis->range());
            if (!found) continue;
            if (any) {
                span.expand(values);
            } else {
                span = values;
            }
            any = true;
        }
        if (!any) continue;
        // A margin; a flat curve gets a band around it.
        const double margin = span.size() > 0 ? span.size() * 0.05 : std::max(std::fabs(span.center()) * 0.05, 1.0);
        axis->setRange(span.lower - margin, span.upper + margin);
    }
}

QString CLivePlotDlg::ShowCursorAt(double t)
{
    QString text = tr("时间: %1 秒").arg(t, 0, 'f', 3);
    for (Channel c : StatusChannels::All()) {
        QCPGraph* graph = m_graphs[StatusChannels::Index(c)];
        if (!graph) continue;
        const auto points = graph->data();
        QString value = QStringLiteral("-");
        if (!points->isEmpty()) {
            auto it = points->findBegin(t, false);
            if (it == points->constEnd()) --it;
            if (it != points->constBegin() && std::fabs((it - 1)->key - t) < std::fabs(it->key - t)) --it;
            if (!std::isnan(it->value)) {
                value = QString::number(it->value, 'f', StatusChannels::MaxDecimals(c));
                if (!ShownUnit(c).isEmpty()) value += QLatin1Char(' ') + ShownUnit(c);
            }
        }
        text += QStringLiteral("\n%1: %2").arg(Label(c), value);
    }
    m_cursorLine->point1->setCoords(t, 0);
    m_cursorLine->point2->setCoords(t, 1);
    m_cursorLine->setVisible(true);
    m_cursorText->setText(text);
    m_cursorText->setVisible(true);
    ui->plot->replot(QCustomPlot::rpQueuedReplot);
    return text;
}

QString CLivePlotDlg::CursorText() const { return m_cursorText->visible() ? m_cursorText->text() : QString(); }

bool CLivePlotDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->plot && event->type() == QEvent::Leave) {
        m_cursorLine->setVisible(false);
        m_cursorText->setVisible(false);
        ui->plot->replot(QCustomPlot::rpQueuedReplot);
    }
    return QDialog::eventFilter(watched, event);
}

void CLivePlotDlg::OnExportPng()
{
    const QString path = CFileChooser::Save(this, tr("导出图片"), tr("PNG 图片 (*.png)"), QStringLiteral("png"),
                                            QStringLiteral("live-plot.png"));
    if (path.isEmpty()) return;
    ui->plot->replot();
    if (!ui->plot->savePng(path)) CMessageBox::Ok(this, tr("保存文件失败: %1").arg(path));
}

void CLivePlotDlg::OnExportCsv()
{
    const QString path = CFileChooser::Save(this, tr("导出数据"), tr("CSV 文件 (*.csv)"), QStringLiteral("csv"),
                                            QStringLiteral("live-data.csv"));
    if (path.isEmpty()) return;
    std::vector<Channel> channels = ShownChannels();
    if (channels.empty()) channels.assign(StatusChannels::All().begin(), StatusChannels::All().end());
    CCsvWriter writer(channels);
    if (!writer.Open(path.toStdString())) {
        CMessageBox::Ok(this, tr("保存文件失败: %1").arg(QString::fromStdString(writer.Error())));
        return;
    }
    // The samples in view, timed from the first of them.
    const QCPRange range = ui->plot->xAxis->range();
    bool first = true, ok = true;
    double start = 0;
    m_store.ForEach(range.lower, range.upper, [&](double t, const double* values, uint32_t result) {
        if (!ok) return;
        if (first) start = t;
        first = false;
        const auto when = m_startWall + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                            std::chrono::duration<double>(t));
        ok = result == kResultOk ? writer.WriteValues(when, t - start, values)
                                 : writer.WriteFailure(when, t - start, CModbusMaster::ResultText(result));
    });
    if (!ok) CMessageBox::Ok(this, tr("保存文件失败: %1").arg(QString::fromStdString(writer.Error())));
}

void CLivePlotDlg::OnRecord()
{
    UpdateData(true);
    if (m_recorder) {
        StopRecording();
        return;
    }
    const QString path = CFileChooser::Save(this, tr("开始记录"), tr("CSV 文件 (*.csv)"), QStringLiteral("csv"),
                                            QStringLiteral("live-record.csv"));
    if (path.isEmpty()) return;
    std::vector<Channel> channels = ShownChannels();
    if (channels.empty()) channels.assign(StatusChannels::All().begin(), StatusChannels::All().end());
    auto recorder = std::make_unique<CCsvWriter>(channels);
    if (!recorder->Open(path.toStdString())) {
        CMessageBox::Ok(this, tr("保存文件失败: %1").arg(QString::fromStdString(recorder->Error())));
        return;
    }
    m_recorder = std::move(recorder);
    m_recordPath = path;
    m_recordStart = Clock::now();
    m_recordStartWall = std::chrono::system_clock::now();
    m_recordLength = {};
    m_recordRows = 0;
    ui->recordButton->setText(tr("停止记录"));
    ShowRecordState();
}

void CLivePlotDlg::StopRecording()
{
    if (!m_recorder) return;
    m_recordLength = Clock::now() - m_recordStart;
    m_recordRows = m_recorder->Rows();
    m_recorder.reset();
    ShowRecordState();
    ui->recordButton->setText(tr("开始记录"));
}

void CLivePlotDlg::ShowRecordState()
{
    if (m_recordPath.isEmpty()) {
        ui->recordLabel->setText(tr("未记录"));
        return;
    }
    const uint64_t rows = m_recorder ? m_recorder->Rows() : m_recordRows;
    const auto length = m_recorder ? Clock::now() - m_recordStart : m_recordLength;
    ui->recordLabel->setText(tr("已记录 %1 行\n用时 %2").arg(rows).arg(Duration(length)));
}
