#pragma once
// The recording loop behind zoric-cli's "record": reads the live status
// (registers 32..58) at a fixed period, or each read as soon as the last is
// back, and writes every read as a row of the CSV file. A failed read is a
// row with its result text and the loop goes on; it ends when interrupted,
// when the duration is over, when the line is lost (the port closed, or its
// device gone) or when the file cannot be written. Every ending leaves a
// complete file: rows are flushed as they are written.
//
// Reads are due at start + k x interval. A read that overruns its period
// skips the periods it overran instead of bunching reads to catch up, so
// the rows' own time stamps always fall in distinct periods.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "CsvWriter.h"
#include "ModbusMaster.h"

namespace RecordLoop {

struct Options {
    std::chrono::milliseconds interval{0};  // 0: as fast as the line allows
    std::chrono::milliseconds duration{0};  // 0: until interrupted
    // The port's device path: its disappearance after a failed read means
    // the line is lost (a USB adapter unplugged, the far end of a
    // pseudo-terminal closed). Empty: only a closed port counts.
    std::string device;
};

enum class End { Interrupted, Duration, LineLost, WriteFailed };

struct Summary {
    uint64_t rows = 0;
    uint64_t failedReads = 0;
    // Periods without a row: a read (or a late wake-up) overran into them.
    // With a duration, rows + skippedPeriods is the number of its periods.
    uint64_t skippedPeriods = 0;
    double seconds = 0;  // from the start to the end of the recording
    End end = End::Interrupted;
    ModbusResult lastFailure = kResultOk;
    double RowsPerSecond() const { return seconds > 0 ? static_cast<double>(rows) / seconds : 0.0; }
};

Summary Run(CModbusMaster& master, uint8_t slave, CCsvWriter& writer, const Options& options,
            const std::atomic<bool>& interrupted);

// Whether a failed read means the line is gone for good.
bool LineLost(ModbusResult result, const std::string& device);

}  // namespace RecordLoop
