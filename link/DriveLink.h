#pragma once
// CDriveLink: where the windows reach the drive. Every exchange a window
// starts is submitted here and runs on the link thread (CLinkQueue) on the
// one CModbusMaster; its result comes back to the UI thread, in order, as a
// call of the window's continuation. The UI thread never waits on the drive.
//
//   g_pMainDlg->Link().Act(ui->readButton,
//       [](CModbusMaster& m, uint8_t slave) { SafetyParams p{}; ... return read; },
//       [this](const Read& read) { ... show it ... });
//
// - `work` runs on the link thread with the master and the device address in
//   effect when it was submitted; it must capture values only (copies of the
//   page's stored values), never a widget or `this`.
// - `done` runs on the UI thread with what `work` returned, unless `owner`
//   (the trigger of an Act) has been destroyed meanwhile: a result is never
//   applied to a window that is gone.
// - Act is a user action: it goes ahead of periodic reads, and until its
//   result is back its button is disabled and its window shows the wait
//   cursor. Both are restored before `done` runs, so a message box shown
//   there is a normal one. A continuation that submits the next step keeps
//   the handler readable top to bottom.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "LinkQueue.h"
#include "ModbusMaster.h"

class CDriveLink : public QObject {
    Q_OBJECT
public:
    CDriveLink(CModbusMaster& master, const std::atomic<uint8_t>& address, QObject* parent = nullptr);
    ~CDriveLink() override;  // Stop()

    template <class Work, class Done>
    void Submit(QObject* owner, LinkPriority priority, Work work, Done done)
    {
        Enqueue(owner, priority, std::move(work), std::move(done), nullptr, nullptr);
    }

    template <class Work, class Done>
    void Act(QWidget* trigger, Work work, Done done)
    {
        Enqueue(trigger, LinkPriority::User, std::move(work), std::move(done), std::make_shared<Busy>(*this, trigger),
                nullptr);
    }

    // A long job (export, load, scan): `work(master, slave, control)` checks
    // control.Cancelled() between its exchanges and reports its progress
    // there; the caller keeps the control to cancel it or to show progress.
    // Closing the main window cancels it.
    template <class Work, class Done>
    std::shared_ptr<CJobControl> RunTask(QWidget* trigger, Work work, Done done)
    {
        auto control = std::make_shared<CJobControl>();
        auto withControl = [work = std::move(work), control](CModbusMaster& m, uint8_t slave) mutable {
            return work(m, slave, *control);
        };
        Enqueue(trigger, LinkPriority::User, std::move(withControl), std::move(done),
                std::make_shared<Busy>(*this, trigger), control);
        return control;
    }

    // A stop write (a procedure's), armed when the procedure starts so that
    // the drive hears it however the procedure ends: `work(master, slave)`
    // runs once, when the window fires it, or when the link stops (the main
    // window's end) after the exchange in flight. Returns its id for Fire.
    template <class Work>
    uint64_t Arm(Work work)
    {
        CModbusMaster* master = &m_master;
        const uint8_t slave = m_address.load();
        return m_queue.Arm([master, slave, work = std::move(work)]() mutable { work(*master, slave); });
    }
    // Queues the armed stop write `id` as a user action; `done` follows on
    // the UI thread unless `owner` has gone. Without an owner (a window
    // closing) it is sent and nothing follows.
    void Fire(uint64_t id, QObject* owner = nullptr, std::function<void()> done = {})
    {
        m_queue.Fire(id, [done = std::move(done), alive = QPointer<QObject>(owner)] {
            if (alive && done) done();
        });
    }
    void Disarm(uint64_t id) { m_queue.Disarm(id); }

    // Nothing queued, running or waiting for its result to be applied.
    bool Idle() const { return m_queue.Idle(); }
    size_t Queued() const { return m_queue.Queued(); }
    // Drops what is queued and every result not yet applied, waits for the
    // exchange in flight (at most its time-out), sends the stop writes still
    // armed or queued, and ends the thread. Only for
    // the main window's end: a window's pending flags (poll, watch) are
    // cleared by their results, so nothing less than the end may drop them.
    void Stop() { m_queue.Stop(); }

private:
    // While an action is in flight: its button disabled, its window's wait
    // cursor. Counted per widget, so actions queued behind each other keep
    // them until the last has ended. UI thread only.
    class Busy {
    public:
        Busy(CDriveLink& link, QWidget* trigger);
        ~Busy() { Release(); }
        void Release();

    private:
        CDriveLink& m_link;
        // The keys stay valid as keys after their widget is gone.
        QWidget* m_buttonKey = nullptr;
        QWidget* m_windowKey = nullptr;
        QPointer<QWidget> m_button;
        QPointer<QWidget> m_window;
        bool m_released = false;
    };
    struct BusyCount {
        int count = 0;
        bool wasEnabled = true;
    };

    template <class Work, class Done>
    void Enqueue(QObject* owner, LinkPriority priority, Work work, Done done, std::shared_ptr<Busy> busy,
                 std::shared_ptr<CJobControl> control)
    {
        using Result = std::decay_t<std::invoke_result_t<Work&, CModbusMaster&, uint8_t>>;
        auto slot = std::make_shared<std::optional<Result>>();
        CModbusMaster* master = &m_master;
        const uint8_t slave = m_address.load();
        auto onLink = [slot, master, slave, work = std::move(work)]() mutable { slot->emplace(work(*master, slave)); };
        auto onUi = [slot, busy = std::move(busy), done = std::move(done), hasOwner = owner != nullptr,
                     alive = QPointer<QObject>(owner)]() mutable {
            if (busy) busy->Release();
            if (hasOwner && !alive) return;
            if (slot->has_value()) done(std::move(**slot));
        };
        m_queue.Submit(priority, std::move(onLink), std::move(onUi), std::move(control));
    }

    CModbusMaster& m_master;
    const std::atomic<uint8_t>& m_address;
    std::map<QWidget*, BusyCount> m_busyButtons;
    std::map<QWidget*, int> m_busyWindows;
    CLinkQueue m_queue;  // last: its thread ends before the rest goes
};
