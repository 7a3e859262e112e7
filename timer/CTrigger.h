// The one-shot timer: raises Trigger once, Start's interval after Start.
#pragma once

#include "TimerObject.h"

namespace tickwell {

class CTrigger final : public TimerObject<_CTrigger, __CTrigger> {
  public:
    CTrigger() : TimerObject(IID__CTrigger) {}

    HRESULT Start(int32_t interval) override;

    HRESULT Timer(int32_t id) override;  // from the thread's dispatcher
};

}  // namespace tickwell
