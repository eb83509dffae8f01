#pragma once
// Waits, off any event loop, until `condition` holds or `limit` has passed;
// false on time-out. For the link's and the ports' own threads in tests.

#include <chrono>
#include <functional>
#include <thread>

inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
