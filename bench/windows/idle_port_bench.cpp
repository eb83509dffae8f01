// The CPU an open, idle port costs the tool on Windows: a master opens the
// port named and waits; the process's CPU time over the wait is printed.
// Usage: idle_port_bench PORT [seconds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ModbusMaster.h"

namespace {

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>(static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: idle_port_bench PORT [seconds]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    CModbusMaster master;
    if (!master.OpenPort(argv[1], 9600, 0)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 3;
    }
    Sleep(500);  // the receive thread is in its wait
    const double start = CpuSeconds();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double used = CpuSeconds() - start;
    std::printf("open idle port %s for %d s: %.1f ms CPU (%.4f%% of one core)\n", argv[1], seconds, used * 1e3,
                used / seconds * 100.0);
    return 0;
}
