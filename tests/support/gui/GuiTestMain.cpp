// main() of every window test: an offscreen QApplication, then the tests.
// The windows speak Chinese, whatever the machine's locale: the tests check
// the source texts. A test of another language applies it itself
// (UiLanguage::Apply) and gives Chinese back at its end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "SimulatedPort.h"
#include "UiLanguage.h"

namespace {
QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform says so each time a window is shown; that is noise.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_defaultHandler) g_defaultHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    g_defaultHandler = qInstallMessageHandler(FilterMessages);
    SimulatedPort::Enable();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZORIC"));
    QApplication::setApplicationName(QStringLiteral("ZORIC_Demo"));
    // Settings the tests write (the language menu, the connection) stay out
    // of the user's: test mode moves them on Linux; Windows keeps them in
    // the registry whatever the path, so there they go to an INI file in a
    // folder of the run's own.
    QStandardPaths::setTestModeEnabled(true);
#ifdef _WIN32
    QTemporaryDir settingsFolder;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
#endif
    UiLanguage::Apply(Language::Chinese);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
