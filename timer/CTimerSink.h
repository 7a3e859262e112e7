// The per-thread dispatcher: hands each timer expiry of its thread to the one object that owns
// the expired identifier at that moment.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "tickwell.h"

namespace tickwell {

// What the dispatcher calls: the owner of a running timer, told of each of its expiries.
struct __CTimerSink {
    virtual HRESULT Timer(int32_t id) = 0;

  protected:
    ~__CTimerSink() = default;
};

class CTimerSink final {
  public:
    // Owners are not referenced: each object unbinds its identifier when it stops its timer,
    // which it always does before it dies.
    void Bind(int32_t id, __CTimerSink* owner) { owners_[id] = owner; }
    void Unbind(int32_t id) { owners_.erase(id); }
    void Clear() { owners_.clear(); }

    // Delivered to the owner found now. A handler that stops this timer and starts another may
    // get the same identifier back from the event loop; that new owner waits for its own expiry.
    void RaiseTimer(int32_t id) const {
        const auto found = owners_.find(id);
        if (found != owners_.end()) found->second->Timer(id);
    }

  private:
    std::unordered_map<int32_t, __CTimerSink*> owners_;
};

}  // namespace tickwell
