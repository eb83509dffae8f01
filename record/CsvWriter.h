#pragma once
// CCsvWriter: a recording of the live status as a CSV file.
//
//   time,seconds,speed_rpm,phase_current_a,result
//   2024-05-06T14:03:12.250+08:00,0.000,1500,0.35,
//   2024-05-06T14:03:12.350+08:00,0.100,,,通讯超时
//
// One row per sample: the local time (ISO 8601 with milliseconds and the
// offset), the seconds since the recording began, the chosen channels in the
// status panel's digits, and an empty result; a failed read gives a row with
// no values and the link's result text (UTF-8, in the user's language) in
// the last column. Each row
// is flushed as it is written, so a crash loses at most the row being
// written. The header and the numbers are ASCII and never translated.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "StatusChannels.h"

class CCsvWriter {
public:
    using Channel = StatusChannels::Channel;
    using WallClock = std::chrono::system_clock;

    explicit CCsvWriter(std::vector<Channel> channels);
    ~CCsvWriter();  // Close()
    CCsvWriter(const CCsvWriter&) = delete;
    CCsvWriter& operator=(const CCsvWriter&) = delete;

    // Creates (or empties) the file and writes the header. False on failure,
    // with the reason in Error().
    bool Open(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }
    void Close();

    // Each returns false when the row could not be written (Error() says why).
    bool WriteStatus(WallClock::time_point when, double seconds, const RealtimeStatus& status);
    bool WriteFailure(WallClock::time_point when, double seconds, const std::string& resultText);
    // Values indexed by channel (StatusChannels::Index), NaN for none, with
    // each channel's most decimals: the plot's stored samples.
    bool WriteValues(WallClock::time_point when, double seconds, const double* values);

    uint64_t Rows() const { return m_rows; }
    const std::string& Error() const { return m_error; }
    const std::vector<Channel>& Channels() const { return m_channels; }

    static std::string Header(const std::vector<Channel>& channels);
    // "2024-05-06T14:03:12.250+08:00" in the machine's local time.
    static std::string IsoTime(WallClock::time_point when);
    // A field quoted when it holds a comma, a quote or a line break.
    static std::string Field(const std::string& text);

private:
    bool WriteRow(WallClock::time_point when, double seconds, const std::vector<std::string>& values,
                  const std::string& result);

    std::vector<Channel> m_channels;
    std::FILE* m_file = nullptr;
    uint64_t m_rows = 0;
    std::string m_error;
};
