// How the last run went, in the terms a script needs: the I/O mode actually used, the inputs as
// used, each phase's measurement, how much of the files sat in the system cache before reading,
// and whether the clean-up and the log file did what was asked.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "FolderLock.h"
#include "PhaseMeasurement.h"

enum class TargetRefusal {
    None,
    Missing,         // the folder does not exist
    NotAFolder,      // the path names something else
    NotWritable,     // no test file can be created there
    CannotBeTested,  // the drive kind or file system cannot be tested, or no direct transfer
    InUse,           // another run is testing the folder
};

enum class LogFileStatus { NotRequested, Written, Failed };

struct IoMode {
    bool cacheBypass = false;
    bool writeThrough = false;
    // Whether a 1024-byte direct transfer works in the folder; unset when it was not asked.
    std::optional<bool> directTransferPossible;
};

struct RunReport {
    IoMode ioMode;
    int32_t nFiles = 0;  // the inputs as the run used them
    int32_t sizeMB = 0;
    PhaseMeasurement write;
    PhaseMeasurement read;
    // Share (0 to 1) of the test files' pages already in the system cache before reading.
    std::optional<double> cachedShareBeforeRead;
    TargetRefusal refusal = TargetRefusal::None;
    QString refusalReason;  // for diagnostics, in English: what is wrong with the folder
    // Whether the run held the folder against other runs, and why not when it could not.
    FolderLockState folderLock = FolderLockState::NotHeld;
    QString folderLockReason;  // in English, the call and the system's reason
    QStringList filesLeft;     // test files this run created and could not delete
    // Why the folder could not be listed for the clean-up ("opendir: Permission denied"); the
    // run then removed its test files by name, and earlier ones may stay unseen.
    QString listingFailure;
    // Numbered test files that were in the folder before this run and stay after it; unset when
    // the folder could not be listed to find them.
    std::optional<QStringList> leftovers;
    LogFileStatus logFile = LogFileStatus::NotRequested;
    QString logFilePath;
};
