#include "ProcedureRun.h"

#include <QAbstractButton>
#include <utility>

#include "MainShared.h"

// What the run's jobs share on the link thread, and only there: whether the
// start went through, and the block as last read, which the stop write sends.
struct CProcedureRun::LinkSide {
    bool started = false;
    ProcedureBlock last{};
};

CProcedureRun::CProcedureRun(uint16_t procedure, Handlers handlers, QObject* parent)
    : QObject(parent), m_procedure(procedure), m_handlers(std::move(handlers))
{
    // Never early: the drive is polled a quarter second apart at least.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    m_timer.setInterval(static_cast<int>(ProcedureRunner::kPollPeriod.count()));
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
}

CProcedureRun::~CProcedureRun()
{
    if (m_stopWrite != 0 && g_pMainDlg) g_pMainDlg->Link().Fire(m_stopWrite);
}

bool CProcedureRun::Start(QAbstractButton* trigger)
{
    if (m_running || !g_pMainDlg) return false;
    CDriveLink& link = g_pMainDlg->Link();
    auto side = std::make_shared<LinkSide>();
    side->last = ProcedureRunner::FirstBlock(m_procedure);
    const uint64_t stopWrite = link.Arm([side](CModbusMaster& master, uint8_t slave) {
        if (side->started) ProcedureRunner::Stop(master, slave, side->last);
    });
    if (stopWrite == 0) return false;  // the link has ended
    m_side = side;
    m_stopWrite = stopWrite;
    m_running = true;
    const uint16_t procedure = m_procedure;
    link.Act(
        trigger,
        [side, procedure](CModbusMaster& master, uint8_t slave) {
            const ModbusResult r = ProcedureRunner::Start(master, slave, procedure);
            side->started = r == kResultOk;
            return r;
        },
        [this](ModbusResult r) {
            if (r == kResultOk) {
                PollLater();
                return;
            }
            // Refused: nothing to stop.
            g_pMainDlg->Link().Disarm(m_stopWrite);
            m_stopWrite = 0;
            ProcedureRunner::Report report;
            report.outcome = ProcedureRunner::Outcome::PollFailed;
            report.result = r;
            if (m_handlers.ended) m_handlers.ended(report);
            m_running = false;
        });
    return true;
}

void CProcedureRun::PollLater() { m_timer.start(); }

void CProcedureRun::Poll()
{
    if (!g_pMainDlg) return;
    struct Read {
        ModbusResult result = kResultOk;
        ProcedureBlock block{};
    };
    g_pMainDlg->Link().Submit(
        this, LinkPriority::Periodic,
        [side = m_side](CModbusMaster& master, uint8_t slave) {
            Read read;
            read.block = side->last;
            read.result = ProcedureRunner::Poll(master, slave, read.block);
            if (read.result == kResultOk) side->last = read.block;
            return read;
        },
        [this, side = m_side](const Read& read) {
            if (side != m_side) return;  // a run that ended meanwhile
            ProcedureRunner::Report report;
            report.last = read.block;  // on a failure, the block as last read
            if (read.result != kResultOk) {
                report.outcome = ProcedureRunner::Outcome::PollFailed;
                report.result = read.result;
                End(report);
                return;
            }
            if (const auto outcome = ProcedureRunner::Judge(m_procedure, read.block)) {
                report.outcome = *outcome;
                End(report);
                return;
            }
            if (ProcedureRunner::IsStep(m_procedure, read.block) && m_handlers.step) m_handlers.step(read.block);
            PollLater();
        });
}

void CProcedureRun::End(const ProcedureRunner::Report& report)
{
    const uint64_t stopWrite = m_stopWrite;
    m_stopWrite = 0;
    m_side.reset();
    // What the page does at the end follows the stop write, as the drive heard it.
    g_pMainDlg->Link().Fire(stopWrite, this, [this, report] {
        if (m_handlers.ended) m_handlers.ended(report);
        m_running = false;
    });
}
