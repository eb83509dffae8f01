#include "SyncEditDlg.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "Accessibility.h"
#include "DataExchange.h"
#include "MainShared.h"
#include "MessageBox.h"
#include "QtText.h"
#include "SdoMessages.h"
#include "TextNumber.h"
#include "ui_SyncEditDlg.h"

namespace {

// Microseconds as milliseconds with three decimals, on the digits.
QString Milliseconds(uint32_t us)
{
    return QString::fromStdString(TextNumber::Format("%u.%03u", us / 1000, us % 1000));
}

}  // namespace

CSyncEditDlg::CSyncEditDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CSyncEditDlg>())
{
    ui->setupUi(this);
    Accessibility::NameInputsFromLabels(this);
    // Take the final size now, so that the page can centre the window before showing it.
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
    connect(ui->readButton, &QPushButton::clicked, this, [this] { OnRead(); });
    connect(ui->configButton, &QPushButton::clicked, this, [this] { OnConfigure(); });
}

CSyncEditDlg::~CSyncEditDlg() = default;

void CSyncEditDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSyncEditDlg::hideEvent(QHideEvent* event)
{
    // Closed by the user or by the page; not when the desktop hides it.
    if (!event->spontaneous()) ++m_closings;
    QDialog::hideEvent(event);
}

void CSyncEditDlg::UpdateData(bool fromControls)
{
    DataExchange::Text(fromControls, ui->cobIdEdit, m_cobIdText);
    DataExchange::Text(fromControls, ui->cyclePeriodEdit, m_cyclePeriodText);
    DataExchange::Text(fromControls, ui->windowLengthEdit, m_windowLengthText);
}

void CSyncEditDlg::Keep(const SyncObjects::Reading& read)
{
    if (read.count > 0) m_cobId = read.values[0];
    if (read.count > 1) m_cyclePeriod = read.values[1];
    if (read.count > 2) m_windowLength = read.values[2];
}

void CSyncEditDlg::ShowSync()
{
    m_cobIdText = QString::fromStdString(TextNumber::Format("0x%X", m_cobId));
    m_cyclePeriodText = Milliseconds(m_cyclePeriod);
    m_windowLengthText = Milliseconds(m_windowLength);
    UpdateData(false);
}

void CSyncEditDlg::OnRead()
{
    if (!g_pMainDlg) return;
    const int closings = m_closings;
    g_pMainDlg->Link().Act(
        ui->readButton, [](CModbusMaster& master, uint8_t slave) { return SyncObjects::Read(master, slave); },
        [this, closings](const SyncObjects::Reading& read) {
            Keep(read);
            if (!read.step.Ok()) {
                if (m_closings == closings) SdoMessages::ReportFailure(this, read.step);
                return;
            }
            ShowSync();
        });
}

void CSyncEditDlg::OnConfigure()
{
    if (!g_pMainDlg) return;
    UpdateData(true);
    // A time that is no number is refused: sending 0 would switch SYNC off
    // on the drive although nobody asked for it.
    const std::string cycleText = m_cyclePeriodText.toStdString();
    const std::string windowText = m_windowLengthText.toStdString();
    const QString* missing = nullptr;
    const QString cycleName = tr("通讯间隔时间");
    const QString windowName = tr("同步窗口长度");
    if (!TextNumber::HasDecimal(cycleText)) missing = &cycleName;
    else if (!TextNumber::HasDecimal(windowText)) missing = &windowName;
    if (missing) {
        CMessageBox::Ok(this, tr("%1不是有效的数值，配置未执行").arg(*missing));
        return;
    }

    TextNumber::ParseHex(m_cobIdText.toStdString(), m_cobId);  // unchanged when it does not parse
    m_cyclePeriod = static_cast<uint32_t>(static_cast<uint64_t>(TextNumber::ParseScaled(cycleText, 3)));
    m_windowLength = static_cast<uint32_t>(static_cast<uint64_t>(TextNumber::ParseScaled(windowText, 3)));

    const SyncObjects::Values values = {m_cobId, m_cyclePeriod, m_windowLength};
    const int closings = m_closings;
    g_pMainDlg->Link().Act(
        ui->configButton,
        [values](CModbusMaster& master, uint8_t slave) { return SyncObjects::Write(master, slave, values); },
        [this, closings](const SdoStep& step) {
            // Closed meanwhile: no box for a window that is gone; what the
            // drive took still reaches the page's list.
            const bool open = m_closings == closings;
            if (!step.Ok()) {
                if (open) SdoMessages::ReportFailure(this, step);
                return;
            }
            if (open) CMessageBox::Ok(this, QtText::ResultMessage(kResultOk));
            emit configured();
            if (open) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        });
}
