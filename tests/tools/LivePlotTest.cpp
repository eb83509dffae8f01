// The live plot window against the simulated drive: it opens from the menu
// and closes for good, draws the chosen channels in the panel's scale,
// pauses without stopping the sampling, exports the picture and the data,
// records to a file, and never has more than one read of its own queued.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <qcustomplot.h>

#include "FileChooser.h"
#include "GuiFixture.h"
#include "LivePlotDlg.h"

using namespace GuiActions;
using StatusChannels::Channel;

namespace {

QStringList FileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

bool PumpUntil(const std::function<bool()>& condition, int limitMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QTest::qWait(5);
    }
    return true;
}

class LivePlotTest : public CGuiFixture {
protected:
    void SetUp() override
    {
        CGuiFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(m_files.isValid());
        CFileChooser::SetHandler(&m_chooser);
        m_plot = Open();
        ASSERT_NE(m_plot, nullptr);
    }
    void TearDown() override
    {
        CFileChooser::SetHandler(nullptr);
        CGuiFixture::TearDown();
    }
    QAction* MenuAction(const QString& text) const
    {
        for (QAction* top : Find<QMenuBar>(m_dlg.get(), "menuBar")->actions()) {
            for (QAction* action : top->menu()->actions()) {
                if (action->text() == text) return action;
            }
        }
        return nullptr;
    }
    CLivePlotDlg* Open()
    {
        QAction* action = MenuAction(QStringLiteral("实时曲线(&P)"));
        if (!action) return nullptr;
        action->trigger();
        return m_dlg->findChild<CLivePlotDlg*>();
    }
    template <class T>
    T* W(const char* name) const
    {
        T* w = Find<T>(m_plot, name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    bool WaitForSamples(uint64_t more)
    {
        const uint64_t target = m_plot->Store().Appended() + more;
        return PumpUntil([&] { return m_plot->Store().Appended() >= target; });
    }
    QCPGraph* GraphNamed(const QString& prefix) const
    {
        QCustomPlot* plot = m_plot->Plot();
        for (int k = 0; k < plot->graphCount(); ++k) {
            if (plot->graph(k)->name().startsWith(prefix)) return plot->graph(k);
        }
        return nullptr;
    }

    // Answers every file dialog: a file of the offered name in m_files, or m_answer.
    struct Chooser : CFileChooser::IHandler {
        explicit Chooser(LivePlotTest& test) : m_test(test) {}
        QString Handle(const CFileChooser::Request& request) override
        {
            m_test.m_asked << request.caption;
            return m_test.m_answer.isNull() ? m_test.m_files.filePath(request.name) : m_test.m_answer;
        }
        LivePlotTest& m_test;
    };
    QTemporaryDir m_files;
    QString m_answer;  // null: a file of the offered name in m_files
    QStringList m_asked;
    Chooser m_chooser{*this};
    QPointer<CLivePlotDlg> m_plot;
};

TEST_F(LivePlotTest, OpensFromTheMenuDrawsAndClosesForGood)
{
    EXPECT_TRUE(m_plot->isVisible());
    EXPECT_FALSE(m_plot->isModal());
    EXPECT_EQ(m_plot->windowTitle(), QStringLiteral("实时曲线"));
    EXPECT_EQ(W<QCheckBox>("channelCheck_output_pwm_pct")->text(), QStringLiteral("输出PWM (%)"));
    EXPECT_EQ(W<QCheckBox>("channelCheck_phase_current_a")->text(), QStringLiteral("相电流 (A)"));
    EXPECT_TRUE(W<QCheckBox>("rightCheck_speed_rpm")->isChecked()) << "the speed starts on the right axis";
    EXPECT_EQ(W<QComboBox>("rateCombo")->itemText(4), QStringLiteral("尽可能快"));

    // The temperature in the panel's scale: the simulated drive is at 25.0 ℃.
    Click(W<QCheckBox>("channelCheck_temperature_c"));
    ASSERT_TRUE(WaitForSamples(3));
    m_plot->Refresh();
    QCPGraph* temperature = GraphNamed(QStringLiteral("内部温度"));
    ASSERT_NE(temperature, nullptr);
    ASSERT_FALSE(temperature->data()->isEmpty());
    EXPECT_DOUBLE_EQ((temperature->data()->constEnd() - 1)->value, 25.0);
    EXPECT_EQ(temperature->valueAxis(), m_plot->Plot()->yAxis);
    Click(W<QCheckBox>("rightCheck_temperature_c"));
    EXPECT_EQ(GraphNamed(QStringLiteral("内部温度"))->valueAxis(), m_plot->Plot()->yAxis2);
    EXPECT_TRUE(m_plot->Plot()->yAxis2->visible());

    // The cursor reads each curve at its time.
    const QString reading = m_plot->ShowCursorAt(m_plot->Store().LastTime());
    EXPECT_TRUE(reading.contains(QStringLiteral("内部温度: 25.0 ℃"))) << reading.toStdString();
    EXPECT_TRUE(reading.contains(QStringLiteral("输出PWM: 0.0 %"))) << reading.toStdString();
    EXPECT_EQ(m_plot->CursorText(), reading);

    // Closing deletes it; the menu makes a new one, any number of times; Esc closes too.
    m_plot->close();
    EXPECT_TRUE(PumpUntil([&] { return m_plot.isNull(); }));
    for (int round = 0; round < 2; ++round) {
        m_plot = Open();
        ASSERT_NE(m_plot, nullptr);
        EXPECT_TRUE(m_plot->isVisible());
        EXPECT_TRUE(WaitForSamples(2));
        QTest::keyClick(m_plot, Qt::Key_Escape);
        EXPECT_TRUE(PumpUntil([&] { return m_plot.isNull(); }));
    }
    const uint64_t requests = RequestCount();
    Pump(300);
    EXPECT_EQ(RequestCount(), requests) << "a closed window reads nothing";
}

TEST_F(LivePlotTest, PauseFreezesTheViewWhileSamplingGoesOn)
{
    ASSERT_TRUE(WaitForSamples(3));
    QPushButton* pause = W<QPushButton>("pauseButton");
    Click(pause);
    EXPECT_TRUE(m_plot->IsPaused());
    EXPECT_EQ(pause->text(), QStringLiteral("继续"));
    const QCPRange frozen = m_plot->Plot()->xAxis->range();
    const uint64_t before = m_plot->Store().Appended();
    ASSERT_TRUE(WaitForSamples(5));
    Pump(100);
    EXPECT_EQ(m_plot->Plot()->xAxis->range(), frozen);
    EXPECT_GT(m_plot->Store().Appended(), before);

    Click(pause);
    EXPECT_EQ(pause->text(), QStringLiteral("暂停"));
    m_plot->Refresh();
    EXPECT_DOUBLE_EQ(m_plot->Plot()->xAxis->range().upper, std::max(m_plot->Store().LastTime(), 10.0));
    EXPECT_DOUBLE_EQ(m_plot->Plot()->xAxis->range().size(), 10.0);

    // Grabbing the plot with the mouse takes the view, as the button does.
    QTest::mousePress(m_plot->Plot(), Qt::LeftButton, {}, m_plot->Plot()->rect().center());
    QTest::mouseRelease(m_plot->Plot(), Qt::LeftButton, {}, m_plot->Plot()->rect().center());
    EXPECT_TRUE(m_plot->IsPaused());
}

TEST_F(LivePlotTest, ExportsThePictureAndTheDataShown)
{
    Click(W<QCheckBox>("channelCheck_speed_rpm"));  // it would cover the PWM's line at 0
    ASSERT_TRUE(WaitForSamples(5));
    Click(W<QPushButton>("pauseButton"));
    // A paused view moved to the samples there are: the curve spans the plot.
    m_plot->Plot()->xAxis->setRange(0, m_plot->Store().LastTime());
    m_plot->Refresh();

    Click(W<QPushButton>("exportPngButton"));
    const QImage picture(m_files.filePath(QStringLiteral("live-plot.png")));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), m_plot->Plot()->size());
    // The output PWM's curve is drawn across the plot in its blue (31, 119, 180),
    // smoothed into the white around it; nothing else in the picture is blue.
    int curve = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            curve += c.blue() - c.red() > 50 && c.blue() > c.green();
        }
    }
    EXPECT_GT(curve, m_plot->Plot()->axisRect()->width() / 2);

    Click(W<QPushButton>("exportCsvButton"));
    const QStringList lines = FileLines(m_files.filePath(QStringLiteral("live-data.csv")));
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("time,seconds,output_pwm_pct,result"));
    double last = -1;
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split(QLatin1Char(','));
        ASSERT_EQ(fields.size(), 4) << lines[k].toStdString();
        const double seconds = fields[1].toDouble();
        EXPECT_GT(seconds, last);
        last = seconds;
        EXPECT_EQ(fields[2], QStringLiteral("0.0"));
        EXPECT_EQ(fields[3], QString());
    }
    EXPECT_EQ(m_asked, (QStringList{QStringLiteral("导出图片"), QStringLiteral("导出数据")}));

    // A cancelled dialog writes nothing; a file that cannot be made says so.
    m_answer = QStringLiteral("");
    Click(W<QPushButton>("exportCsvButton"));
    EXPECT_EQ(m_boxes.Count(), 0);
    m_answer = m_files.filePath(QStringLiteral("no-such-dir/x.csv"));
    Click(W<QPushButton>("exportCsvButton"));
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.LastText().startsWith(QStringLiteral("保存文件失败"))) << m_boxes.LastText().toStdString();
}

TEST_F(LivePlotTest, RecordsEveryReadWithTheFailuresUntilStopped)
{
    QPushButton* record = W<QPushButton>("recordButton");
    Click(record);
    ASSERT_TRUE(m_plot->IsRecording());
    EXPECT_EQ(record->text(), QStringLiteral("停止记录"));
    ASSERT_TRUE(WaitForSamples(3));
    m_sim->InjectFault(zoric::sim::SimFault::NoAnswer, 1);
    m_dlg->m_master.SetResponseTimeout(200);
    ASSERT_TRUE(WaitForSamples(4));
    Click(record);
    EXPECT_FALSE(m_plot->IsRecording());
    EXPECT_EQ(record->text(), QStringLiteral("开始记录"));

    const QStringList lines = FileLines(m_files.filePath(QStringLiteral("live-record.csv")));
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("time,seconds,output_pwm_pct,speed_rpm,result"));
    int failures = 0;
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split(QLatin1Char(','));
        ASSERT_EQ(fields.size(), 5);
        if (!fields[4].isEmpty()) {
            ++failures;
            EXPECT_EQ(fields[4], QStringLiteral("通讯超时"));
            EXPECT_EQ(fields[2] + fields[3], QString());
        }
    }
    EXPECT_EQ(failures, 1);
    const QString state = W<QLabel>("recordLabel")->text();
    EXPECT_TRUE(state.startsWith(QStringLiteral("已记录 %1 行").arg(lines.size() - 1))) << state.toStdString();
}

TEST_F(LivePlotTest, AsFastAsPossibleKeepsOneReadOfItsOwn)
{
    W<QComboBox>("rateCombo")->setCurrentIndex(4);
    EXPECT_EQ(m_plot->Sampler().Period(), 0);
    const uint64_t start = m_plot->Store().Appended();
    for (int k = 0; k < 200; ++k) {
        EXPECT_LE(m_dlg->Link().Queued(), 1u);
        QTest::qWait(2);
    }
    EXPECT_GT(m_plot->Store().Appended(), start + 10) << "reads follow each other";

    // A silent drive: ticks find the read still out and skip.
    m_dlg->m_master.SetResponseTimeout(300);
    W<QComboBox>("rateCombo")->setCurrentIndex(3);  // 10 ms
    ASSERT_TRUE(PumpUntil([&] { return !m_plot->Sampler().IsPending(); }));
    m_sim->SetFaultProbability(zoric::sim::SimFault::NoAnswer, 1.0);
    const uint64_t requests = RequestCount();
    Pump(700);
    EXPECT_LE(RequestCount() - requests, 4u) << "one read at a time, each waiting out its time-out";
}

}  // namespace
