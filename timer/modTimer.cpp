#include "modTimer.h"

#include <time.h>

#include <QObject>
#include <QTimerEvent>

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

// Keeps the thread's home and retires it when the thread ends, while objects of the thread
// may still hold it.
struct HomeHolder {
    std::shared_ptr<ThreadHome> home = std::make_shared<ThreadHome>();
    ~HomeHolder() { home->Retire(); }
};

}  // namespace

std::shared_ptr<ThreadHome> ThreadHome::Current() {
    thread_local HomeHolder holder;
    return holder.home;
}

ThreadHome::ThreadHome()
    : thread_(std::this_thread::get_id()), host_(std::make_unique<ThreadTimerHost>()) {}

ThreadHome::~ThreadHome() = default;

int32_t ThreadHome::SetTimer(int32_t intervalMs, __CTimerSink* owner) {
    if (intervalMs <= 0 || !host_) return 0;
    // Precise, because a coarse timer may expire up to 5 % before its interval.
    const int32_t id = host_->startTimer(intervalMs, Qt::PreciseTimer);
    if (id != 0) sink_.Bind(id, owner);
    return id;
}

void ThreadHome::KillTimer(int32_t id) {
    if (id == 0 || !host_) return;
    sink_.Unbind(id);
    host_->killTimer(id);
}

bool ThreadHome::Post(std::function<void()> work) {
    std::lock_guard lock(door_);
    if (!host_) return false;
    return QMetaObject::invokeMethod(host_.get(), std::move(work), Qt::QueuedConnection);
}

void ThreadHome::Retire() {
    std::lock_guard lock(door_);
    sink_.Clear();
    host_.reset();
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
    ThreadSink().RaiseTimer(id);
}

CTimerSink& ThreadSink() {
    return ThreadHome::Current()->Sink();
}

}  // namespace tickwell
