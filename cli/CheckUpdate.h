// dravelo-cli --check-update [--yes] [--lang FILE]: the Help menu's update check for a
// terminal. The message boxes become lines on standard output, the question is answered No
// unless --yes is given, and the download address is printed (and with --yes opened).
#pragma once

#include <QStringList>

// Whether the arguments ask for the update check instead of a test run.
bool AsksForUpdateCheck(const QStringList& arguments);

// Runs the check. Exit status 0 when the check completed, 1 when the version information
// could not be obtained, 2 for a usage error.
int RunUpdateCheck(const QStringList& arguments);
