#include "modTimer.h"

#include <time.h>

#include "ThreadTimers.h"

namespace tickwell {
namespace {

constexpr uint32_t kTimerMessage = 0x0113;

void Expired(int32_t id) {
    timer_proc(nullptr, kTimerMessage, id, static_cast<uint32_t>(TickCount()));
}

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
    : thread_(std::this_thread::get_id()), timers_(std::make_unique<ThreadTimers>(&Expired)) {}

ThreadHome::~ThreadHome() = default;

int32_t ThreadHome::SetTimer(int32_t intervalMs, __CTimerSink* owner) {
    if (intervalMs <= 0 || !timers_) return 0;
    const int32_t id = timers_->Start(intervalMs);
    if (id != 0) sink_.Bind(id, owner);
    return id;
}

void ThreadHome::KillTimer(int32_t id) {
    if (id == 0 || !timers_) return;
    sink_.Unbind(id);
    timers_->Stop(id);
}

bool ThreadHome::Post(std::function<void()> work) {
    std::lock_guard lock(door_);
    if (!timers_) return false;
    posted_.push_back(std::move(work));
    // One wake-up of the event loop runs everything posted until it comes.
    if (posted_.size() == 1)
        QMetaObject::invokeMethod(
            timers_.get(), [this] { RunPosted(); }, Qt::QueuedConnection);
    return true;
}

void ThreadHome::RunPosted() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(door_);
        work.swap(posted_);
    }
    for (auto& item : work) item();
}

void ThreadHome::Retire() {
    std::unique_ptr<ThreadTimers> timers;
    {
        std::lock_guard lock(door_);
        sink_.Clear();
        timers = std::move(timers_);  // from now on Post refuses, and the caller acts at once
    }
    timers.reset();
    RunPosted();
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
