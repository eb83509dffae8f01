#pragma once
// CDemoApp: the application object. Chooses where the settings are kept and
// the user's language (the "语言" menu's choice, else the system's), runs the
// main window modally (on the port of `--port`, if given) and ends the
// program when it closes.
#include <QApplication>

class CDemoApp : public QApplication {
    Q_OBJECT
public:
    CDemoApp(int& argc, char** argv);
    // Constructs the main window, runs it modally, returns the exit code.
    int Run();
};
