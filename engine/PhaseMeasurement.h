// What a phase measured beyond the window's result fields: the span on the monotonic clock
// beside the millisecond clock's, and for the single-file phases each file's own span. Front
// ends that report to scripts read it; the window does not need it.
#pragma once

#include <cstdint>
#include <vector>

struct PhaseMeasurement {
    static constexpr int64_t kNotRead = -1;

    bool completed = false;
    int64_t milliseconds = 0;  // the millisecond clock's span, as the log shows it
    int64_t microseconds = 0;  // the monotonic clock over the same span
    // Single-file phases only: each file's span, entry k - 1 for file k. A file the read phase
    // passed over (missing, not a plain file) has the span kNotRead, so that the files after it
    // keep their numbers.
    std::vector<int64_t> fileMilliseconds;
    std::vector<int64_t> fileMicroseconds;
};
