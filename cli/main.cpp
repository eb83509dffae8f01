#include <atomic>
#include <csignal>
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
    std::vector<std::string> args(argv + 1, argv + argc);
    return Cli::Run(args, std::cout, std::cerr, g_interrupted);
}
