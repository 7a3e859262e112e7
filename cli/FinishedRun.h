// A finished run as the front end reports it: what was asked, how the run went and what it left
// behind. The JSON report, the diagnostics on standard error and the exit status all read it.
#pragma once

#include <QDateTime>
#include <QStringList>

#include "CommandLine.h"
#include "PhaseHost.h"
#include "RunReport.h"
#include "TestRuns.h"

struct FinishedRun {
    CliOptions options;
    QDateTime startTime;
    RunOutcome outcome = RunOutcome::Stopped;
    int closeSignal = 0;  // the first close request's signal, 0 when none came
    RunReport report;
    PhaseResults results;
    QStringList logLines;  // every line printed, in the chosen language
    QString chartError;    // why the asked-for chart was not drawn; empty when it was
};

// Above this share of the test files in the system cache, the read figures show the memory.
constexpr double kCachedShareWarning = 0.1;

// Each thing the user asked for that did not happen although the test ran: a test file left
// behind, a log file not written. In English, one line each.
QStringList Problems(const FinishedRun& run);

// Why the folder was refused, in English.
QString RefusalReason(const FinishedRun& run);

// The test file that ended a failed phase and the system's reason, in English ("PATH: reason");
// empty when no file failed.
QString FailureReason(const FinishedRun& run);

// The status scripts see; see HelpText() for the meanings.
int ExitStatus(const FinishedRun& run);

// Why the folder was refused, the cache warning and each problem, on standard error in English.
void PrintDiagnostics(const FinishedRun& run);

// The folder as the run tests it: absolute, exactly as named, ending in "/".
QString TestedFolder(const CliOptions& options);
