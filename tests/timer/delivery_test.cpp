// How expiries reach their objects: the one owner of the identifier, never early, and only on
// the thread the object belongs to.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <latch>
#include <thread>

#include "activation.h"
#include "comptr.h"
#include "event_wait.h"
#include "listeners.h"

using components::ComPtr;

namespace {

// The first object's handler frees its timer identifier and starts a second, long timer, which
// the event loop may give the same identifier.
struct IdReuseCase {
    const char* name;
    bool firstIsTimer;
    bool secondIsTimer;
};

}  // namespace

class IdReuse : public ::testing::TestWithParam<IdReuseCase> {};

TEST_P(IdReuse, ObjectStartedFromAHandlerWaitsForItsOwnExpiry) {
    const IdReuseCase& param = GetParam();
    ComPtr<_CTimer> firstTimer, secondTimer;
    ComPtr<_CTrigger> firstTrigger, secondTrigger;
    TimerListener firstTimerListener, secondTimerListener;
    TriggerListener firstTriggerListener, secondTriggerListener;
    // The second object is created after the first, so that a delivery to every object would
    // reach it after the first one's handler has run.
    if (param.firstIsTimer) {
        firstTimer = NewTimer();
        firstTimer->Advise(&firstTimerListener);
    } else {
        firstTrigger = NewTrigger();
        firstTrigger->Advise(&firstTriggerListener);
    }
    if (param.secondIsTimer) {
        secondTimer = NewTimer();
        secondTimer->Advise(&secondTimerListener);
        secondTimer->put_Interval(500);
    } else {
        secondTrigger = NewTrigger();
        secondTrigger->Advise(&secondTriggerListener);
    }
    const auto startSecond = [&] {
        if (firstTimer) firstTimer->put_Enabled(VARIANT_FALSE);
        if (secondTimer) secondTimer->put_Enabled(VARIANT_TRUE);
        if (secondTrigger) secondTrigger->Start(1000);
    };
    firstTimerListener.onEvent = startSecond;
    firstTriggerListener.onEvent = startSecond;
    if (firstTimer) {
        firstTimer->put_Interval(10);
        firstTimer->put_Enabled(VARIANT_TRUE);
    } else {
        firstTrigger->Start(10);
    }

    ASSERT_TRUE(RunEventLoopUntil(
        [&] { return firstTimerListener.count + firstTriggerListener.count >= 1; }, 2000));
    // The expiry that ran the first handler is over: the second object has had none of its own.
    EXPECT_EQ(secondTimerListener.count + secondTriggerListener.count, 0);
    if (firstTimer) firstTimer->Unadvise(&firstTimerListener);
    if (firstTrigger) firstTrigger->Unadvise(&firstTriggerListener);
    if (secondTimer) secondTimer->Unadvise(&secondTimerListener);
    if (secondTrigger) secondTrigger->Unadvise(&secondTriggerListener);
}

INSTANTIATE_TEST_SUITE_P(Handlers, IdReuse,
                         ::testing::Values(IdReuseCase{"TriggerStartsTrigger", false, false},
                                           IdReuseCase{"TriggerEnablesTimer", false, true},
                                           IdReuseCase{"TimerEnablesTimer", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TriggerObject, NeverFiresBeforeItsInterval) {
    auto trigger = NewTrigger();
    TriggerListener listener;
    trigger->Advise(&listener);
    QElapsedTimer clock;
    qint64 firedAfterNs = 0;
    listener.onEvent = [&] { firedAfterNs = clock.nsecsElapsed(); };
    for (int start = 0; start < 20; ++start) {
        const int interval = 20 + start * 30 / 19;
        clock.start();  // read before Start: the interval cannot have begun earlier
        trigger->Start(interval);
        ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count > start; }, 5000));
        EXPECT_GE(firedAfterNs, qint64{interval} * 1000000) << "interval " << interval;
    }
    trigger->Unadvise(&listener);
}

TEST(TimerObject, BelongsToItsCreatingThread) {
    auto timer = NewTimer();
    TimerListener listener;
    timer->Advise(&listener);
    timer->put_Interval(10);
    timer->put_Enabled(VARIANT_TRUE);
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 1; }, 2000));

    // Calls from another thread are refused; counting references works from anywhere, and the
    // last release there leaves the destruction to this thread's event loop.
    std::vector<HRESULT> results;
    std::thread other([&, released = std::move(timer)]() mutable {
        VARIANT_BOOL enabled = 0;
        int32_t value = 0;
        VARIANT tag;
        VariantInit(&tag);
        results = {released->put_Interval(50),      released->put_Enabled(VARIANT_FALSE),
                   released->get_Enabled(&enabled), released->GetCurrentTimer(&value),
                   released->get_Tag(&tag),         released->Unadvise(&listener)};
        released->AddRef();
        released->Release();
        released.Reset();
    });
    other.join();
    EXPECT_EQ(results, std::vector<HRESULT>(6, RPC_E_WRONG_THREAD));
    EXPECT_EQ(listener.references, 1u);  // not destroyed on the other thread
    EXPECT_TRUE(RunEventLoopUntil([&] { return listener.references == 0; }, 2000));
    const int afterDestruction = listener.count;
    RunEventLoopFor(50);
    EXPECT_EQ(listener.count, afterDestruction);
}

TEST(TimerObject, HandlerRunningANestedEventLoopStillSeesTheOtherTimers) {
    auto timer = NewTimer();
    auto trigger = NewTrigger();
    TimerListener timerListener;
    TriggerListener triggerListener;
    timer->Advise(&timerListener);
    trigger->Advise(&triggerListener);
    bool triggerCameInside = false;
    timerListener.onEvent = [&] {
        if (timerListener.count != 1) return;
        triggerCameInside = RunEventLoopUntil([&] { return triggerListener.count == 1; }, 5000);
    };
    trigger->Start(40);
    timer->put_Interval(10);
    timer->put_Enabled(VARIANT_TRUE);
    ASSERT_TRUE(RunEventLoopUntil([&] { return timerListener.count >= 1; }, 2000));
    EXPECT_TRUE(triggerCameInside);
    timer->Unadvise(&timerListener);
    trigger->Unadvise(&triggerListener);
}

namespace {

// Handlers that together take longer than the period of their timers.
struct SlowHandlerCase {
    const char* name;
    int timers;
    int intervalMs;
    int handlerUs;
};

void BusyFor(int microseconds) {
    QElapsedTimer spent;
    spent.start();
    while (spent.nsecsElapsed() < qint64{microseconds} * 1000) {
    }
}

}  // namespace

class SlowHandlers : public ::testing::TestWithParam<SlowHandlerCase> {};

TEST_P(SlowHandlers, LeaveRoomForTheThreadsOtherEvents) {
    const SlowHandlerCase& param = GetParam();
    TimerListener listener;  // outlives the timers, which hold it
    std::vector<ComPtr<_CTimer>> timers;
    // Only a loop that never comes back to the event loop reaches this: it ends the test.
    QElapsedTimer runningFor;
    bool gaveUp = false;
    listener.onEvent = [&] {
        BusyFor(param.handlerUs);
        if (gaveUp || runningFor.elapsed() < 10000) return;
        gaveUp = true;
        for (auto& timer : timers) timer->put_Enabled(VARIANT_FALSE);
    };
    for (int i = 0; i < param.timers; ++i) {
        timers.push_back(NewTimer());
        timers.back()->Advise(&listener);
        timers.back()->put_Interval(param.intervalMs);
    }
    runningFor.start();
    for (auto& timer : timers) timer->put_Enabled(VARIANT_TRUE);
    int timerEventsAtShot = -1;
    QTimer::singleShot(300, [&] { timerEventsAtShot = listener.count; });

    ASSERT_TRUE(RunEventLoopUntil([&] { return timerEventsAtShot >= 0; }, 60000));
    // The single shot came while the timers kept running, and they still run after it.
    ASSERT_FALSE(gaveUp);
    EXPECT_GT(timerEventsAtShot, 0);
    EXPECT_TRUE(RunEventLoopUntil([&] { return listener.count > timerEventsAtShot; }, 10000));
    for (auto& timer : timers) timer->Unadvise(&listener);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, SlowHandlers,
    ::testing::Values(SlowHandlerCase{"OneTimerSlowerThanItsPeriod", 1, 5, 6000},
                      SlowHandlerCase{"ManyTimersTogetherSlowerThanTheirPeriod", 100, 10, 150}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimerObject, LateTimerFiresOnceNotOncePerMissedPeriod) {
    auto timer = NewTimer();
    TimerListener listener;
    timer->Advise(&listener);
    timer->put_Interval(10);
    timer->put_Enabled(VARIANT_TRUE);
    QThread::msleep(200);  // twenty periods without an event loop
    QCoreApplication::processEvents();
    EXPECT_EQ(listener.count, 1);
    timer->Unadvise(&listener);
}

// The last reference let go on another thread while the object's own thread runs no event loop:
// the object dies when that thread ends, or at once when it has ended already.
class OrphanedRelease : public ::testing::TestWithParam<bool> {};

TEST_P(OrphanedRelease, ObjectIsDestroyedWithItsThread) {
    const bool ownerEndsFirst = GetParam();
    void* entry = nullptr;
    ASSERT_EQ(components::LoadEntryPoint(
                  (QCoreApplication::applicationDirPath() + "/libtickwell.so").toStdString(),
                  "DllCanUnloadNow", &entry),
              S_OK);
    const auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(entry);
    TimerListener listener;
    _CTimer* orphan = nullptr;
    std::latch created(1), released(1);
    std::thread owner([&] {
        {
            const auto timer = NewTimer();
            timer->Advise(&listener);
            orphan = timer.Get();
            orphan->AddRef();
        }
        created.count_down();
        if (!ownerEndsFirst) released.wait();
    });
    created.wait();
    if (ownerEndsFirst) owner.join();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    orphan->Release();
    released.count_down();
    if (!ownerEndsFirst) owner.join();
    EXPECT_EQ(listener.references, 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Threads, OrphanedRelease, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "AfterTheOwnerEnded" : "BeforeTheOwnerEndsWithoutALoop");
});
