#include "ThreadTimers.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <QTimerEvent>
#include <limits>

namespace tickwell {

int32_t ThreadTimers::Start(int32_t intervalMs) {
    if (intervalMs <= 0 || !QAbstractEventDispatcher::instance(thread())) return 0;
    const int32_t id = NextFreeId();
    const Clock::time_point now = Clock::now();
    const Clock::duration interval = std::chrono::milliseconds(intervalMs);
    running_.emplace(id, Running{interval, ++lastSerial_, now + interval});
    deadlines_.push({now + interval, id, lastSerial_});
    DropStaleDeadlines();
    ArmWakeUp(now);
    return id;
}

void ThreadTimers::Stop(int32_t id) {
    // Its queued deadlines go stale and are dropped when they come up.
    running_.erase(id);
    if (running_.empty()) {
        deadlines_ = {};
        wakeUp_.stop();
    }
}

// Restarted and stopped timers leave their old deadlines behind; a client that restarts a long
// timer over and over must not make the queue grow without end.
void ThreadTimers::DropStaleDeadlines() {
    if (deadlines_.size() <= 2 * running_.size() + 64) return;
    std::vector<Deadline> current;
    current.reserve(running_.size());
    for (const auto& [id, timer] : running_) current.push_back({timer.next, id, timer.serial});
    deadlines_ = decltype(deadlines_)(std::greater<>(), std::move(current));
}

int32_t ThreadTimers::NextFreeId() {
    do {
        lastId_ = lastId_ == std::numeric_limits<int32_t>::max() ? 1 : lastId_ + 1;
    } while (running_.count(lastId_) != 0);
    return lastId_;
}

// The wake-up rounds up to whole milliseconds, so it comes at or after the earliest deadline.
// One armed for a later time than that, or for a time already past, is armed again.
void ThreadTimers::ArmWakeUp(Clock::time_point now) {
    if (deadlines_.empty()) {
        wakeUp_.stop();
        return;
    }
    const Clock::time_point at = deadlines_.top().at;
    if (wakeUp_.isActive() && wakeUpAt_ <= at && wakeUpAt_ > now) return;
    const auto waitNs = std::chrono::duration_cast<std::chrono::nanoseconds>(at - now).count();
    const auto waitMs = waitNs <= 0 ? 0 : (waitNs + 999999) / 1000000;
    wakeUp_.start(static_cast<int>(std::min<int64_t>(waitMs, std::numeric_limits<int>::max())),
                  Qt::PreciseTimer, this);
    wakeUpAt_ = at;
}

void ThreadTimers::timerEvent(QTimerEvent* event) {
    if (event->timerId() != wakeUp_.timerId()) return;
    wakeUp_.stop();
    // One round serves what was due when it began, each timer at most once, and then goes back
    // to the event loop: handlers that take longer than a period must not keep the thread's other
    // events waiting. A timer that fell behind fires once and starts afresh from now.
    const Clock::time_point roundStart = Clock::now();
    while (!deadlines_.empty() && deadlines_.top().at <= roundStart) {
        const Deadline due = deadlines_.top();
        deadlines_.pop();
        const auto found = running_.find(due.id);
        if (found == running_.end() || found->second.serial != due.serial) continue;
        Clock::time_point next = due.at + found->second.interval;
        if (next <= roundStart) next = roundStart + found->second.interval;
        found->second.next = next;
        deadlines_.push({next, due.id, due.serial});
        // Armed afresh before the first handler of the round: one that runs a nested event loop
        // then still sees the other timers of the thread.
        if (!wakeUp_.isActive()) ArmWakeUp(Clock::now());
        expired_(due.id);  // may start and stop timers, or run a nested event loop
    }
    ArmWakeUp(Clock::now());
}

}  // namespace tickwell
