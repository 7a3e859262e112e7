// Completion latencies of one test in bounded memory: each value in nanoseconds falls into a
// bucket whose width is at most 1/32 of the value (32 buckets per power of two), so a percentile
// read back is off by no more than that, whether a test completed a thousand requests or a
// billion. Mean, minimum and maximum are kept exactly.
#pragma once

#include <array>
#include <cstdint>

class LatencyHistogram {
  public:
    static constexpr int kSubBits = 5;
    static constexpr int kSubBuckets = 1 << kSubBits;
    // Values from 2^46 ns (about 20 hours) on share the last bucket.
    static constexpr int kLargestBit = 45;
    static constexpr int kBuckets = (kLargestBit - kSubBits + 2) * kSubBuckets;

    void Add(uint64_t nanoseconds);
    void Merge(const LatencyHistogram& other);

    uint64_t Count() const { return count_; }
    double MeanNanoseconds() const;
    uint64_t MinNanoseconds() const { return count_ ? min_ : 0; }
    uint64_t MaxNanoseconds() const { return max_; }
    // The value below which the share `fraction` (0 to 1) of the requests completed, by nearest
    // rank: the middle of the bucket that holds it, kept within the exact minimum and maximum.
    uint64_t PercentileNanoseconds(double fraction) const;

    // The bucket that holds a value, and the lowest value and width of a bucket.
    static int BucketOf(uint64_t nanoseconds);
    static uint64_t BucketLow(int bucket);
    static uint64_t BucketWidth(int bucket);

  private:
    std::array<uint64_t, kBuckets> buckets_{};
    uint64_t count_ = 0;
    long double sum_ = 0;
    uint64_t min_ = UINT64_MAX;
    uint64_t max_ = 0;
};
