// The figures of a drive profile: per test and direction, MB/s (10^6 bytes), MiB/s and IOPS of
// every run with their median, minimum and maximum, the completion latencies and the CPU time
// the benchmark itself took per GiB transferred.
#pragma once

#include <QMetaType>
#include <QString>
#include <optional>
#include <vector>

#include "FolderLock.h"
#include "LatencyHistogram.h"
#include "ProfileSettings.h"

struct RunFigures {
    double MBps = 0;   // 10^6 bytes per second
    double MiBps = 0;  // 2^20 bytes per second
    double IOPS = 0;
};

struct DirectionFigures {
    std::vector<RunFigures> runs;
    RunFigures median, min, max;
    LatencyHistogram latency;
    double cpuSecondsPerGiB = 0;
};

struct ProfileTestResult {
    ProfileTest test;
    std::optional<DirectionFigures> read, write;  // the one not measured is empty
};

enum class ProfileOutcome { Completed, Stopped, Failed };

struct ProfileReport {
    // The engine, the cache mode and the buffers are what the profile used; they say nothing
    // until its file was laid out (laidOut).
    bool laidOut = false;
    QString engine;        // "io_uring" or "threads"
    QString engineReason;  // why the threads ran
    bool cacheBypass = false;
    QString bufferedReason;  // why the folder ran buffered
    bool registeredBuffers = false;
    int64_t fileBytes = 0;
    int32_t runs = 0;
    int32_t secondsPerRun = 0;
    FolderLockState folderLock = FolderLockState::NotHeld;
    QString folderLockReason;  // why the folder could not be held, or who holds it
    QString filePath;
    bool fileRemoved = true;
    std::vector<ProfileTestResult> tests;  // the completed ones
    ProfileOutcome outcome = ProfileOutcome::Completed;
    QString failure;  // what failed, for ProfileOutcome::Failed
};

Q_DECLARE_METATYPE(ProfileTestResult)
Q_DECLARE_METATYPE(ProfileReport)
