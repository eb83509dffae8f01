#include "DemoApp.h"

#include "AppIcon.h"
#include "DemoDlg.h"

CDemoApp::CDemoApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("ZORIC"));
    setApplicationName(QStringLiteral("ZORIC_Demo"));
    setWindowIcon(AppIcon());
}

int CDemoApp::Run() {
    CDemoDlg dialog;
    dialog.RememberConnection();
    dialog.exec();
    return 0;
}
