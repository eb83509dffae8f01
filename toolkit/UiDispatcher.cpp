#include "UiDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "HandOffQueue.h"

namespace {

// The application's UI thread as the hand-off queue sees it.
class QtUiThread : public CHandOffQueue::IUiThread {
public:
    bool Exists() const override { return QCoreApplication::instance() != nullptr; }
    bool IsCurrent() const override
    {
        const QCoreApplication* app = QCoreApplication::instance();
        return app && QThread::currentThread() == app->thread();
    }
    void Wake() override;
};

CHandOffQueue& TheQueue()
{
    static QtUiThread ui;
    static CHandOffQueue queue(ui);
    return queue;
}

void QtUiThread::Wake()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { TheQueue().ServeAll(); }, Qt::QueuedConnection);
}

}  // namespace

bool CUiDispatcher::Invoke(const std::atomic<bool>& running, const std::function<void()>& fn)
{
    return TheQueue().Invoke(running, fn);
}

void CUiDispatcher::JoinServing(std::thread& worker) { TheQueue().JoinServing(worker); }

void CUiDispatcher::ServePending() { TheQueue().ServeAll(); }

void CUiDispatcher::SetWindowsClosing(bool closing) { TheQueue().SetClosing(closing); }
