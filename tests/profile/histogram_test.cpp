#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "LatencyHistogram.h"

namespace {

// Latencies from 200 ns to about 50 ms, most near 100 µs: the spread of a drive's completions.
std::vector<uint64_t> Sample(size_t count) {
    std::mt19937_64 generator(7);
    std::lognormal_distribution<double> latency(std::log(100000.0), 1.2);
    std::vector<uint64_t> values;
    for (size_t i = 0; i < count; ++i)
        values.push_back(std::clamp<uint64_t>(uint64_t(latency(generator)), 200, 50000000));
    return values;
}

uint64_t ExactPercentile(std::vector<uint64_t> sorted, double fraction) {
    const size_t rank = std::max<size_t>(1, size_t(std::ceil(fraction * sorted.size())));
    return sorted[rank - 1];
}

TEST(LatencyHistogramTest, PercentilesAgreeWithTheExactOnesWithinTheBucketWidth) {
    for (size_t count : {1u, 7u, 1000u, 200000u}) {
        std::vector<uint64_t> values = Sample(count);
        LatencyHistogram histogram;
        for (uint64_t v : values) histogram.Add(v);
        std::sort(values.begin(), values.end());
        for (double fraction : {0.5, 0.9, 0.99, 0.999, 1.0}) {
            const uint64_t exact = ExactPercentile(values, fraction);
            const uint64_t width = LatencyHistogram::BucketWidth(LatencyHistogram::BucketOf(exact));
            const uint64_t read = histogram.PercentileNanoseconds(fraction);
            EXPECT_LE(read > exact ? read - exact : exact - read, width)
                << count << " values, fraction " << fraction;
            EXPECT_LE(double(width), exact / 32.0 + 1);
        }
        EXPECT_EQ(histogram.MaxNanoseconds(), values.back());
        EXPECT_EQ(histogram.MinNanoseconds(), values.front());
        double sum = 0;
        for (uint64_t v : values) sum += double(v);
        EXPECT_NEAR(histogram.MeanNanoseconds(), sum / count, 1e-6 * sum / count);
    }
}

TEST(LatencyHistogramTest, BucketsCoverEveryValueWithoutGapsAndMergeAddsCounts) {
    for (int bucket = 0; bucket + 1 < LatencyHistogram::kBuckets; ++bucket) {
        ASSERT_EQ(LatencyHistogram::BucketLow(bucket) + LatencyHistogram::BucketWidth(bucket),
                  LatencyHistogram::BucketLow(bucket + 1));
        ASSERT_EQ(LatencyHistogram::BucketOf(LatencyHistogram::BucketLow(bucket)), bucket);
    }
    EXPECT_EQ(LatencyHistogram::BucketOf(UINT64_MAX), LatencyHistogram::kBuckets - 1);
    LatencyHistogram a, b;
    a.Add(1000);
    b.Add(3000);
    b.Add(UINT64_MAX);
    a.Merge(b);
    EXPECT_EQ(a.Count(), 3u);
    EXPECT_EQ(a.MinNanoseconds(), 1000u);
    EXPECT_EQ(a.MaxNanoseconds(), UINT64_MAX);
}

}  // namespace
