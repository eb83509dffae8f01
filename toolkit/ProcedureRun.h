#pragma once
// CProcedureRun: one of the drive's procedures (motor learning, FOC
// calibration) followed from a page on the link. The start is an action of
// the page's button; from its result on, a periodic job reads the procedure
// block 250 ms after the last read came back, and ProcedureRunner judges it.
// At the end the stop write goes out, then `ended` tells the page how it
// went. The stop write is armed with the link from the start, so the drive
// hears it however the run ends: at its outcome, when the page closes
// (destroying this), or when the main window closes (the link sends it
// before it ends).

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "ProcedureRunner.h"

class QAbstractButton;

class CProcedureRun : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        // A poll that leaves the run going with a step to show (the calibration's).
        std::function<void(const ProcedureBlock&)> step;
        // The run is over and its stop write sent: its outcome, or a refused
        // start as a failed poll with the start's result (nothing to stop then).
        std::function<void(const ProcedureRunner::Report&)> ended;
    };

    CProcedureRun(uint16_t procedure, Handlers handlers, QObject* parent);
    ~CProcedureRun() override;  // a run under way sends its stop write

    // Starts a run with `trigger` as the start's button; false while one runs.
    bool Start(QAbstractButton* trigger);
    bool Running() const { return m_running; }

private:
    struct LinkSide;

    void PollLater();
    void Poll();
    void End(const ProcedureRunner::Report& report);

    const uint16_t m_procedure;
    Handlers m_handlers;
    QTimer m_timer;
    bool m_running = false;
    uint64_t m_stopWrite = 0;  // the armed stop write of the run under way
    std::shared_ptr<LinkSide> m_side;
};
