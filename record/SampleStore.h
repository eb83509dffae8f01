#pragma once
// CSampleStore: what the live plot remembers of the live status, bounded
// however fast and however long it samples.
//
// Two rings per channel, on one shared time line:
//   - full rate: the last kRawCapacity samples. 65536 samples cover 655 s at
//     the fastest fixed period (10 ms), more than the longest plot window
//     (10 min); as fast as a 115200 baud line allows (about 150 reads/s) they
//     cover 7 minutes.
//   - decimated: the minimum, maximum and mean of every half second, for the
//     last hour (7200 buckets), so that panning back through an hour or a
//     window reaching past the full-rate ring still shows the envelope.
// All channels, one hour or a day at any rate: 65536 x (19 doubles + a
// result code) (9.8 MiB) plus 7200 x (1 + 3 x 18) doubles (3.0 MiB), 12.8 MiB
// at most, taken on the first sample.
//
// A window of the full-rate ring with more samples than the plot has room
// for is reduced to the minimum and maximum of each column, so a replot
// never draws more than about two points per pixel and spikes stay visible.
//
// One thread (the window's): no locking.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "StatusChannels.h"

class CSampleStore {
public:
    static constexpr size_t kChannels = StatusChannels::kCount;
    static constexpr size_t kRawCapacity = 65536;
    static constexpr double kBucketSeconds = 0.5;
    static constexpr size_t kBucketCapacity = 7200;  // one hour of buckets

    struct Point {
        double t;
        double v;  // NaN: a gap (failed read or no value)
    };
    using Values = std::array<double, kChannels>;

    CSampleStore();

    void Clear();
    // `t`: seconds since sampling began, not decreasing (an earlier time is
    // taken as the last one). NaN values are gaps; `result` is the read's
    // (nonzero for a failed read, whose values are all NaN).
    void Append(double t, const Values& values, uint32_t result = 0);

    bool Empty() const { return m_rawSize == 0; }
    uint64_t Appended() const { return m_appended; }
    size_t RawSamples() const { return m_rawSize; }
    size_t Buckets() const { return m_bucketSize; }
    // The oldest time still held (decimated or full rate) and the newest.
    double FirstTime() const;
    double LastTime() const;

    // The points of one channel between t0 and t1, in time order, for a plot
    // about maxPoints/2 pixels wide: the full-rate samples (one beyond each
    // end, so lines reach the edges), reduced to column minima and maxima when
    // there are more than maxPoints; before the full-rate ring, the buckets'
    // minima and maxima.
    void Window(StatusChannels::Channel channel, double t0, double t1, size_t maxPoints, std::vector<Point>& out) const;
    // Every sample between t0 and t1 in time order with all channels and its
    // read's result; before the full-rate ring, one row per bucket with its
    // means at its middle (result 0).
    using Visit = std::function<void(double t, const double* values, uint32_t result)>;
    void ForEach(double t0, double t1, const Visit& visit) const;

    // Bytes the rings hold now (their capacity, not their fill).
    size_t MemoryBytes() const;

private:
    double RawTime(size_t j) const { return m_rawTime[(m_rawHead + j) % m_rawTime.size()]; }
    double RawValue(size_t c, size_t j) const { return m_raw[c][(m_rawHead + j) % m_rawTime.size()]; }
    size_t BucketAt(size_t j) const { return (m_bucketHead + j) % m_bucketStart.size(); }
    // First logical raw index with a time >= t (> t when `after`); m_rawSize when none.
    size_t RawBound(double t, bool after) const;
    // Logical index of the first bucket that ends after t.
    size_t BucketLowerBound(double t) const;
    // Whether samples have left the full-rate ring (then buckets fill in before it).
    bool RawDropped() const { return m_appended > m_rawSize; }
    void CloseBucket();

    // Full rate.
    std::vector<double> m_rawTime;
    std::array<std::vector<double>, kChannels> m_raw;
    std::vector<uint32_t> m_rawResult;
    size_t m_rawHead = 0;  // physical index of the oldest
    size_t m_rawSize = 0;

    // Decimated: closed buckets.
    std::vector<double> m_bucketStart;
    std::array<std::vector<double>, kChannels> m_min, m_max, m_mean;
    size_t m_bucketHead = 0;
    size_t m_bucketSize = 0;

    // The bucket being filled.
    bool m_open = false;
    double m_openStart = 0;
    Values m_openMin{}, m_openMax{}, m_openSum{};
    std::array<uint32_t, kChannels> m_openCount{};

    uint64_t m_appended = 0;
};
