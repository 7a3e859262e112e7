// The periodic timers of one thread, kept in a queue of deadlines and woken by one precise timer
// of the thread's Qt event loop, so that the cost of an expiry does not grow with the number of
// timers. An expiry never comes before its deadline.
#pragma once

#include <QBasicTimer>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <queue>
#include <unordered_map>
#include <vector>

namespace tickwell {

class ThreadTimers final : public QObject {
  public:
    using Expired = std::function<void(int32_t id)>;
    explicit ThreadTimers(Expired expired) : expired_(std::move(expired)) {}

    // A positive identifier, never one that is running; 0 when the thread has no event loop
    // to run timers in.
    int32_t Start(int32_t intervalMs);
    void Stop(int32_t id);

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    using Clock = std::chrono::steady_clock;
    struct Running {
        Clock::duration interval;
        uint64_t serial;  // tells a restarted identifier's deadlines from its earlier ones
        Clock::time_point next;
    };
    struct Deadline {
        Clock::time_point at;
        int32_t id;
        uint64_t serial;
        bool operator>(const Deadline& other) const { return at > other.at; }
    };

    int32_t NextFreeId();
    void DropStaleDeadlines();
    void ArmWakeUp(Clock::time_point now);

    Expired expired_;
    std::unordered_map<int32_t, Running> running_;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> deadlines_;
    QBasicTimer wakeUp_;
    Clock::time_point wakeUpAt_{};
    int32_t lastId_ = 0;
    uint64_t lastSerial_ = 0;
};

}  // namespace tickwell
