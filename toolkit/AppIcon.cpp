#include "AppIcon.h"

#include <QDir>

QIcon AppIcon()
{
    // The sizes are the build's (toolkit/CMakeLists.txt): every bitmap it rendered.
    const QDir dir(QStringLiteral(":/icons/app"));
    QIcon icon;
    for (const QString& file : dir.entryList(QDir::Files)) icon.addFile(dir.filePath(file));
    return icon;
}
