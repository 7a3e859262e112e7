// A Tickwell client: creates a timer and a trigger by class identifier, counts their events for
// one second in a Qt event loop, and releases everything. It needs nothing from Tickwell but the
// installed header and pkg-config:
//
//   c++ -std=c++17 -fPIC tickwell_client.cpp -o tickwell_client
//       -DTICKWELL_LIBRARY="\"$(pkg-config --variable=library tickwell)\""
//       $(pkg-config --cflags --libs tickwell Qt6Core)      (one command line)
//
// The registered library serves the classes (tickwell-regsvr registers one); without a
// registration the library named by TICKWELL_LIBRARY does: an absolute path, or a bare name that
// the dynamic loader finds in its search path (never in the current folder). The thread that
// creates the objects runs a Qt 6 event loop, where their events arrive.
#include <tickwell/tickwell.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>

#ifndef TICKWELL_LIBRARY
#define TICKWELL_LIBRARY "libtickwell.so.1"  // found by the dynamic loader's search
#endif

namespace {

// What both listeners share: reference counting, like every object that crosses the component
// boundary (the object listened to holds a reference until Unadvise), and the count of events.
template <class Events>
class CountedListener : public Events {
  public:
    explicit CountedListener(const GUID& eventsIid) : eventsIid_(eventsIid) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (!object) return E_POINTER;
        if (!(iid == IID_IUnknown || iid == eventsIid_)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Events*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    int Count() const { return count_; }

  protected:
    // Declared after the interface's slots, so it leaves their order alone.
    virtual ~CountedListener() = default;

    HRESULT Raised() {
        ++count_;
        return S_OK;
    }

  private:
    const GUID eventsIid_;
    std::atomic<ULONG> references_{1};
    int count_ = 0;
};

class TimerCounter final : public CountedListener<__CTimer> {
  public:
    TimerCounter() : CountedListener(IID___CTimer) {}
    HRESULT Timer() override { return Raised(); }
};

class TriggerCounter final : public CountedListener<__CTrigger> {
  public:
    TriggerCounter() : CountedListener(IID___CTrigger) {}
    HRESULT Trigger() override { return Raised(); }
};

template <class Interface>
Interface* Create(const GUID& clsid, const GUID& iid, const char* name) {
    void* object = nullptr;
    std::string reason;
    const HRESULT hr = tickwell::CreateInstance(clsid, iid, {TICKWELL_LIBRARY}, &object, &reason);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tickwell_client: cannot create %s (0x%08X): %s\n", name,
                     static_cast<unsigned>(hr), reason.c_str());
        return nullptr;
    }
    return static_cast<Interface*>(object);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the event loop the objects' timers run in

    _CTimer* timer = Create<_CTimer>(CLSID_CTimer, IID__CTimer, "CTimer");
    _CTrigger* trigger = Create<_CTrigger>(CLSID_CTrigger, IID__CTrigger, "CTrigger");
    if (!timer || !trigger) return 1;

    auto* timerEvents = new TimerCounter;
    auto* triggerEvents = new TriggerCounter;
    timer->Advise(timerEvents);
    trigger->Advise(triggerEvents);
    timer->put_Interval(100);
    timer->put_Enabled(VARIANT_TRUE);
    trigger->Start(250);

    QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    app.exec();

    const int timerCount = timerEvents->Count();
    const int triggerCount = triggerEvents->Count();
    timer->put_Enabled(VARIANT_FALSE);
    timer->Unadvise(timerEvents);
    trigger->Unadvise(triggerEvents);
    timer->Release();
    trigger->Release();
    timerEvents->Release();
    triggerEvents->Release();

    std::printf("Timer events: %d, Trigger events: %d\n", timerCount, triggerCount);
    return timerCount >= 1 && triggerCount == 1 ? 0 : 1;
}
