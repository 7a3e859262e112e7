// The periodic timer: raises Timer every Interval milliseconds while Enabled.
#pragma once

#include "TimerObject.h"

namespace tickwell {

class CTimer final : public TimerObject<_CTimer, __CTimer> {
  public:
    CTimer() : TimerObject(IID__CTimer) {}

    HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
    HRESULT put_Enabled(VARIANT_BOOL enabled) override;
    HRESULT get_Interval(int32_t* milliseconds) override;
    HRESULT put_Interval(int32_t milliseconds) override;
    HRESULT GetCurrentTimer(int32_t* ticks) override;

    HRESULT Timer(int32_t id) override;  // from the thread's dispatcher
};

}  // namespace tickwell
