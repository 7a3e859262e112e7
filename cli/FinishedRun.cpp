#include "FinishedRun.h"

#include <cstdio>

#include "modFile.h"
#include "modMain.h"

namespace {

void PrintError(const QString& message) {
    std::fprintf(stderr, "dravelo-cli: %s\n", qPrintable(ShownText(message)));
}

}  // namespace

QStringList Problems(const FinishedRun& run) {
    QStringList problems;
    for (const QString& file : run.report.filesLeft)
        problems << QStringLiteral("test file not deleted: %1").arg(file);
    if (!run.report.listingFailure.isEmpty())
        problems << QStringLiteral(
                        "test folder not listed, earlier test files in it were not looked for: "
                        "%1: %2")
                        .arg(TestedFolder(run.options), run.report.listingFailure);
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

QString FailureReason(const FinishedRun& run) {
    if (run.outcome != RunOutcome::Stopped) return QString();
    // The read phase runs only after the write phase, so its failure is the later one.
    const PhaseMeasurement& phase =
        run.report.read.failedFile.isEmpty() ? run.report.write : run.report.read;
    if (phase.failedFile.isEmpty()) return QString();
    const QString reason = phase.failedError != 0
                               ? EnglishErrorText(phase.failedError)
                               : QStringLiteral("the device accepted only part of a block");
    return phase.failedFile + QStringLiteral(": ") + reason;
}

void PrintDiagnostics(const FinishedRun& run) {
    const RunReport& report = run.report;
    if (run.outcome == RunOutcome::TargetRefused)
        PrintError(QStringLiteral("cannot test %1: %2")
                       .arg(TestedFolder(run.options), RefusalReason(run)));
    if (const QString reason = FailureReason(run); !reason.isEmpty()) PrintError(reason);
    if (report.cachedShareBeforeRead && *report.cachedShareBeforeRead > kCachedShareWarning)
        PrintError(QStringLiteral("%1 % of the test files were in the system cache before reading: "
                                  "the read figures come from memory, not from the drive")
                       .arg(qRound(*report.cachedShareBeforeRead * 100)));
    if (report.folderLock == FolderLockState::Unavailable)
        PrintError(QStringLiteral("testing %1 without holding it against other runs: %2")
                       .arg(TestedFolder(run.options), report.folderLockReason));
    if (report.leftovers && !report.leftovers->isEmpty())
        PrintError(
            QStringLiteral("%1 numbered test files from before this run stay in the folder: %2")
                .arg(report.leftovers->size())
                .arg(report.leftovers->join(u' ')));
    for (const QString& problem : Problems(run)) PrintError(problem);
}

QString TestedFolder(const CliOptions& options) {
    // Exactly as named: blanks at either end are part of a folder's name.
    return options.folder.endsWith(u'/') ? options.folder : options.folder + u'/';
}
