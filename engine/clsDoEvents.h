// Lets window events through while a test phase runs its long block loops on the user-interface
// thread. Handlers run nested inside the call and finish before it returns.
#pragma once

class clsDoEvents {
  public:
    // true: every pending event of the thread is processed (posted events, timers, input,
    // repaints). false: at most one pending event is handled, with everything its handler sends
    // or runs nested; the others stay pending, in their order, for a later call.
    void fDoEvents(bool& bDoOriginalDoEvents);
};
