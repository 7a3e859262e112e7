// The recording seam of the profile's test builds (DRAVELO_PROFILE_SEAM): every request a worker
// issues is noted, with the depth reached at that moment, because no tracer outside the process
// can see io_uring's requests; and the threads engine can be chosen from the environment. Other
// builds have neither, at no cost.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef DRAVELO_PROFILE_SEAM
#include <vector>

namespace profileseam {

struct Recorded {
    int32_t thread, slot;
    uint64_t index;  // in the worker's request stream
    int64_t offset;
    int32_t bytes;
    bool write;
    int32_t inFlight;
};

// Notes one request; the first kMostRecorded of a recording are kept.
constexpr size_t kMostRecorded = 200000;
void Record(int32_t thread, int32_t slot, uint64_t index, int64_t offset, int32_t bytes, bool write,
            int32_t inFlight);
// The requests noted since the last call, and a fresh recording.
std::vector<Recorded> Take();
// DRAVELO_PROFILE_ENGINE=threads in the environment.
bool ThreadsForced();

}  // namespace profileseam

#define DRAVELO_PROFILE_RECORD(...) profileseam::Record(__VA_ARGS__)
#else
#define DRAVELO_PROFILE_RECORD(...) ((void)0)
#endif
