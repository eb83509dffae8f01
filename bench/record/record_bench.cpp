// Figures for recording the live status:
//  - the rows per second zoric-cli's recording loop reaches with
//    --interval 0 (every channel to a CSV file) against the simulated drive
//    paced at the real speed of a 115200 baud line, beside a small libmodbus
//    client reading the same 27 registers on the same line in the same run;
//  - the plot's sample store after an hour at 1000 samples a second with
//    every channel: its bytes, the process's growth, the cost of a sample.
// Usage: record_bench [seconds per client, default 5]
#include <modbus.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "CsvWriter.h"
#include "DriveSimulator.h"
#include "ModbusMaster.h"
#include "RecordLoop.h"
#include "SampleStore.h"

namespace {

using Clock = std::chrono::steady_clock;

double ResidentMiB()
{
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void RecordLoopFigures(zoric::sim::CDriveSimulator& sim, int seconds)
{
    CModbusMaster master;
    if (!master.OpenPort(sim.SlavePath(), 115200, 0)) {
        std::printf("record loop: cannot open %s\n", sim.SlavePath().c_str());
        return;
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / ("record-bench-" + std::to_string(getpid()) + ".csv")).string();
    CCsvWriter writer({StatusChannels::All().begin(), StatusChannels::All().end()});
    if (!writer.Open(path)) {
        std::printf("record loop: %s\n", writer.Error().c_str());
        return;
    }
    RecordLoop::Options options;
    options.interval = std::chrono::milliseconds(0);
    options.duration = std::chrono::seconds(seconds);
    std::atomic<bool> interrupted{false};
    const RecordLoop::Summary s = RecordLoop::Run(master, 1, writer, options, interrupted);
    writer.Close();
    std::printf("record --interval 0 (18 channels to CSV): %llu rows in %.2f s = %.1f rows/s, %llu failed\n",
                static_cast<unsigned long long>(s.rows), s.seconds, s.RowsPerSecond(),
                static_cast<unsigned long long>(s.failedReads));
    std::filesystem::remove(path);
}

void LibmodbusFigures(zoric::sim::CDriveSimulator& sim, int seconds)
{
    modbus_t* ctx = modbus_new_rtu(sim.SlavePath().c_str(), 115200, 'N', 8, 2);
    if (!ctx) return;
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0) {
        std::printf("libmodbus: cannot connect\n");
        modbus_free(ctx);
        return;
    }
    uint16_t registers[RealtimeStatus::kCount];
    long reads = 0, failed = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        if (modbus_read_registers(ctx, RealtimeStatus::kStart, RealtimeStatus::kCount, registers) ==
            RealtimeStatus::kCount) {
            ++reads;
        } else {
            ++failed;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("libmodbus %s modbus_read_registers(32, 27): %ld reads in %.2f s = %.1f reads/s, %ld failed\n",
                LIBMODBUS_VERSION_STRING, reads, elapsed, static_cast<double>(reads) / elapsed, failed);
    modbus_close(ctx);
    modbus_free(ctx);
}

void StoreFigures()
{
    const double before = ResidentMiB();
    CSampleStore store;
    CSampleStore::Values values{};
    const int rate = 1000;
    const long total = 3600L * rate;
    const auto start = Clock::now();
    for (long k = 0; k < total; ++k) {
        const double t = static_cast<double>(k) / rate;
        for (size_t c = 0; c < values.size(); ++c) values[c] = std::sin(t + static_cast<double>(c));
        store.Append(t, values);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "sample store, one hour at %d samples/s, %zu channels: %.2f MiB held (%zu full-rate samples, "
        "%zu half-second buckets), process grew %.2f MiB, %.0f ns per sample\n",
        rate, CSampleStore::kChannels, static_cast<double>(store.MemoryBytes()) / (1024.0 * 1024.0), store.RawSamples(),
        store.Buckets(), ResidentMiB() - before, elapsed * 1e9 / static_cast<double>(total));

    std::vector<CSampleStore::Point> points;
    const auto windowStart = Clock::now();
    const int windows = 100;
    for (int k = 0; k < windows; ++k)
        store.Window(StatusChannels::Channel::Speed, store.LastTime() - 600, store.LastTime(), 4000, points);
    const double windowMs = std::chrono::duration<double, std::milli>(Clock::now() - windowStart).count() / windows;
    std::printf("a 10 min window of one channel for 2000 pixels: %zu points in %.2f ms\n", points.size(), windowMs);
}

}  // namespace

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds <= 0) seconds = 5;

    zoric::sim::SimOptions options;
    options.pacing = true;
    options.baudRate = 115200;
    zoric::sim::CDriveSimulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", sim.LastError().c_str());
        return 1;
    }
    // 8 request and 59 answer bytes of 11 bits (8 data bits, 2 stop bits);
    // the simulator paces its answers, the request arrives at once.
    std::printf(
        "line: 115200 baud 8N2; a real line carries at most %.1f reads/s (67 bytes each), "
        "the simulator's paced answers alone allow %.1f\n",
        115200.0 / (67.0 * 11.0), 115200.0 / (59.0 * 11.0));
    RecordLoopFigures(sim, seconds);
    LibmodbusFigures(sim, seconds);
    sim.Stop();
    StoreFigures();
    return 0;
}
