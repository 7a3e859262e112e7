// What CTimer and CTrigger share: reference counting, the Tag, the thread timer with its
// identifier and interval, the subscription to the thread's dispatcher, and the listeners of the
// object's own event.
#pragma once

#include <algorithm>
#include <atomic>
#include <vector>

#include "modTimer.h"
#include "server.h"
#include "tickwell.h"

namespace tickwell {

template <class Interface, class Listener>
class TimerObject : public Interface, public __CTimerSink {
  public:
    explicit TimerObject(const GUID& ownInterface) : ownInterface_(ownInterface) {
        VariantInit(&tag_);
        ObjectCreated();
        ThreadSink()->Subscribe(this);
    }

    virtual ~TimerObject() {
        StopTimer();
        ThreadSink()->Unsubscribe(this);
        for (Listener* listener : listeners_) listener->Release();
        VariantClear(&tag_);
        ObjectDestroyed();
    }

    TimerObject(const TimerObject&) = delete;
    TimerObject& operator=(const TimerObject&) = delete;

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == ownInterface_) {
            *object = static_cast<Interface*>(this);
        } else if (iid == IID___CTimerSink) {
            *object = static_cast<__CTimerSink*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return ++references_; }

    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT get_Tag(VARIANT* value) override {
        if (!value) return E_POINTER;
        VariantInit(value);
        return VariantCopy(value, &tag_);  // an object comes back as the same reference
    }

    HRESULT put_Tag(const VARIANT* value) override {
        if (!value) return E_POINTER;
        if (value->vt == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;  // objects go through putref_Tag
        VARIANT copy;
        VariantInit(&copy);
        const HRESULT hr = VariantCopy(&copy, value);
        if (FAILED(hr)) return hr;
        VariantClear(&tag_);
        tag_ = copy;
        return S_OK;
    }

    HRESULT putref_Tag(IUnknown* object) override {
        if (object) object->AddRef();
        VariantClear(&tag_);
        tag_.vt = VT_UNKNOWN;
        tag_.punkVal = object;
        return S_OK;
    }

    HRESULT Advise(Listener* listener) override {
        if (!listener) return E_POINTER;
        listener->AddRef();
        listeners_.push_back(listener);
        return S_OK;
    }

    HRESULT Unadvise(Listener* listener) override {
        auto found = std::find(listeners_.begin(), listeners_.end(), listener);
        if (found == listeners_.end()) return E_INVALIDARG;
        listeners_.erase(found);
        listener->Release();
        return S_OK;
    }

  protected:
    // Start: a running timer is stopped first; only a positive interval starts a new one, and a
    // failed start leaves the object stopped.
    void StartTimer() {
        StopTimer();
        if (interval_ > 0) id_ = SetThreadTimer(interval_);
    }

    void StopTimer() {
        if (id_ != 0) {
            KillThreadTimer(id_);
            id_ = 0;
        }
    }

    // Raises the object's own event to every listener. A failure inside a listener comes back
    // as a result here and goes no further: it must never unwind into the event loop.
    HRESULT RaiseEvent(HRESULT (Listener::*event)()) {
        AddRef();  // a handler may release the last outside reference
        std::vector<Listener*> snapshot = listeners_;
        for (Listener* listener : snapshot) listener->AddRef();
        HRESULT result = S_OK;
        for (Listener* listener : snapshot) {
            HRESULT hr;
            try {
                hr = (listener->*event)();
            } catch (...) {
                hr = DISP_E_EXCEPTION;
            }
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
        for (Listener* listener : snapshot) listener->Release();
        Release();
        return result;
    }

    int32_t id_ = 0;
    int32_t interval_ = 100;

  private:
    const GUID ownInterface_;
    std::atomic<ULONG> references_{1};
    VARIANT tag_;
    std::vector<Listener*> listeners_;
};

}  // namespace tickwell
