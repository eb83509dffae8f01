#include "SyncEditDlg.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "CommParamDlg.h"
#include "DataExchange.h"
#include "DemoDlg.h"
#include "MessageBox.h"
#include "NumberText.h"
#include "TextNumber.h"
#include "ui_SyncEditDlg.h"

namespace {

constexpr uint16_t kCobIdObject = 0x1005;
constexpr uint16_t kCyclePeriodObject = 0x1006;
constexpr uint16_t kWindowLengthObject = 0x1007;

// Microseconds as milliseconds with three decimals, on the digits.
QString Milliseconds(uint32_t us) { return QString::fromStdString(TextNumber::Format("%u.%03u", us / 1000, us % 1000)); }

}  // namespace

CSyncEditDlg::CSyncEditDlg(CCommParamDlg* page, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CSyncEditDlg>()), m_page(page)
{
    ui->setupUi(this);
    // Take the final size now, so that the page can centre the window before showing it.
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
    connect(ui->buttonRead, &QPushButton::clicked, this, [this] { OnRead(); });
    connect(ui->buttonConfig, &QPushButton::clicked, this, [this] { OnConfigure(); });
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
    DataExchange::Text(fromControls, ui->editCobId, m_cobIdText);
    DataExchange::Text(fromControls, ui->editCyclePeriod, m_cyclePeriodText);
    DataExchange::Text(fromControls, ui->editWindowLength, m_windowLengthText);
}

CSyncEditDlg::SyncRead CSyncEditDlg::ReadObjects(CModbusMaster& master, uint8_t slave)
{
    SyncRead read;
    for (const uint16_t index : {kCobIdObject, kCyclePeriodObject, kWindowLengthObject}) {
        read.step = SdoStep::Read(master, slave, index, 0);
        if (!read.step.Ok()) break;
        read.values[static_cast<size_t>(read.count++)] = read.step.Value();
    }
    return read;
}

void CSyncEditDlg::Keep(const SyncRead& read)
{
    if (read.count > 0) m_cobId = read.values[0];
    if (read.count > 1) m_cyclePeriod = read.values[1];
    if (read.count > 2) m_windowLength = read.values[2];
}

SdoStep CSyncEditDlg::ReadSync()
{
    const SyncRead read = ReadObjects(g_pMainDlg->m_master, g_pMainDlg->m_deviceAddress.load());
    Keep(read);
    return read.step;
}

void CSyncEditDlg::ShowSync()
{
    m_cobIdText = QString::fromStdString(TextNumber::Format("0x%X", m_cobId.load()));
    m_cyclePeriodText = Milliseconds(m_cyclePeriod.load());
    m_windowLengthText = Milliseconds(m_windowLength.load());
    UpdateData(false);
}

void CSyncEditDlg::ReportFailure(const SdoStep& step)
{
    if (step.result != kResultOk) {
        CMessageBox::Ok(this, SdoStep::ResultMessage(step.result));
        return;
    }
    const SdoRecord& r = step.response;
    CMessageBox::Ok(this, tr("访问对象(索引号:0x%1,子索引:%2)传送终止：%3")
                              .arg(QString::fromStdString(TextNumber::Format("%04X", r.index)),
                                   QString::number(r.subindex), SdoStep::AbortCodeText(r.data)));
}

void CSyncEditDlg::OnRead()
{
    if (!g_pMainDlg) return;
    const int closings = m_closings;
    g_pMainDlg->Link().Act(
        ui->buttonRead, [](CModbusMaster& master, uint8_t slave) { return ReadObjects(master, slave); },
        [this, closings](const SyncRead& read) {
            Keep(read);
            if (!read.step.Ok()) {
                if (m_closings == closings) ReportFailure(read.step);
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
    if (!NumberText::HasDecimal(cycleText)) missing = &cycleName;
    else if (!NumberText::HasDecimal(windowText)) missing = &windowName;
    if (missing) {
        CMessageBox::Ok(this, tr("%1不是有效的数值，配置未执行").arg(*missing));
        return;
    }

    uint32_t cobId = m_cobId.load();
    TextNumber::ParseHex(m_cobIdText.toStdString(), cobId);  // unchanged when it does not parse
    m_cobId = cobId;
    m_cyclePeriod = static_cast<uint32_t>(static_cast<uint64_t>(TextNumber::ParseScaled(cycleText, 3)));
    m_windowLength = static_cast<uint32_t>(static_cast<uint64_t>(TextNumber::ParseScaled(windowText, 3)));

    const std::array<uint32_t, 3> values = {m_cobId.load(), m_cyclePeriod.load(), m_windowLength.load()};
    const int closings = m_closings;
    g_pMainDlg->Link().Act(
        ui->buttonConfig,
        [values](CModbusMaster& master, uint8_t slave) {
            SdoStep step = SdoStep::Run(master, slave, Sdo::kDownload4, kCobIdObject, 0, values[0]);
            if (step.Ok()) step = SdoStep::Run(master, slave, Sdo::kDownload4, kCyclePeriodObject, 0, values[1]);
            if (step.Ok()) step = SdoStep::Run(master, slave, Sdo::kDownload4, kWindowLengthObject, 0, values[2]);
            return step;
        },
        [this, closings](const SdoStep& step) {
            // Closed meanwhile: no box for a window that is gone; what the
            // drive took still reaches the page's list.
            const bool open = m_closings == closings;
            if (!step.Ok()) {
                if (open) ReportFailure(step);
                return;
            }
            if (open) CMessageBox::Ok(this, SdoStep::ResultMessage(kResultOk));
            if (m_page) m_page->OnObjectConfigured();
            if (open) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        });
}
