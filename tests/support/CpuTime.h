#pragma once
// CPU time used by this process, to show that a thread does not spin: a
// spinning thread burns about a second of CPU in a second, an idle process
// next to nothing. Tests compare against a generous bound, never a time.
#include <chrono>
#include <ctime>
#include <thread>

inline double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The process's CPU time over `wall` of waiting (`wait` does the waiting:
// a sleep, or serving a window's events).
template <class Wait>
double CpuMsDuring(Wait&& wait)
{
    const double before = ProcessCpuMs();
    wait();
    return ProcessCpuMs() - before;
}

// Well above what an idle process uses in a second (a few milliseconds, more
// under the sanitizers), well below a spinning thread's thousand.
constexpr double kIdleCpuMsPerSecond = 150.0;
