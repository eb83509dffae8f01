#include "MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>

namespace {
std::atomic<CMessageBox::IHandler*> g_handler{nullptr};

QMessageBox::Icon ToQtIcon(CMessageBox::Icon icon)
{
    switch (icon) {
    case CMessageBox::Icon::Information: return QMessageBox::Information;
    case CMessageBox::Icon::Question: return QMessageBox::Question;
    case CMessageBox::Icon::Warning: return QMessageBox::Warning;
    case CMessageBox::Icon::Critical: return QMessageBox::Critical;
    case CMessageBox::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

QString CMessageBox::ApplicationName() { return tr("ZORIC_Demo"); }

void CMessageBox::Ok(QWidget* parent, const QString& text, const QString& caption)
{
    Request request;
    request.text = text;
    request.caption = caption;
    Show(parent, request);
}

bool CMessageBox::YesNo(QWidget* parent, const QString& text, const QString& caption, Answer defaultAnswer)
{
    Request request;
    request.text = text;
    request.caption = caption;
    request.buttons = Buttons::YesNo;
    request.icon = Icon::Question;
    request.defaultAnswer = defaultAnswer == Answer::No ? Answer::No : Answer::Yes;
    return Show(parent, request) == Answer::Yes;
}

CMessageBox::Answer CMessageBox::Show(QWidget* parent, const Request& given)
{
    // A box from a worker thread would be a widget off the UI thread.
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
    Request request = given;
    if (request.caption.isEmpty()) request.caption = ApplicationName();
    if (IHandler* handler = g_handler.load()) return handler->Handle(request);

    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton, parent);
    if (request.buttons == Buttons::YesNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        yes->setText(tr("是(&Y)"));
        no->setText(tr("否(&N)"));
        box.setDefaultButton(request.defaultAnswer == Answer::No ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setText(tr("确定"));
    box.setDefaultButton(ok);
    box.exec();
    return Answer::Ok;
}

void CMessageBox::SetHandler(IHandler* handler) { g_handler.store(handler); }
