// Tickwell's event delivery under load: 2000 timers of 50 ms each in one thread. Prints the share
// of the expected events that were delivered and the CPU time the process used, as a share of
// one core, over the measured span.
#include <time.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "activation.h"
#include "comptr.h"

namespace {

constexpr int kTimers = 2000;
constexpr int kIntervalMs = 50;
constexpr int kMeasuredMs = 5000;

class CountingListener final : public __CTimer {
  public:
    HRESULT QueryInterface(const GUID&, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Timer() override {
        ++events;
        return S_OK;
    }
    long events = 0;
};

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CountingListener listener;
    std::vector<components::ComPtr<_CTimer>> timers(kTimers);
    for (auto& timer : timers) {
        if (FAILED(components::CreateInstance(CLSID_CTimer, IID__CTimer, timer.ReceiveVoid()))) {
            std::fprintf(stderr, "timer_dispatch_bench: cannot create a CTimer\n");
            return 1;
        }
        timer->Advise(&listener);
        timer->put_Interval(kIntervalMs);
        timer->put_Enabled(VARIANT_TRUE);
    }
    // One interval to settle, so that every timer has its first expiry inside the measured span.
    QTimer::singleShot(kIntervalMs, &app, &QCoreApplication::quit);
    app.exec();

    listener.events = 0;
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(kMeasuredMs, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    app.exec();
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpuShare = (CpuSeconds() - cpuBefore) / wallSeconds;
    const double expected = kTimers * wallSeconds * 1000.0 / kIntervalMs;

    for (auto& timer : timers) timer->Unadvise(&listener);
    std::printf(
        "%d timers of %d ms for %.2f s: %ld of %.0f events delivered (%.1f %%), CPU %.2f %% of a "
        "core\n",
        kTimers, kIntervalMs, wallSeconds, listener.events, expected,
        100.0 * static_cast<double>(listener.events) / expected, 100.0 * cpuShare);
    return 0;
}
