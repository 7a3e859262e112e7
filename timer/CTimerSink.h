// The per-thread dispatcher: receives every timer expiry of its thread and passes the identifier
// on to all live timer and trigger objects of that thread.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "tickwell.h"

namespace tickwell {

class CTimerSink final : public _CTimerSink {
  public:
    CTimerSink() = default;
    ~CTimerSink() = default;
    CTimerSink(const CTimerSink&) = delete;
    CTimerSink& operator=(const CTimerSink&) = delete;

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    // The sink lives as long as its thread; references do not govern it.
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT Subscribe(__CTimerSink* subscriber) override;
    HRESULT Unsubscribe(__CTimerSink* subscriber) override;
    HRESULT RaiseTimer(int32_t id) override;

  private:
    bool IsSubscribed(uint64_t serial) const;

    // Subscribers are not referenced: each object drops its subscription when it dies. Every
    // subscription carries a serial number so that a broadcast can tell whether an object was
    // destroyed (or replaced at the same address) by an earlier handler of the same broadcast.
    std::vector<std::pair<uint64_t, __CTimerSink*>> subscribers_;
    uint64_t nextSerial_ = 1;
};

}  // namespace tickwell
