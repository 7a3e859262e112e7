// CTimer and CTrigger as a client sees them: created through component activation, driven by
// real timers of the Qt event loop.
#include <gtest/gtest.h>
#include <time.h>

#include <QThread>
#include <stdexcept>

#include "activation.h"
#include "comptr.h"
#include "event_wait.h"
#include "listeners.h"

using components::ComPtr;

namespace {

bool Enabled(_CTimer* timer) {
    VARIANT_BOOL enabled = 123;
    EXPECT_EQ(timer->get_Enabled(&enabled), S_OK);
    return enabled == VARIANT_TRUE;
}

}  // namespace

TEST(TimerObject, NewTimerIsStoppedWithIntervalHundredAndEmptyTag) {
    auto timer = NewTimer();
    ASSERT_TRUE(timer);
    EXPECT_FALSE(Enabled(timer.Get()));
    int32_t interval = 0;
    EXPECT_EQ(timer->get_Interval(&interval), S_OK);
    EXPECT_EQ(interval, 100);
    VARIANT tag;
    EXPECT_EQ(timer->get_Tag(&tag), S_OK);
    EXPECT_EQ(tag.vt, VT_EMPTY);
}

TEST(TimerObject, RaisesTimerEveryIntervalWhileEnabled) {
    auto timer = NewTimer();
    TimerListener listener;
    ASSERT_EQ(timer->Advise(&listener), S_OK);
    timer->put_Interval(20);
    timer->put_Enabled(VARIANT_TRUE);
    EXPECT_TRUE(Enabled(timer.Get()));
    EXPECT_TRUE(RunEventLoopUntil([&] { return listener.count >= 3; }, 2000));
    timer->put_Enabled(VARIANT_FALSE);
    EXPECT_FALSE(Enabled(timer.Get()));
    const int stoppedAt = listener.count;
    RunEventLoopFor(80);
    EXPECT_EQ(listener.count, stoppedAt);
    timer->Unadvise(&listener);
}

TEST(TimerObject, EnablingTwiceRestartsThePeriod) {
    auto timer = NewTimer();
    TimerListener listener;
    timer->Advise(&listener);
    timer->put_Interval(150);
    timer->put_Enabled(VARIANT_TRUE);
    RunEventLoopFor(100);
    listener.clock.start();
    timer->put_Enabled(VARIANT_TRUE);
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 1; }, 2000));
    EXPECT_GE(listener.times.front(), 140);  // not 50 ms after the second call
    timer->Unadvise(&listener);
}

TEST(TimerObject, IntervalChangesWhileRunningAndStopped) {
    auto timer = NewTimer();
    TimerListener listener;
    timer->Advise(&listener);
    timer->put_Interval(20);
    timer->put_Enabled(VARIANT_TRUE);

    // Zero while running stops it.
    timer->put_Interval(0);
    EXPECT_FALSE(Enabled(timer.Get()));
    RunEventLoopFor(80);
    EXPECT_EQ(listener.count, 0);

    // A positive value while stopped does not start it.
    timer->put_Interval(20);
    EXPECT_FALSE(Enabled(timer.Get()));
    RunEventLoopFor(80);
    EXPECT_EQ(listener.count, 0);

    // A new value while running restarts it with the new period.
    timer->put_Interval(400);
    timer->put_Enabled(VARIANT_TRUE);
    RunEventLoopFor(50);
    listener.clock.start();
    timer->put_Interval(150);
    EXPECT_TRUE(Enabled(timer.Get()));
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 1; }, 2000));
    EXPECT_GE(listener.times.front(), 140);
    EXPECT_LT(listener.times.front(), 390);

    // Zero or less never starts one.
    timer->put_Interval(-5);
    timer->put_Enabled(VARIANT_TRUE);
    EXPECT_FALSE(Enabled(timer.Get()));
    timer->Unadvise(&listener);
}

TEST(TimerObject, TwoTimersRaiseOnlyTheirOwnEvents) {
    auto fast = NewTimer();
    auto slow = NewTimer();
    TimerListener fastListener, slowListener;
    fast->Advise(&fastListener);
    slow->Advise(&slowListener);
    fast->put_Interval(15);
    slow->put_Interval(90);
    fast->put_Enabled(VARIANT_TRUE);
    slow->put_Enabled(VARIANT_TRUE);
    RunEventLoopFor(400);
    // Each object answers only its own identifier: were every expiry raised on every object,
    // the two counts would be equal.
    EXPECT_GE(slowListener.count, 2);
    EXPECT_GE(fastListener.count, 2 * slowListener.count);

    slow->put_Enabled(VARIANT_FALSE);
    const int slowCount = slowListener.count;
    const int fastCount = fastListener.count;
    RunEventLoopFor(150);
    EXPECT_EQ(slowListener.count, slowCount);
    EXPECT_GT(fastListener.count, fastCount);
    fast->Unadvise(&fastListener);
    slow->Unadvise(&slowListener);
}

TEST(TimerObject, DestroyedTimerReceivesNothingAndReleasesItsListeners) {
    TimerListener listener;
    {
        auto timer = NewTimer();
        timer->Advise(&listener);
        EXPECT_EQ(listener.references, 1u);
        timer->put_Interval(10);
        timer->put_Enabled(VARIANT_TRUE);
    }
    EXPECT_EQ(listener.references, 0u);
    RunEventLoopFor(80);
    EXPECT_EQ(listener.count, 0);
}

TEST(TimerObject, HandlerMayDestroyItsOwnTimer) {
    auto timer = NewTimer();
    TimerListener listener;
    timer->Advise(&listener);
    listener.onEvent = [&] { timer.Reset(); };
    timer->put_Interval(10);
    timer->put_Enabled(VARIANT_TRUE);
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 1; }, 2000));
    RunEventLoopFor(60);
    EXPECT_EQ(listener.count, 1);
    EXPECT_FALSE(timer);
}

TEST(TimerObject, FailingHandlerDoesNotStopTheTimerOrTheEventLoop) {
    auto timer = NewTimer();
    TimerListener listener;
    timer->Advise(&listener);
    listener.onEvent = [] { throw std::runtime_error("handler failed"); };
    timer->put_Interval(10);
    timer->put_Enabled(VARIANT_TRUE);
    EXPECT_TRUE(RunEventLoopUntil([&] { return listener.count >= 3; }, 2000));
    EXPECT_TRUE(Enabled(timer.Get()));
    timer->Unadvise(&listener);
}

TEST(TimerObject, TagKeepsValuesAndTheSameObject) {
    auto timer = NewTimer();
    auto other = NewTimer();

    VARIANT value, read;
    VariantInit(&value);
    VariantInit(&read);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(u"Tickwell", 8);
    ASSERT_EQ(timer->put_Tag(&value), S_OK);
    VariantClear(&value);  // the object kept its own copy
    ASSERT_EQ(timer->get_Tag(&read), S_OK);
    ASSERT_EQ(read.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(read.bstrVal, SysStringLen(read.bstrVal)), u"Tickwell");
    VariantClear(&read);

    value.vt = VT_R8;
    value.dblVal = 2.5;
    timer->put_Tag(&value);
    timer->get_Tag(&read);
    EXPECT_EQ(read.vt, VT_R8);
    EXPECT_EQ(read.dblVal, 2.5);

    ASSERT_EQ(timer->putref_Tag(other.Get()), S_OK);
    ASSERT_EQ(timer->get_Tag(&read), S_OK);
    ASSERT_EQ(read.vt, VT_UNKNOWN);
    EXPECT_EQ(read.punkVal, static_cast<IUnknown*>(other.Get()));
    VariantClear(&read);

    value.vt = VT_UNKNOWN;
    value.punkVal = other.Get();
    EXPECT_LT(timer->put_Tag(&value), 0);  // a value assignment cannot take an object
}

TEST(TimerObject, GetCurrentTimerIsMillisecondsSinceSystemStart) {
    auto timer = NewTimer();
    int32_t ticks = 0;
    ASSERT_EQ(timer->GetCurrentTimer(&ticks), S_OK);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto expected = static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + now.tv_nsec / 1000000));
    EXPECT_LE(std::abs(static_cast<int64_t>(expected) - ticks), 1000);
}

TEST(TriggerObject, FiresOncePerStart) {
    auto trigger = NewTrigger();
    TriggerListener listener;
    trigger->Advise(&listener);
    trigger->Start(20);
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 1; }, 2000));
    RunEventLoopFor(100);
    EXPECT_EQ(listener.count, 1);
    trigger->Start(20);
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 2; }, 2000));
    RunEventLoopFor(100);
    EXPECT_EQ(listener.count, 2);
    trigger->Unadvise(&listener);
}

TEST(TriggerObject, StartAgainRestartsAndZeroCancels) {
    auto trigger = NewTrigger();
    TriggerListener listener;
    trigger->Advise(&listener);
    trigger->Start(150);
    RunEventLoopFor(100);
    listener.clock.start();
    for (int restart = 0; restart < 1000; ++restart) trigger->Start(150);
    ASSERT_TRUE(RunEventLoopUntil([&] { return listener.count >= 1; }, 2000));
    EXPECT_GE(listener.times.front(), 150);

    trigger->Start(30);
    trigger->Start(0);
    RunEventLoopFor(120);
    EXPECT_EQ(listener.count, 1);
    trigger->Unadvise(&listener);
}

TEST(TriggerObject, HandlerMayStartTheTriggerAgain) {
    auto trigger = NewTrigger();
    TriggerListener listener;
    trigger->Advise(&listener);
    listener.onEvent = [&] {
        if (listener.count < 3) trigger->Start(10);
    };
    trigger->Start(10);
    EXPECT_TRUE(RunEventLoopUntil([&] { return listener.count >= 3; }, 2000));
    RunEventLoopFor(60);
    EXPECT_EQ(listener.count, 3);
    trigger->Unadvise(&listener);
}

// Each thread has its own dispatcher: a thread's timers reach only that thread's objects.
class TimerThread final : public QThread {
  protected:
    void run() override {
        ComPtr<_CTimer> timer;
        if (FAILED(components::CreateInstance(CLSID_CTimer, IID__CTimer, timer.ReceiveVoid())))
            return;
        timer->Advise(&listener);
        timer->put_Interval(10);
        timer->put_Enabled(VARIANT_TRUE);
        RunEventLoopUntil([&] { return listener.count >= 5; }, 3000);
        timer->Unadvise(&listener);
    }

  public:
    TimerListener listener;
};

TEST(TimerObject, ThreadsDoNotSeeEachOthersEvents) {
    TimerThread first, second;
    auto local = NewTimer();
    TimerListener localListener;
    local->Advise(&localListener);
    local->put_Interval(10);
    local->put_Enabled(VARIANT_TRUE);
    first.start();
    second.start();
    RunEventLoopUntil([&] { return first.isFinished() && second.isFinished(); }, 5000);
    ASSERT_TRUE(first.wait(1000) && second.wait(1000));

    EXPECT_GE(first.listener.count, 5);
    EXPECT_GE(second.listener.count, 5);
    EXPECT_GE(localListener.count, 1);
    for (QThread* thread : first.listener.threads) EXPECT_EQ(thread, &first);
    for (QThread* thread : second.listener.threads) EXPECT_EQ(thread, &second);
    for (QThread* thread : localListener.threads) EXPECT_EQ(thread, QThread::currentThread());
    local->Unadvise(&localListener);
}

TEST(TimerObject, TagTakesEverySimpleType) {
    auto timer = NewTimer();
    for (uint16_t type : {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8,
                          VT_UI8, VT_CY, VT_R4, VT_R8, VT_DATE, VT_ERROR, VT_BOOL}) {
        VARIANT value, read;
        VariantInit(&value);
        VariantInit(&read);
        value.vt = type;
        value.ullVal = 0x0102030405060708u;
        ASSERT_EQ(timer->put_Tag(&value), S_OK) << "type " << type;
        ASSERT_EQ(timer->get_Tag(&read), S_OK);
        EXPECT_EQ(read.vt, type);
        EXPECT_EQ(read.ullVal, value.ullVal);
    }
}

TEST(TimerObject, PrivateDispatcherInterfacesAreNotHandedOut) {
    auto timer = NewTimer();
    auto trigger = NewTrigger();
    for (IUnknown* object :
         {static_cast<IUnknown*>(timer.Get()), static_cast<IUnknown*>(trigger.Get())}) {
        for (const GUID& iid : {IID___CTimerSink, IID__CTimerSink}) {
            void* answer = reinterpret_cast<void*>(1);
            EXPECT_EQ(object->QueryInterface(iid, &answer), E_NOINTERFACE);
            EXPECT_EQ(answer, nullptr);
        }
    }
}

TEST(Texts, LengthsThatDoNotFitTheByteCountAreRefused) {
    for (uint32_t length : {0x80000000u, 0x80000001u, 0xFFFFFFFFu})
        EXPECT_EQ(SysAllocStringLen(nullptr, length), nullptr) << length;
    BSTR longest = SysAllocStringLen(nullptr, 1000);
    ASSERT_NE(longest, nullptr);
    EXPECT_EQ(SysStringLen(longest), 1000u);
    SysFreeString(longest);
}
