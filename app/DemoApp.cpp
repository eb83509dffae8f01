#include "DemoApp.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSettings>

#include "AppIcon.h"
#include "DemoDlg.h"
#include "UiLanguage.h"

CDemoApp::CDemoApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("ZORIC"));
    setApplicationName(QStringLiteral("ZORIC_Demo"));
    setApplicationVersion(QStringLiteral(ZORIC_VERSION));
    setWindowIcon(AppIcon());
    // A file "portable" beside the program (an unpacked zip, a USB stick)
    // keeps the settings in an INI file there, ZORIC/ZORIC_Demo.ini, instead
    // of the registry or the user's configuration folder.
    if (QFileInfo::exists(applicationDirPath() + QStringLiteral("/portable"))) {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, applicationDirPath());
    }
    // Before any window exists: the windows take their texts when built.
    UiLanguage::Apply(UiLanguage::Chosen());
}

int CDemoApp::Run()
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  tr("启动时打开的端口，例如 COM3 或 sim://（不作为上次的端口保存）"), tr("端口"));
    parser.addOption(port);
    parser.process(arguments());

    CDemoDlg dialog;
    dialog.RememberConnection();
    if (parser.isSet(port)) dialog.StartOn(parser.value(port));
    dialog.exec();
    return 0;
}
