#include "LiveSampler.h"

#include <QTimer>

#include "MainShared.h"

namespace {
// "As fast as possible" runs from the results themselves; this tick only
// restarts it after a pause (port closed, a procedure holding the poll off).
constexpr int kRestartTickMs = 50;
}  // namespace

CLiveSampler::CLiveSampler(Receiver receiver, QObject* parent) : QObject(parent), m_receiver(std::move(receiver))
{
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] { OnTick(); });
}

CLiveSampler::~CLiveSampler() = default;

void CLiveSampler::SetPeriod(int ms)
{
    m_period = ms < 0 ? 0 : ms;
    m_timer->setInterval(m_period > 0 ? m_period : kRestartTickMs);
}

void CLiveSampler::Start()
{
    m_running = true;
    SetPeriod(m_period);
    m_timer->start();
    OnTick();
}

void CLiveSampler::Stop()
{
    m_running = false;
    m_timer->stop();
}

void CLiveSampler::OnTick()
{
    CMainShared* main = g_pMainDlg;
    if (!m_running || m_pending || !main) return;
    if (!main->m_master.IsPortOpen()) return;
    Submit();
}

void CLiveSampler::Submit()
{
    struct Read {
        bool portOpen = false;
        Sample sample;
    };
    m_pending = true;
    g_pMainDlg->Link().Submit(
        this, LinkPriority::Periodic,
        [](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.sample.at = std::chrono::steady_clock::now();
            read.sample.wall = std::chrono::system_clock::now();
            // A port closed since the tick has nothing to show.
            read.portOpen = master.IsPortOpen();
            if (read.portOpen) read.sample.result = master.ReadRealtimeStatus(slave, read.sample.status);
            return read;
        },
        [this](const Read& read) {
            m_pending = false;
            if (read.portOpen && m_receiver) m_receiver(read.sample);
            if (m_period == 0) OnTick();
        });
}
