// What CTimer and CTrigger share: reference counting, the Tag, the thread timer with its
// identifier and interval, the creating thread that the object belongs to, and the listeners of
// the object's own event.
#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "modTimer.h"
#include "server.h"
#include "tickwell.h"

namespace tickwell {

template <class Interface, class Listener>
class TimerObject : public Interface, public __CTimerSink {
  public:
    explicit TimerObject(const GUID& ownInterface)
        : ownInterface_(ownInterface), home_(ThreadHome::Current()) {
        VariantInit(&tag_);
        ObjectCreated();
    }

    virtual ~TimerObject() {
        StopTimer();
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
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return ++references_; }

    // Counting works from any thread. The last reference let go on another thread hands the
    // destruction to the owning thread, where the object's timer lives (its event loop, or its
    // end); once that thread has ended, its timers have ended too and the object dies where it is.
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0 && (home_->IsCurrentThread() || !home_->Post([this] { delete this; })))
            delete this;
        return left;
    }

    HRESULT get_Tag(VARIANT* value) override {
        if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
        if (!value) return E_POINTER;
        VariantInit(value);
        return VariantCopy(value, &tag_);  // an object comes back as the same reference
    }

    HRESULT put_Tag(const VARIANT* value) override {
        if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
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
        if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
        if (object) object->AddRef();
        VariantClear(&tag_);
        tag_.vt = VT_UNKNOWN;
        tag_.punkVal = object;
        return S_OK;
    }

    HRESULT Advise(Listener* listener) override {
        if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
        if (!listener) return E_POINTER;
        listener->AddRef();
        listeners_.push_back(listener);
        return S_OK;
    }

    HRESULT Unadvise(Listener* listener) override {
        if (!OnHomeThread()) return RPC_E_WRONG_THREAD;
        auto found = std::find(listeners_.begin(), listeners_.end(), listener);
        if (found == listeners_.end()) return E_INVALIDARG;
        listeners_.erase(found);
        listener->Release();
        return S_OK;
    }

  protected:
    // Everything but reference counting belongs to the creating thread, whose event loop runs
    // the object's timer; other threads get RPC_E_WRONG_THREAD.
    bool OnHomeThread() const { return home_->IsCurrentThread(); }

    // Start: a running timer is stopped first; only a positive interval starts a new one, and a
    // failed start leaves the object stopped.
    void StartTimer() {
        StopTimer();
        if (interval_ > 0) id_ = home_->SetTimer(interval_, this);
    }

    void StopTimer() {
        if (id_ != 0) home_->KillTimer(std::exchange(id_, 0));
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
    const std::shared_ptr<ThreadHome> home_;
    std::atomic<ULONG> references_{1};
    VARIANT tag_;
    std::vector<Listener*> listeners_;
};

}  // namespace tickwell
