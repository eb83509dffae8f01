#include "DemoApp.h"

#include "AppIcon.h"
#include "DemoDlg.h"
#include "UiLanguage.h"

CDemoApp::CDemoApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("ZORIC"));
    setApplicationName(QStringLiteral("ZORIC_Demo"));
    setWindowIcon(AppIcon());
    // Before any window exists: the windows take their texts when built.
    UiLanguage::Apply(UiLanguage::Chosen());
}

int CDemoApp::Run() {
    CDemoDlg dialog;
    dialog.RememberConnection();
    dialog.exec();
    return 0;
}
