// Per-thread timer plumbing of the library: the thread timers that stand in for the operating
// system's window-less timers, the millisecond clock, and the callback that every expiry enters.
#pragma once

#include <cstdint>

#include "tickwell.h"

namespace tickwell {

// Starts a periodic timer of the calling thread's event loop; returns its identifier, or 0 when
// the thread cannot run timers (no event dispatcher). Expiries reach timer_proc on this thread
// only while it dispatches events.
int32_t SetThreadTimer(int32_t intervalMs);

// Stops a timer started by SetThreadTimer on the calling thread.
void KillThreadTimer(int32_t id);

// Milliseconds since system start, wrapped into 32 bits: negative after 2147483647 ms, back to 0
// after 2^32 ms.
int32_t TickCount();

// Entered on every expiry; only the identifier matters.
void timer_proc(void* window, uint32_t message, int32_t id, uint32_t time);

// The calling thread's dispatcher, created on first use and kept until the thread ends.
_CTimerSink* ThreadSink();

}  // namespace tickwell
