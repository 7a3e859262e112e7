#include "CTimer.h"

namespace tickwell {

HRESULT CTimer::get_Enabled(VARIANT_BOOL* enabled) {
    if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
    if (!enabled) return E_POINTER;
    *enabled = id_ != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CTimer::put_Enabled(VARIANT_BOOL enabled) {
    if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
    if (enabled)
        StartTimer();  // also when running: the period then counts from now
    else
        StopTimer();
    return S_OK;
}

HRESULT CTimer::get_Interval(int32_t* milliseconds) {
    if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
    if (!milliseconds) return E_POINTER;
    *milliseconds = interval_;
    return S_OK;
}

HRESULT CTimer::put_Interval(int32_t milliseconds) {
    if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
    interval_ = milliseconds;
    if (id_ != 0) StartTimer();  // a running timer restarts; 0 or less leaves it stopped
    return S_OK;
}

HRESULT CTimer::GetCurrentTimer(int32_t* ticks) {
    if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
    if (!ticks) return E_POINTER;
    *ticks = TickCount();
    return S_OK;
}

HRESULT CTimer::Timer(int32_t id) {
    if (id == 0 || id != id_) return S_OK;
    return RaiseEvent(&__CTimer::Timer);
}

}  // namespace tickwell
