// The live plot's replot time, offscreen, with no drive attached:
//  - 8 curves of 100 000 points each put straight into the plot's graphs
//    (QCustomPlot reduces them to what the pixels can show as it draws);
//  - the window's own way: 100 000 samples of every channel in its sample
//    store, 8 channels shown, each redraw taking the window from the store.
// Median and worst of each, in ms. Usage: plot_bench [replots, default 50]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <qcustomplot.h>
#include <vector>

#include "LivePlotDlg.h"

namespace {

using StatusChannels::Channel;

const Channel kShown[] = {Channel::OutputPwm, Channel::PhaseCurrent, Channel::Frequency, Channel::In1,
                          Channel::InputPwm,  Channel::Speed,        Channel::Supply,    Channel::Temperature};
constexpr int kPoints = 100000;

double Signal(size_t curve, int k)
{
    const double t = k / 1000.0;
    return std::sin(t * (1.0 + static_cast<double>(curve))) * 100.0 + std::sin(t * 97.0) * 5.0;
}

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.2f ms, worst %.2f ms (%zu replots)\n", what, ms[ms.size() / 2], ms.back(), ms.size());
}

std::vector<double> Time(int count, const std::function<void()>& replot)
{
    std::vector<double> ms;
    for (int k = 0; k < count; ++k) {
        QElapsedTimer clock;
        clock.start();
        replot();
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int count = argc > 1 ? std::atoi(argv[1]) : 50;
    if (count <= 0) count = 50;

    {
        CLivePlotDlg window;
        window.resize(1280, 720);
        window.show();
        QApplication::processEvents();
        for (size_t k = 0; k < std::size(kShown); ++k) window.ShowChannel(kShown[k], true, k % 2 == 1);
        window.SetPaused(true);
        QCustomPlot* plot = window.Plot();
        for (int g = 0; g < plot->graphCount(); ++g) {
            QVector<QCPGraphData> data(kPoints);
            for (int k = 0; k < kPoints; ++k) data[k] = {k / 1000.0, Signal(static_cast<size_t>(g), k)};
            plot->graph(g)->data()->set(data, true);
        }
        plot->xAxis->setRange(0, kPoints / 1000.0);
        plot->rescaleAxes();
        std::printf("plot %dx%d px, %d curves of %d points\n", plot->width(), plot->height(), plot->graphCount(),
                    kPoints);
        Report("replot, points in the graphs", Time(count, [&] { plot->replot(QCustomPlot::rpImmediateRefresh); }));
    }
    {
        CLivePlotDlg window;
        window.resize(1280, 720);
        window.show();
        QApplication::processEvents();
        for (size_t k = 0; k < std::size(kShown); ++k) window.ShowChannel(kShown[k], true, k % 2 == 1);
        // 100 s at 1 kHz, in the 10 min window.
        window.findChild<QComboBox*>(QStringLiteral("windowCombo"))->setCurrentIndex(5);
        CSampleStore::Values values{};
        for (int k = 0; k < kPoints; ++k) {
            for (size_t c = 0; c < values.size(); ++c) values[c] = Signal(c, k);
            window.Store().Append(k / 1000.0, values);
        }
        QCustomPlot* plot = window.Plot();
        Report("redraw from the sample store (window, decimation, replot)", Time(count, [&] {
                   window.Refresh();
                   plot->replot(QCustomPlot::rpImmediateRefresh);
               }));
        std::printf("points per curve after decimation: %d\n", plot->graph(0)->dataCount());
    }
    return 0;
}
