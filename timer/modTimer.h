// Per-thread timer plumbing of the library: the thread that owns an object, its timers standing
// in for the operating system's window-less timers, the millisecond clock, and the callback that
// every expiry enters.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CTimerSink.h"

namespace tickwell {

class ThreadTimers;

// The thread an object was created on. Timers run in its event loop and are started and stopped
// only there; other threads can only hand it work through Post.
class ThreadHome {
  public:
    // The calling thread's home, created on first use; retired when the thread ends.
    static std::shared_ptr<ThreadHome> Current();

    ThreadHome();
    ~ThreadHome();
    ThreadHome(const ThreadHome&) = delete;
    ThreadHome& operator=(const ThreadHome&) = delete;

    bool IsCurrentThread() const { return thread_ == std::this_thread::get_id(); }

    // Starts a precise periodic timer whose expiries go to `owner`; its identifier, or 0 when
    // the thread cannot run timers (no event dispatcher, or the thread has ended).
    int32_t SetTimer(int32_t intervalMs, __CTimerSink* owner);
    void KillTimer(int32_t id);

    // Runs `work` on the thread: in its event loop, or at the latest when the thread ends.
    // False when the thread has already ended.
    bool Post(std::function<void()> work);

    CTimerSink& Sink() { return sink_; }

    // At the end of the thread: its timers die with it, and work still posted to it runs now.
    void Retire();

  private:
    void RunPosted();

    const std::thread::id thread_;
    std::mutex door_;  // guards timers_ and posted_ against Post from other threads
    std::unique_ptr<ThreadTimers> timers_;
    // Kept here rather than in Qt's queue of posted events, which a thread that ends without
    // running its loop again drops unseen.
    std::vector<std::function<void()>> posted_;
    CTimerSink sink_;
};

// Milliseconds since system start, wrapped into 32 bits: negative after 2147483647 ms, back to 0
// after 2^32 ms.
int32_t TickCount();

// Entered on every expiry; only the identifier matters.
void timer_proc(void* window, uint32_t message, int32_t id, uint32_t time);

// The calling thread's dispatcher.
CTimerSink& ThreadSink();

}  // namespace tickwell
