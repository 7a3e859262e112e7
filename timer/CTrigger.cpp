#include "CTrigger.h"

namespace tickwell {

HRESULT CTrigger::Start(int32_t interval) {
    if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
    interval_ = interval;
    StartTimer();  // restarts a pending countdown; 0 or less only cancels it
    return S_OK;
}

HRESULT CTrigger::Timer(int32_t id) {
    if (id == 0 || id != id_) return S_OK;
    StopTimer();  // stop before raising, so that a handler may Start again
    return RaiseEvent(&__CTrigger::Trigger);
}

}  // namespace tickwell
