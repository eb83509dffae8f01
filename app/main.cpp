#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>

#include "DemoApp.h"
#include "SimulatedPort.h"

namespace {
#ifndef _WIN32
// Without an X11 or Wayland display Qt would abort with a terse message; say
// what is missing. Windows always has its desktop.
bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
#endif
}  // namespace

int main(int argc, char** argv)
{
#ifndef _WIN32
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "zoric-demo: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Run it in a desktop session, or set QT_QPA_PLATFORM=offscreen to run without one.\n");
        return 2;
    }
#endif
    SimulatedPort::Enable();
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("zoric-drive-tool"));
    CDemoApp app(argc, argv);
    return app.Run();
}
