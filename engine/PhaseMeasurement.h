// What a phase measured beyond the window's result fields: the span on the monotonic clock
// beside the millisecond clock's, and for the single-file phases each file's own span. Front
// ends that report to scripts read it; the window does not need it.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct PhaseMeasurement {
    static constexpr int64_t kNotRead = -1;

    bool ran = false;  // the phase started; one that never ran has no figures at all
    bool completed = false;
    int64_t milliseconds = 0;  // the millisecond clock's span, as the log shows it
    int64_t microseconds = 0;  // the monotonic clock over the same span
    // Single-file phases only: each file's span, entry k - 1 for file k. A file the read phase
    // passed over (missing, not a plain file) has the span kNotRead, so that the files after it
    // keep their numbers.
    std::vector<int64_t> fileMilliseconds;
    std::vector<int64_t> fileMicroseconds;
    // The test file whose creation, opening or writing ended the phase, with the system's error
    // number (0 for a write that fell short without one); empty when no file failed.
    QString failedFile;
    int failedError = 0;

    // The files whose blocks the phase timed: each file of the multiple-file phases, the files
    // the single-file phases did not pass over.
    int64_t FilesTimed(int32_t nFiles) const;
};

inline int64_t PhaseMeasurement::FilesTimed(int32_t nFiles) const {
    if (fileMicroseconds.empty()) return nFiles;
    int64_t timed = 0;
    for (int64_t span : fileMicroseconds) timed += span != kNotRead ? 1 : 0;
    return timed;
}
