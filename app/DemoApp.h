#pragma once
// CDemoApp: the application object. Chooses the user's language (the "语言"
// menu's choice, else the locale), runs the main window modally and ends
// the program when it closes.
#include <QApplication>

class CDemoApp : public QApplication {
    Q_OBJECT
public:
    CDemoApp(int& argc, char** argv);
    // Constructs the main window, runs it modally, returns the exit code.
    int Run();
};
