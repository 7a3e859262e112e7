#include "SteppingClock.h"

namespace {

class SteppingClock final : public _CTimer {
  public:
    explicit SteppingClock(int32_t step) : step_(step) {}

    HRESULT QueryInterface(const GUID&, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the program; the references only keep the interface's contract.
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }
    HRESULT get_Tag(VARIANT*) override { return E_NOTIMPL; }
    HRESULT put_Tag(const VARIANT*) override { return E_NOTIMPL; }
    HRESULT putref_Tag(IUnknown*) override { return E_NOTIMPL; }
    HRESULT get_Enabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT put_Enabled(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT get_Interval(int32_t*) override { return E_NOTIMPL; }
    HRESULT put_Interval(int32_t) override { return E_NOTIMPL; }
    HRESULT GetCurrentTimer(int32_t* ticks) override {
        now_ += step_;
        *ticks = now_;
        return S_OK;
    }
    HRESULT Advise(__CTimer*) override { return E_NOTIMPL; }
    HRESULT Unadvise(__CTimer*) override { return E_NOTIMPL; }

  private:
    const int32_t step_;
    int32_t now_ = 0;
    ULONG references_ = 1;
};

}  // namespace

void UseSteppingClockFromEnvironment(TestPhases& phases) {
    bool ok = false;
    const int step = qEnvironmentVariableIntValue("DRAVELO_CLI_CLOCK_STEP_MS", &ok);
    if (!ok || step <= 0) return;
    static SteppingClock clock(step);
    phases.SetTickSourceFactory([](_CTimer** timer) {
        clock.AddRef();
        *timer = &clock;
        return S_OK;
    });
}
