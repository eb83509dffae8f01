#include <atomic>
#include <csignal>
#include <cstring>
#include <iostream>

#include "CliCommands.h"

namespace {
std::atomic<bool> g_interrupted{false};
extern "C" void OnSignal(int) { g_interrupted = true; }
}  // namespace

int main(int argc, char** argv)
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "zoric-cli " ZORIC_VERSION "\n";
        return 0;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    return Cli::Run(args, std::cout, std::cerr, g_interrupted);
}
