// The lines the test phases print into the log, in the language loaded, with the built-in
// German texts where it has none. The phases choose when; these say what.
#pragma once

#include <QString>
#include <cstdint>

#include "PhaseHost.h"

// The write phases' start: the start time, then the plan of files and MB.
void LogStartLines(PhaseHost& host, int32_t nFiles, int32_t sizeMB);
void LogReadPlan(PhaseHost& host, int32_t nFiles, int32_t sizeMB);
// Before a file's clock starts: file k of a single write or read phase.
void LogWriteFile(PhaseHost& host, int32_t k);
void LogReadFile(PhaseHost& host, int32_t k);
// Before the clock of the multiple write phase starts.
void LogWriting(PhaseHost& host);
// A read that fell short; the multiple-file phases add the count read.
void LogShortRead(PhaseHost& host, bool withCount, int32_t count);
void LogTime(PhaseHost& host, int32_t ms, const QString& pattern);
// "<clear>", the two average lines and the end line with the empty line after it.
void LogEnd(PhaseHost& host, double seconds, double mbps);
void LogAbort(PhaseHost& host);
// A phase that took under a millisecond cannot be timed; it says so rather than blaming the
// inputs or the drive.
void LogTooShort(PhaseHost& host);

void LogAccessFailure(PhaseHost& host, const QString& folder);
// The file's path with the system's reason for its last failed call.
void LogFileFailure(PhaseHost& host, const QString& path);
void LogClockFailure(PhaseHost& host);
void LogArithmeticFailure(PhaseHost& host);
