// The tests' side of the file layer's fault seam: watch the calls of a run, and make the Nth
// call of one kind fail once with a chosen error.
#pragma once

#include <vector>

#include "SystemCalls.h"

namespace faults {

struct TracedCall {
    Call call;
    bool reading;  // an open for reading
};

// Starts counting every kind from zero and recording the calls; nothing fails yet.
void Watch();
// The nth call (counted from 1) of `call` fails once with `error`.
void Arm(Call call, int nth, int error);
// Stops counting; the calls go straight to the system again.
void Stop();

const std::vector<TracedCall>& Trace();
// How many calls the seam made fail since Watch().
int Injected();

const char* CallName(Call call);

}  // namespace faults
