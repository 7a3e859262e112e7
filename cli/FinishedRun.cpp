#include "FinishedRun.h"

#include <cstdio>

#include "modMain.h"

namespace {

void PrintError(const QString& message) {
    std::fprintf(stderr, "dravelo-cli: %s\n", qPrintable(message));
}

}  // namespace

QStringList Problems(const FinishedRun& run) {
    QStringList problems;
    for (const QString& file : run.report.filesLeft)
        problems << QStringLiteral("test file not deleted: %1").arg(file);
    if (run.report.logFile == LogFileStatus::Failed)
        problems << QStringLiteral("log file not written: %1").arg(run.report.logFilePath);
    // The chart's error names its file already.
    if (!run.chartError.isEmpty()) problems << QStringLiteral("chart not drawn: ") + run.chartError;
    return problems;
}

int ExitStatus(const FinishedRun& run) {
    // Shells expect 128 + the signal's number from a program that a signal stopped.
    if (run.closeSignal != 0) return exitstatus::kSignalBase + run.closeSignal;
    if (run.outcome == RunOutcome::InputRefused) return exitstatus::kUsage;
    // Files left on the device matter more to a script than a failed phase: they need action.
    if (!Problems(run).isEmpty()) return exitstatus::kLeftovers;
    return run.outcome == RunOutcome::Completed ? exitstatus::kCompleted : exitstatus::kFailed;
}

QString RefusalReason(const FinishedRun& run) {
    if (!run.report.refusalReason.isEmpty()) return run.report.refusalReason;
    return QStringLiteral("the folder cannot be tested");
}

void PrintDiagnostics(const FinishedRun& run) {
    const RunReport& report = run.report;
    if (run.outcome == RunOutcome::TargetRefused)
        PrintError(QStringLiteral("cannot test %1: %2")
                       .arg(TestedFolder(run.options), RefusalReason(run)));
    if (report.cachedShareBeforeRead && *report.cachedShareBeforeRead > kCachedShareWarning)
        PrintError(QStringLiteral("%1 % of the test files were in the system cache before reading: "
                                  "the read figures come from memory, not from the drive")
                       .arg(qRound(*report.cachedShareBeforeRead * 100)));
    for (const QString& problem : Problems(run)) PrintError(problem);
}

QString TestedFolder(const CliOptions& options) {
    return TargetFolder(options.folder);
}
