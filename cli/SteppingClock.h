// Test builds only: a clock for the phases that advances a fixed number of milliseconds at every
// reading, chosen with the environment variable DRAVELO_CLI_CLOCK_STEP_MS. End-to-end tests use
// it so that every span, and every figure computed from it, is the same on any machine.
#pragma once

#include "TestPhases.h"

// Gives the phases the stepping clock when the variable holds a whole number above 0.
void UseSteppingClockFromEnvironment(TestPhases& phases);
