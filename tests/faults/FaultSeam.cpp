#include <array>

#include "fault_seam.h"

namespace faults {

bool watching = false;

namespace {

constexpr size_t kCalls = static_cast<size_t>(Call::Readdir) + 1;

struct Plan {
    std::array<int, kCalls> counts{};
    std::vector<TracedCall> trace;
    Call armedCall = Call::Open;
    int armedNth = 0;  // 0: nothing armed
    int armedError = 0;
    int injected = 0;
};

Plan& ThePlan() {
    static Plan plan;
    return plan;
}

}  // namespace

bool Fail(Call call, int openFlags) {
    Plan& plan = ThePlan();
    const int nth = ++plan.counts[static_cast<size_t>(call)];
    plan.trace.push_back({call, call == Call::Open && (openFlags & O_ACCMODE) == O_RDONLY});
    if (plan.armedNth == 0 || call != plan.armedCall || nth != plan.armedNth) return false;
    plan.armedNth = 0;  // once
    ++plan.injected;
    errno = plan.armedError;
    return true;
}

void Watch() {
    ThePlan() = Plan{};
    watching = true;
}

void Arm(Call call, int nth, int error) {
    Plan& plan = ThePlan();
    plan.armedCall = call;
    plan.armedNth = nth;
    plan.armedError = error;
}

void Stop() {
    watching = false;
}

const std::vector<TracedCall>& Trace() {
    return ThePlan().trace;
}

int Injected() {
    return ThePlan().injected;
}

const char* CallName(Call call) {
    static const char* const names[] = {"open",  "write",  "read",    "fsync",
                                        "close", "unlink", "opendir", "readdir"};
    return names[static_cast<size_t>(call)];
}

}  // namespace faults
