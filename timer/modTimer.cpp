#include "modTimer.h"

#include <time.h>

#include <QObject>
#include <QTimerEvent>
#include <memory>

#include "CTimerSink.h"

namespace tickwell {
namespace {

constexpr uint32_t kTimerMessage = 0x0113;

// Owns the thread's Qt timers and turns their expiries into timer_proc calls.
class ThreadTimerHost final : public QObject {
  protected:
    void timerEvent(QTimerEvent* event) override {
        timer_proc(nullptr, kTimerMessage, event->timerId(), static_cast<uint32_t>(TickCount()));
    }
};

struct ThreadState {
    std::unique_ptr<ThreadTimerHost> host;
    std::unique_ptr<CTimerSink> sink;
};

ThreadState& State() {
    thread_local ThreadState state;
    return state;
}

ThreadTimerHost& Host() {
    auto& state = State();
    if (!state.host) state.host = std::make_unique<ThreadTimerHost>();
    return *state.host;
}

}  // namespace

int32_t SetThreadTimer(int32_t intervalMs) {
    if (intervalMs <= 0) return 0;
    return Host().startTimer(intervalMs);
}

void KillThreadTimer(int32_t id) {
    if (id != 0) Host().killTimer(id);
}

int32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void timer_proc(void* /*window*/, uint32_t /*message*/, int32_t id, uint32_t /*time*/) {
    // A failure inside a client's handler has already been turned into a result by the object
    // that raised the event; nothing may unwind into the event loop.
    ThreadSink()->RaiseTimer(id);
}

_CTimerSink* ThreadSink() {
    auto& state = State();
    if (!state.sink) state.sink = std::make_unique<CTimerSink>();
    return state.sink.get();
}

}  // namespace tickwell
