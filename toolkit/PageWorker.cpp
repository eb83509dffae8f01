#include "PageWorker.h"

#include <system_error>

#include "MainShared.h"
#include "UiDispatcher.h"

namespace {

// Holds the live-status poll off while it lives. Counted, so that two jobs
// that overlap do not resume it for each other.
class PollPause {
public:
    explicit PollPause(bool pause) : m_paused(pause && g_pMainDlg)
    {
        if (m_paused) ++g_pMainDlg->m_pollPaused;
    }
    ~PollPause()
    {
        if (m_paused) --g_pMainDlg->m_pollPaused;
    }
    PollPause(const PollPause&) = delete;
    PollPause& operator=(const PollPause&) = delete;

private:
    bool m_paused;
};

}  // namespace

bool CPageWorker::Start(std::function<void()> job, Poll poll)
{
    if (m_running.load()) return false;
    CUiDispatcher::JoinServing(m_thread);  // the previous run, already at its end
    m_running = true;
    try {
        m_thread = std::thread([this, job = std::move(job), poll] { Run(job, poll); });
    } catch (const std::system_error&) {
        m_running = false;
        return false;
    }
    return true;
}

void CPageWorker::Run(const std::function<void()>& job, Poll poll)
{
    {
        PollPause pause(poll == Poll::Pause);
        job();
    }
    // A job that ended without Finish still ends its run.
    if (m_running.load()) Finish([] {});
}

void CPageWorker::Stop()
{
    if (m_running.exchange(false)) m_stop.Set();
    CUiDispatcher::JoinServing(m_thread);
}

bool CPageWorker::Ui(const std::function<void()>& fn) { return CUiDispatcher::Invoke(m_running, fn); }

void CPageWorker::Finish(const std::function<void()>& fn)
{
    CUiDispatcher::Invoke(m_running, [this, &fn] {
        fn();
        m_running = false;
    });
}
