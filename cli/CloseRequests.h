// Close requests from outside: Ctrl-C (SIGINT), SIGTERM, a closed terminal (SIGHUP) and a reader
// of the output that went away (SIGPIPE). The first one asks the running phase to stop at its
// next pump point, as closing the window does, so that the end stage still deletes the test
// files. A second SIGINT, SIGTERM or SIGHUP ends the program at once, for a device that no longer
// answers; SIGPIPE never counts as a second request, because every later write to the closed
// pipe raises it again.
#pragma once

namespace closerequests {

// Installs the handlers. A signal that the program was started with ignored (nohup, a background
// job of a shell) stays ignored.
void Install();

// The signal of the first close request, 0 while none has come.
int FirstSignal();

// The signal's name as a script knows it ("SIGINT"), empty for 0.
const char* SignalName(int signal);

}  // namespace closerequests
