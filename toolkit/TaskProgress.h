#pragma once
// CTaskProgress: the progress window of a long link job (CDriveLink::RunTask).
// The job reports its progress in its CJobControl on the link thread; a
// timer here reads it on the UI thread into the bar. Cancel (the button, Esc
// or the close box) cancels the job, which stops between its steps. Modal
// for its window, shown once the job has taken a moment.
//
//   auto* progress = new CTaskProgress(this, tr("正在读取驱动器参数..."));
//   progress->Follow(Link().RunTask(this, work, [progress](...) { progress->Finish(); ... }));

#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <memory>

#include "JobControl.h"

class CTaskProgress : public QProgressDialog {
    Q_OBJECT
public:
    CTaskProgress(QWidget* parent, const QString& label);

    void Follow(std::shared_ptr<CJobControl> control);
    // The job's result is in: hides now and deletes itself later (a result
    // may arrive inside the bar's own event processing). True when the user
    // cancelled, even after the job's last step.
    bool Finish();

private:
    void Tick();
    void OnCancel();

    std::shared_ptr<CJobControl> m_control;
    QTimer m_timer;
};
