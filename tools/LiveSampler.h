#pragma once
// CLiveSampler: the live plot's reads of the live status (registers 32..58)
// on the main window's link, as a periodic job that keeps at most one read
// pending: a tick that finds the last read still out skips, and user actions
// go ahead of it on the link. With period 0 each read is submitted as soon as
// the last is back, as fast as the line allows. Ticks are skipped while the
// port is closed or a procedure holds the live poll off. UI thread only.

#include <QObject>
#include <chrono>
#include <functional>

#include "ModbusResult.h"
#include "RealtimeStatus.h"

class QTimer;

class CLiveSampler : public QObject {
    Q_OBJECT
public:
    struct Sample {
        ModbusResult result = kResultOk;
        RealtimeStatus status{};
        // When the request went out.
        std::chrono::steady_clock::time_point at;
        std::chrono::system_clock::time_point wall;
    };
    using Receiver = std::function<void(const Sample&)>;

    CLiveSampler(Receiver receiver, QObject* parent = nullptr);
    ~CLiveSampler() override;

    // Milliseconds between reads; 0: the next read when the last is back.
    void SetPeriod(int ms);
    int Period() const { return m_period; }
    void Start();
    void Stop();
    bool IsRunning() const { return m_running; }
    bool IsPending() const { return m_pending; }

private:
    void OnTick();
    void Submit();

    Receiver m_receiver;
    QTimer* m_timer = nullptr;
    int m_period = 100;
    bool m_running = false;
    bool m_pending = false;  // a read submitted and its result not yet back
};
