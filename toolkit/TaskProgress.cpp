#include "TaskProgress.h"

#include <algorithm>
#include <climits>

#include "MessageBox.h"

namespace {
constexpr int kTickMs = 100;
// A job quicker than this never shows the window.
constexpr int kShowAfterMs = 400;
}  // namespace

CTaskProgress::CTaskProgress(QWidget* parent, const QString& label) : QProgressDialog(parent)
{
    setObjectName(QStringLiteral("CTaskProgress"));
    setWindowTitle(CMessageBox::ApplicationName());
    setWindowModality(Qt::WindowModal);
    setLabelText(label);
    setCancelButtonText(tr("取消"));
    setMinimumDuration(kShowAfterMs);
    // The window stays until the job's result is in, whatever the bar says.
    setAutoClose(false);
    setAutoReset(false);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    connect(this, &QProgressDialog::canceled, this, [this] { OnCancel(); });
}

void CTaskProgress::Follow(std::shared_ptr<CJobControl> control)
{
    m_control = std::move(control);
    setRange(0, 0);
    setValue(0);  // starts the show-after delay
    m_timer.start();
}

bool CTaskProgress::Finish()
{
    m_timer.stop();
    hide();
    deleteLater();
    return m_control && m_control->Cancelled();
}

void CTaskProgress::Tick()
{
    if (!m_control) return;
    const uint64_t total = m_control->Total();
    const uint64_t done = m_control->Done();
    if (total == 0 || total > static_cast<uint64_t>(INT_MAX)) return;
    if (maximum() != static_cast<int>(total)) setMaximum(static_cast<int>(total));
    // Only a change: the same value again would restart the show-after delay.
    const int now = static_cast<int>(std::min(done, total));
    if (now != value()) setValue(now);
}

void CTaskProgress::OnCancel()
{
    // The window has hidden itself; a tick would show it again.
    m_timer.stop();
    if (m_control) m_control->Cancel();
}
