#include "SteppingClock.h"

#include "scripted_clock.h"

void UseSteppingClockFromEnvironment(TestPhases& phases) {
    bool ok = false;
    const int step = qEnvironmentVariableIntValue("DRAVELO_CLI_CLOCK_STEP_MS", &ok);
    if (!ok || step <= 0) return;
    // Lives as long as the program, as the phases' clock object does.
    static int32_t now = 0;
    static ScriptedClock clock([step] { return now += step; });
    phases.SetTickSourceFactory(clock.Factory());
}
