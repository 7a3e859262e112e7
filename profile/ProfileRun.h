// One drive profile from start to end, on the calling thread: the test file created and laid
// out, each test's read and write runs timed, the figures gathered, and the file deleted on
// completion, failure or stop. The session runs it on a thread of its own; tests call it directly.
#pragma once

#include <QString>
#include <atomic>
#include <functional>

#include "ProfileReport.h"
#include "ProfileSettings.h"

struct ProfileObserver {
    // A test (index into the settings' tests) and its share done, 0 to 100.
    std::function<void(int test, int percent)> progress;
    std::function<void(const QString& line)> log;
    std::function<void(const ProfileTestResult& result)> testDone;
};

ProfileReport RunProfile(const ProfileSettings& settings, const QString& folder,
                         const ProfileObserver& observer, const std::atomic<bool>& stop);

// Median, minimum and maximum of the runs' figures, each figure on its own.
void SummariseRuns(DirectionFigures& figures);
