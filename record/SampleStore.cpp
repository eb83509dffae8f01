#include "SampleStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Appends to a ring that fills up to `capacity` and then overwrites its
// oldest entry at `head`.
template <class T>
void RingPush(std::vector<T>& ring, size_t capacity, size_t head, T value)
{
    if (ring.size() < capacity) {
        ring.push_back(value);
    } else {
        ring[head] = value;
    }
}

}  // namespace

CSampleStore::CSampleStore() = default;

void CSampleStore::Clear()
{
    // Keeps the allocations: a cleared plot fills again at once.
    m_rawTime.clear();
    for (auto& ring : m_raw) ring.clear();
    m_rawResult.clear();
    m_bucketStart.clear();
    for (auto* rings : {&m_min, &m_max, &m_mean}) {
        for (auto& ring : *rings) ring.clear();
    }
    m_rawHead = m_rawSize = 0;
    m_bucketHead = m_bucketSize = 0;
    m_open = false;
    m_appended = 0;
}

double CSampleStore::FirstTime() const
{
    if (Empty()) return 0;
    if (RawDropped() && m_bucketSize > 0) return std::min(m_bucketStart[BucketAt(0)], RawTime(0));
    return RawTime(0);
}

double CSampleStore::LastTime() const { return Empty() ? 0 : RawTime(m_rawSize - 1); }

void CSampleStore::CloseBucket()
{
    const bool full = m_bucketSize == kBucketCapacity;
    const size_t slot = full ? m_bucketHead : m_bucketStart.size();
    RingPush(m_bucketStart, kBucketCapacity, slot, m_openStart);
    for (size_t c = 0; c < kChannels; ++c) {
        const bool any = m_openCount[c] > 0;
        RingPush(m_min[c], kBucketCapacity, slot, any ? m_openMin[c] : kNaN);
        RingPush(m_max[c], kBucketCapacity, slot, any ? m_openMax[c] : kNaN);
        RingPush(m_mean[c], kBucketCapacity, slot, any ? m_openSum[c] / m_openCount[c] : kNaN);
    }
    if (full) {
        m_bucketHead = (m_bucketHead + 1) % kBucketCapacity;
    } else {
        ++m_bucketSize;
    }
    m_open = false;
}

void CSampleStore::Append(double t, const Values& values, uint32_t result)
{
    if (m_rawTime.capacity() < kRawCapacity) {
        m_rawTime.reserve(kRawCapacity);
        m_rawResult.reserve(kRawCapacity);
        for (auto& ring : m_raw) ring.reserve(kRawCapacity);
        m_bucketStart.reserve(kBucketCapacity);
        for (auto* rings : {&m_min, &m_max, &m_mean}) {
            for (auto& ring : *rings) ring.reserve(kBucketCapacity);
        }
    }
    if (std::isnan(t)) t = Empty() ? 0 : LastTime();
    if (!Empty() && t < LastTime()) t = LastTime();

    const double start = std::floor(t / kBucketSeconds) * kBucketSeconds;
    if (m_open && start != m_openStart) CloseBucket();
    if (!m_open) {
        m_open = true;
        m_openStart = start;
        m_openCount.fill(0);
        m_openSum.fill(0);
    }
    for (size_t c = 0; c < kChannels; ++c) {
        const double v = values[c];
        if (std::isnan(v)) continue;
        if (m_openCount[c] == 0 || v < m_openMin[c]) m_openMin[c] = v;
        if (m_openCount[c] == 0 || v > m_openMax[c]) m_openMax[c] = v;
        m_openSum[c] += v;
        ++m_openCount[c];
    }

    const bool full = m_rawSize == kRawCapacity;
    const size_t slot = full ? m_rawHead : m_rawTime.size();
    RingPush(m_rawTime, kRawCapacity, slot, t);
    for (size_t c = 0; c < kChannels; ++c) RingPush(m_raw[c], kRawCapacity, slot, values[c]);
    RingPush(m_rawResult, kRawCapacity, slot, result);
    if (full) {
        m_rawHead = (m_rawHead + 1) % kRawCapacity;
    } else {
        ++m_rawSize;
    }
    ++m_appended;
}

size_t CSampleStore::RawBound(double t, bool after) const
{
    size_t lo = 0, hi = m_rawSize;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (RawTime(mid) < t || (after && RawTime(mid) == t)) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

size_t CSampleStore::BucketLowerBound(double t) const
{
    size_t lo = 0, hi = m_bucketSize;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (m_bucketStart[BucketAt(mid)] + kBucketSeconds <= t) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

void CSampleStore::Window(StatusChannels::Channel channel, double t0, double t1, size_t maxPoints,
                          std::vector<Point>& out) const
{
    out.clear();
    if (Empty() || t1 < t0) return;
    const size_t c = StatusChannels::Index(channel);
    const double rawFirst = RawTime(0);

    // Before the full-rate ring: the envelope of each bucket, its minimum in
    // the first half and its maximum in the second.
    if (RawDropped() && t0 < rawFirst) {
        for (size_t j = BucketLowerBound(t0); j < m_bucketSize; ++j) {
            const size_t b = BucketAt(j);
            const double start = m_bucketStart[b];
            if (start >= t1 || start + kBucketSeconds > rawFirst) break;
            const double lo = m_min[c][b], hi = m_max[c][b];
            if (std::isnan(lo) || lo == hi) {
                out.push_back({start + kBucketSeconds / 2, lo});
            } else {
                out.push_back({start + kBucketSeconds / 4, lo});
                out.push_back({start + kBucketSeconds * 3 / 4, hi});
            }
        }
    }

    // The full-rate samples, one beyond each end.
    size_t first = RawBound(t0, false);
    if (first > 0) --first;
    size_t last = RawBound(t1, true);
    if (last < m_rawSize) ++last;
    if (first >= last) return;
    const size_t count = last - first;
    if (count <= std::max<size_t>(maxPoints, 2)) {
        for (size_t j = first; j < last; ++j) out.push_back({RawTime(j), RawValue(c, j)});
        return;
    }

    // Too many: each column gives its minimum and maximum in the order they
    // came, or one gap when it has no value at all.
    const size_t columns = std::max<size_t>(maxPoints / 2, 1);
    const double begin = RawTime(first);
    const double span = (RawTime(last - 1) - begin) / static_cast<double>(columns);
    auto columnOf = [&](size_t j) -> size_t {
        const double x = span > 0 ? (RawTime(j) - begin) / span : 0.0;
        if (!(x >= 0)) return 0;
        if (x >= static_cast<double>(columns - 1)) return columns - 1;
        return static_cast<size_t>(x);
    };
    size_t j = first;
    while (j < last) {
        const size_t column = columnOf(j);
        size_t lowAt = last, highAt = last;
        const size_t columnFirst = j;
        for (; j < last; ++j) {
            if (columnOf(j) != column) break;
            const double v = RawValue(c, j);
            if (std::isnan(v)) continue;
            if (lowAt == last || v < RawValue(c, lowAt)) lowAt = j;
            if (highAt == last || v > RawValue(c, highAt)) highAt = j;
        }
        if (lowAt == last) {
            out.push_back({RawTime(columnFirst), kNaN});
        } else if (lowAt == highAt) {
            out.push_back({RawTime(lowAt), RawValue(c, lowAt)});
        } else {
            const size_t a = std::min(lowAt, highAt), b = std::max(lowAt, highAt);
            out.push_back({RawTime(a), RawValue(c, a)});
            out.push_back({RawTime(b), RawValue(c, b)});
        }
    }
}

void CSampleStore::ForEach(double t0, double t1, const Visit& visit) const
{
    if (Empty() || t1 < t0) return;
    const double rawFirst = RawTime(0);
    Values row{};
    if (RawDropped() && t0 < rawFirst) {
        for (size_t j = BucketLowerBound(t0); j < m_bucketSize; ++j) {
            const size_t b = BucketAt(j);
            const double start = m_bucketStart[b];
            if (start >= t1 || start + kBucketSeconds > rawFirst) break;
            for (size_t c = 0; c < kChannels; ++c) row[c] = m_mean[c][b];
            visit(start + kBucketSeconds / 2, row.data(), 0);
        }
    }
    for (size_t j = RawBound(t0, false); j < m_rawSize && RawTime(j) <= t1; ++j) {
        for (size_t c = 0; c < kChannels; ++c) row[c] = RawValue(c, j);
        visit(RawTime(j), row.data(), m_rawResult[(m_rawHead + j) % m_rawTime.size()]);
    }
}

size_t CSampleStore::MemoryBytes() const
{
    size_t doubles = m_rawTime.capacity() + m_bucketStart.capacity();
    for (size_t c = 0; c < kChannels; ++c)
        doubles += m_raw[c].capacity() + m_min[c].capacity() + m_max[c].capacity() + m_mean[c].capacity();
    return sizeof(*this) + doubles * sizeof(double) + m_rawResult.capacity() * sizeof(uint32_t);
}
