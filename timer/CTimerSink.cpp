#include "CTimerSink.h"

#include <algorithm>

namespace tickwell {

HRESULT CTimerSink::QueryInterface(const GUID& iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID__CTimerSink) {
        *object = static_cast<_CTimerSink*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CTimerSink::Subscribe(__CTimerSink* subscriber) {
    if (!subscriber) return E_POINTER;
    subscribers_.emplace_back(nextSerial_++, subscriber);
    return S_OK;
}

HRESULT CTimerSink::Unsubscribe(__CTimerSink* subscriber) {
    auto found =
        std::find_if(subscribers_.begin(), subscribers_.end(),
                     [subscriber](const auto& entry) { return entry.second == subscriber; });
    if (found == subscribers_.end()) return S_FALSE;
    subscribers_.erase(found);
    return S_OK;
}

bool CTimerSink::IsSubscribed(uint64_t serial) const {
    return std::any_of(subscribers_.begin(), subscribers_.end(),
                       [serial](const auto& entry) { return entry.first == serial; });
}

HRESULT CTimerSink::RaiseTimer(int32_t id) {
    // Handlers may create or destroy objects while the event travels; work on a snapshot and
    // skip whoever has left in the meantime.
    const auto snapshot = subscribers_;
    for (const auto& [serial, subscriber] : snapshot) {
        if (IsSubscribed(serial)) subscriber->Timer(id);
    }
    return S_OK;
}

}  // namespace tickwell
