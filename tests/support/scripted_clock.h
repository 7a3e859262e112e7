// A clock object for the phases that answers with readings the test chooses, to reach spans
// the real clock cannot give on demand (0 ms, the counter's wrap-around).
#pragma once

#include <functional>

#include "tickwell.h"

class ScriptedClock final : public _CTimer {
  public:
    explicit ScriptedClock(std::function<int32_t()> next) : next_(std::move(next)) {}

    HRESULT QueryInterface(const GUID&, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }  // owned by the test
    HRESULT get_Tag(VARIANT*) override { return E_NOTIMPL; }
    HRESULT put_Tag(const VARIANT*) override { return E_NOTIMPL; }
    HRESULT putref_Tag(IUnknown*) override { return E_NOTIMPL; }
    HRESULT get_Enabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_Enabled(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT get_Interval(int32_t*) override { return E_NOTIMPL; }
    HRESULT put_Interval(int32_t) override { return E_NOTIMPL; }
    HRESULT GetCurrentTimer(int32_t* ticks) override {
        *ticks = next_();
        return S_OK;
    }
    HRESULT Advise(__CTimer*) override { return E_NOTIMPL; }
    HRESULT Unadvise(__CTimer*) override { return E_NOTIMPL; }

    // A factory for TestPhases::SetTickSourceFactory handing out this object.
    auto Factory() {
        return [this](_CTimer** timer) {
            AddRef();
            *timer = this;
            return S_OK;
        };
    }

  private:
    std::function<int32_t()> next_;
    ULONG references_ = 1;
};
