#pragma once
// CLivePlotDlg: the tool window "实时曲线". Plots the chosen channels of the
// live status over a rolling time window, on one or two value axes, and
// records them to a CSV file (the format of zoric-cli record).
//
// - Sampling (CLiveSampler) runs while the window exists, at the period the
//   user picks, on the main window's link; the status panel keeps its own.
// - "暂停" freezes the view only: sampling and a recording go on. Dragging or
//   zooming the plot with the mouse pauses it; while paused the view shows
//   whatever part of the stored hour it is moved to.
// - The cursor follows the mouse over the plot and reads every curve there.
// - Made by the main window's menu, modeless; closing it deletes it (and ends
//   a recording with a complete file).

#include <QDialog>
#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <memory>

#include "CsvWriter.h"
#include "LiveSampler.h"
#include "SampleStore.h"
#include "StatusChannels.h"

namespace Ui {
class CLivePlotDlg;
}
class QCheckBox;
class QCustomPlot;
class QCPGraph;
class QCPItemStraightLine;
class QCPItemText;
class QTimer;

class CLivePlotDlg : public QDialog {
    Q_OBJECT
public:
    using Channel = StatusChannels::Channel;

    explicit CLivePlotDlg(QWidget* parent = nullptr);
    ~CLivePlotDlg() override;

    // Moves the stored selections (period, window, auto-scale) to or from the controls.
    void UpdateData(bool fromControls);

    // Handlers (each takes all controls first).
    void OnChannelsChanged();
    void OnRateChanged();
    void OnWindowChanged();
    void OnPause();
    void OnExportPng();
    void OnExportCsv();
    void OnRecord();

    bool IsPaused() const { return m_paused; }
    void SetPaused(bool paused);
    bool IsRecording() const { return m_recorder != nullptr; }

    // Shows a channel's curve, on the right axis or the left (ticks its boxes).
    void ShowChannel(Channel channel, bool shown, bool rightAxis = false);
    // The plot, its samples and one redraw from them; for tests and the benchmark.
    QCustomPlot* Plot() const;
    CSampleStore& Store() { return m_store; }
    void Refresh();
    // Puts the cursor at time t (seconds since sampling began) and returns
    // what it reads.
    QString ShowCursorAt(double t);
    QString CursorText() const;
    const CLiveSampler& Sampler() const { return *m_sampler; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSample(const CLiveSampler::Sample& sample);
    void OnTick();
    void Fill(double t0, double t1);
    void AutoScale();
    void StopRecording();
    void ShowRecordState();
    double Seconds(std::chrono::steady_clock::time_point at) const;
    std::vector<Channel> ShownChannels() const;

    std::unique_ptr<Ui::CLivePlotDlg> ui;
    CLiveSampler* m_sampler = nullptr;
    QTimer* m_refreshTimer = nullptr;
    CSampleStore m_store;
    const std::chrono::steady_clock::time_point m_startSteady;
    const std::chrono::system_clock::time_point m_startWall;

    std::array<QCheckBox*, StatusChannels::kCount> m_shownChecks{};
    std::array<QCheckBox*, StatusChannels::kCount> m_rightChecks{};
    std::array<QCPGraph*, StatusChannels::kCount> m_graphs{};
    QCPItemStraightLine* m_cursorLine = nullptr;
    QCPItemText* m_cursorText = nullptr;

    // Stored values of the controls.
    int m_rateIndex = 0;
    int m_windowIndex = 0;
    int m_autoScale = 1;

    double m_windowSeconds = 10;
    bool m_paused = false;
    bool m_dirty = false;         // samples or a view change not drawn yet
    bool m_settingRange = false;  // the window moves the view itself

    // Achieved rate, counted over about a second.
    uint64_t m_rateCount = 0;
    std::chrono::steady_clock::time_point m_rateSince;
    double m_rate = 0;
    ModbusResult m_lastResult = kResultOk;

    std::unique_ptr<CCsvWriter> m_recorder;
    QString m_recordPath;
    std::chrono::steady_clock::time_point m_recordStart;
    std::chrono::system_clock::time_point m_recordStartWall;
    // A finished recording's figures, shown until the next.
    std::chrono::steady_clock::duration m_recordLength{};
    uint64_t m_recordRows = 0;
};
