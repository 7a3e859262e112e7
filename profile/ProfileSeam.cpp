#include "ProfileSeam.h"

#ifdef DRAVELO_PROFILE_SEAM
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace profileseam {
namespace {
std::mutex guard;
std::vector<Recorded> recorded;
}  // namespace

void Record(int32_t thread, int32_t slot, uint64_t index, int64_t offset, int32_t bytes, bool write,
            int32_t inFlight) {
    const std::lock_guard lock(guard);
    if (recorded.size() < kMostRecorded)
        recorded.push_back({thread, slot, index, offset, bytes, write, inFlight});
}

std::vector<Recorded> Take() {
    const std::lock_guard lock(guard);
    return std::exchange(recorded, {});
}

bool ThreadsForced() {
    const char* engine = std::getenv("DRAVELO_PROFILE_ENGINE");
    return engine && std::strcmp(engine, "threads") == 0;
}

}  // namespace profileseam
#endif
