#include "FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QThread>

namespace {
CFileChooser::IHandler* g_handler = nullptr;
// The folder the next dialog starts in: where the user went last time.
QString g_lastFolder;
}  // namespace

QString CFileChooser::Open(QWidget* parent, const QString& caption, const QString& filter)
{
    Request request;
    request.caption = caption;
    request.filter = filter;
    return Show(parent, request);
}

QString CFileChooser::Save(QWidget* parent, const QString& caption, const QString& filter, const QString& defaultSuffix,
                           const QString& name)
{
    Request request;
    request.mode = Mode::Save;
    request.caption = caption;
    request.filter = filter;
    request.defaultSuffix = defaultSuffix;
    request.name = name;
    return Show(parent, request);
}

QString CFileChooser::Folder(QWidget* parent, const QString& caption)
{
    Request request;
    request.mode = Mode::Folder;
    request.caption = caption;
    return Show(parent, request);
}

QString CFileChooser::Show(QWidget* parent, const Request& request)
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
    if (g_handler) return g_handler->Handle(request);

    QFileDialog dialog(parent, request.caption, g_lastFolder, request.filter);
    if (request.mode == Mode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.name.isEmpty()) dialog.selectFile(request.name);
    } else if (request.mode == Mode::Folder) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted) return {};
    const QString path = dialog.selectedFiles().value(0);
    if (!path.isEmpty()) g_lastFolder = request.mode == Mode::Folder ? path : QFileInfo(path).absolutePath();
    return path;
}

void CFileChooser::SetHandler(IHandler* handler) { g_handler = handler; }
