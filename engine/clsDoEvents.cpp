#include "clsDoEvents.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

// The toolkit has no call that handles exactly one pending event, so one pass of the event loop
// runs behind this application-wide filter. It lets the first event the loop delivers through
// and holds back every later one of the same pass as an exact copy, posted again afterwards in
// the order the loop delivered them.
//
// Events that a handler sends or delivers while it runs (a repaint, a child's event, a menu's
// own event loop) must not be held back: they belong to the event being handled. They arrive
// deeper on the stack than the filter call of the event that let them in, which is how they are
// told apart from the next event of the pass, which the loop delivers from where it delivered the
// first. An event that cannot be copied exactly (the toolkit's queued calls) is let through
// rather than lost.
class OneEventGate final : public QObject {
  public:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
        if (frame < shallowestLetThrough_) return false;  // runs inside a handled event
        if (letThrough_ > 0 && HoldBack(receiver, *event)) return true;
        ++letThrough_;
        shallowestLetThrough_ = std::max(shallowestLetThrough_, frame);
        return false;
    }

    // Posts the held-back events again, in their order; those whose receiver is gone are dropped.
    void Release() {
        for (auto& [receiver, event] : heldBack_)
            if (receiver) QCoreApplication::postEvent(receiver, event.release());
        heldBack_.clear();
    }

  private:
    bool HoldBack(QObject* receiver, const QEvent& event) {
        std::unique_ptr<QEvent> copy(event.clone());
        if (!copy || typeid(*copy) != typeid(event)) return false;
        heldBack_.emplace_back(receiver, std::move(copy));
        return true;
    }

    int letThrough_ = 0;
    std::uintptr_t shallowestLetThrough_ = 0;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> heldBack_;
};

void HandleOnePendingEvent() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    OneEventGate gate;
    application->installEventFilter(&gate);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    application->removeEventFilter(&gate);
    gate.Release();
}

}  // namespace

void clsDoEvents::fDoEvents(bool& bDoOriginalDoEvents) {
    if (bDoOriginalDoEvents)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    else
        HandleOnePendingEvent();
}
