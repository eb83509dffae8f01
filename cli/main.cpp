#include <atomic>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "SimulatedPort.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <shellapi.h>
#else
#include <csignal>
#endif

namespace {

std::atomic<bool> g_interrupted{false};

#ifdef _WIN32

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    g_interrupted = true;
    return TRUE;
}

std::string Utf8(const wchar_t* text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string out(static_cast<size_t>(bytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The arguments as the user typed them, Chinese file names included: the
// narrow argv of a Windows program holds them in the ANSI code page.
std::vector<std::string> Arguments()
{
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

// Every text is UTF-8: the console shows it as such while the command runs.
class ConsoleUtf8 {
public:
    ConsoleUtf8() : m_saved(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~ConsoleUtf8()
    {
        if (m_saved != 0) SetConsoleOutputCP(m_saved);
    }
    ConsoleUtf8(const ConsoleUtf8&) = delete;
    ConsoleUtf8& operator=(const ConsoleUtf8&) = delete;

private:
    UINT m_saved;
};

#else

extern "C" void OnSignal(int) { g_interrupted = true; }

#endif

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    const ConsoleUtf8 console;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    const std::vector<std::string> args = Arguments();
#else
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    const std::vector<std::string> args(argv + 1, argv + argc);
#endif
    SimulatedPort::Enable();
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "zoric-cli " ZORIC_VERSION "\n";
        return 0;
    }
    const int code = Cli::Run(args, std::cout, std::cerr, g_interrupted);
    std::cout.flush();
    return code;
}
