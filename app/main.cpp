#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>

#include "DemoApp.h"
#include "SimulatedPort.h"

namespace {
// Without a display Qt would abort with a terse message; say what is missing.
bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "zoric-demo: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Run it in a desktop session, or set QT_QPA_PLATFORM=offscreen to run without one.\n");
        return 2;
    }
    SimulatedPort::Enable();
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("zoric-drive-tool"));
    CDemoApp app(argc, argv);
    return app.Run();
}
