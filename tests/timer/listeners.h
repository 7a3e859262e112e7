// Helpers of the timer tests: objects created through component activation, and event listeners
// that count events, note when and on which thread they came, and can run an action inside the
// handler.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <functional>
#include <vector>

#include "activation.h"
#include "comptr.h"
#include "tickwell.h"

inline components::ComPtr<_CTimer> NewTimer() {
    components::ComPtr<_CTimer> timer;
    EXPECT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTimer, timer.ReceiveVoid()), S_OK);
    return timer;
}

inline components::ComPtr<_CTrigger> NewTrigger() {
    components::ComPtr<_CTrigger> trigger;
    EXPECT_EQ(components::CreateInstance(CLSID_CTrigger, IID__CTrigger, trigger.ReceiveVoid()),
              S_OK);
    return trigger;
}

template <class Interface>
class CountingListener final : public Interface {
  public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (iid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Owned by the test on the stack; references are counted only to check that the object
    // holds and releases them.
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }

    HRESULT Timer() { return Raised(); }
    HRESULT Trigger() { return Raised(); }

    int count = 0;
    std::vector<qint64> times;  // milliseconds on `clock` at each event
    std::vector<QThread*> threads;
    QElapsedTimer clock;
    std::function<void()> onEvent;
    std::atomic<ULONG> references{0};

  private:
    HRESULT Raised() {
        ++count;
        times.push_back(clock.isValid() ? clock.elapsed() : -1);
        threads.push_back(QThread::currentThread());
        if (onEvent) onEvent();
        return S_OK;
    }
};

using TimerListener = CountingListener<__CTimer>;
using TriggerListener = CountingListener<__CTrigger>;
