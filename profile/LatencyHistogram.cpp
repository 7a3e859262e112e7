#include "LatencyHistogram.h"

#include <algorithm>
#include <bit>
#include <cmath>

int LatencyHistogram::BucketOf(uint64_t nanoseconds) {
    const uint64_t largest = (uint64_t(1) << (kLargestBit + 1)) - 1;
    const uint64_t value = std::min(nanoseconds, largest);
    if (value < kSubBuckets) return static_cast<int>(value);
    const int topBit = std::bit_width(value) - 1;
    const int shift = topBit - kSubBits;
    const int group = shift + 1;
    return group * kSubBuckets + static_cast<int>((value >> shift) - kSubBuckets);
}

uint64_t LatencyHistogram::BucketLow(int bucket) {
    const int group = bucket / kSubBuckets;
    const uint64_t sub = bucket % kSubBuckets;
    return group == 0 ? sub : (kSubBuckets + sub) << (group - 1);
}

uint64_t LatencyHistogram::BucketWidth(int bucket) {
    const int group = bucket / kSubBuckets;
    return group == 0 ? 1 : uint64_t(1) << (group - 1);
}

void LatencyHistogram::Add(uint64_t nanoseconds) {
    ++buckets_[BucketOf(nanoseconds)];
    ++count_;
    sum_ += nanoseconds;
    min_ = std::min(min_, nanoseconds);
    max_ = std::max(max_, nanoseconds);
}

void LatencyHistogram::Merge(const LatencyHistogram& other) {
    for (int i = 0; i < kBuckets; ++i) buckets_[i] += other.buckets_[i];
    count_ += other.count_;
    sum_ += other.sum_;
    min_ = std::min(min_, other.min_);
    max_ = std::max(max_, other.max_);
}

double LatencyHistogram::MeanNanoseconds() const {
    return count_ ? static_cast<double>(sum_ / count_) : 0;
}

uint64_t LatencyHistogram::PercentileNanoseconds(double fraction) const {
    if (count_ == 0) return 0;
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    const uint64_t rank = std::max<uint64_t>(1, static_cast<uint64_t>(std::ceil(clamped * count_)));
    uint64_t seen = 0;
    for (int i = 0; i < kBuckets; ++i) {
        seen += buckets_[i];
        if (seen >= rank) {
            const uint64_t middle = BucketLow(i) + (BucketWidth(i) - 1) / 2;
            return std::clamp(middle, min_, max_);
        }
    }
    return max_;
}
