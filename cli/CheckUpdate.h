// dravelo-cli --check-update [--yes] [--lang FILE]: the Help menu's update check for a
// terminal. The message boxes become lines on standard output, the question is answered No
// unless --yes is given, and the download address is printed (and with --yes opened).
#pragma once

// Runs the check with the language already loaded; `answerYes` answers its question. Exit
// status 0 when the check completed, 1 when the version information could not be obtained
// (the reason on standard error), 128 + the signal when a close request ended it.
int RunUpdateCheck(bool answerYes);
