// The two test runs, from the click of a start button to the deleted test files: check the
// target, lock the window, read the inputs, run the write and read phases, print the summary,
// then delete the test files, unlock the window and append the report to the log file.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "FolderLock.h"
#include "RunHost.h"
#include "RunReport.h"
#include "TestPhases.h"

// A number box's text as the runs read it: a decimal number in the user's locale with blanks
// around it, rounded down; nothing when it is not a number or does not fit 32 bits.
std::optional<int32_t> ReadWholeNumber(const QString& text);

// How the last run ended, for front ends that report it.
enum class RunOutcome {
    TargetRefused,  // the folder cannot be tested; nothing was touched
    InputRefused,   // a number box does not hold a usable number
    Stopped,        // a phase failed or was aborted; its reason is in the log
    Completed,      // the summary was printed
};

class TestRuns {
  public:
    explicit TestRuns(RunHost& host);

    RunOutcome SingleRun();    // "Start Single"
    RunOutcome MultipleRun();  // "Start Multiple"

    TestPhases& Phases() { return phases_; }
    const QString& LogFileName() const { return LogFileName_; }

    // How the last run went; every run starts it afresh.
    const RunReport& Report() const { return report_; }

    // How often the single run's end stage repeats a failing step before it gives up.
    static constexpr int16_t kEndStageAttempts = 32000;

  private:
    enum class Kind { Single, Multiple };

    RunOutcome Run(Kind kind);
    // The line that refuses the folder, or nothing when it can be tested; takes `lock` on the
    // folder for the run, and refuses a folder that another run holds. A folder that takes no
    // direct transfer is refused only when the run would bypass the system cache.
    std::optional<QString> Refusal(const QString& folder, FolderLock& lock);
    void Lock(Kind kind);
    void Unlock();
    std::optional<RunOutcome> TestStage(Kind kind, const QString& folder);
    void PrintSummary(Kind kind);
    // After a failed step of the single run's end stage: counts it, lets events through and
    // tells whether to try again.
    bool MayRetry(int16_t& failures);
    void SingleEndStage(const QString& folder);
    // Removes this run's and earlier runs' numbered test files; false when some stay.
    bool DeleteTestFiles(const QString& folder, int16_t& failures);
    // The multiple run keeps earlier runs' files; it notes them before it writes.
    void ListEarlierTestFiles(const QString& folder);
    void MultipleEndStage(const QString& folder);
    bool AppendLogFile(Kind kind, const QString& folder);
    // Until the report block is written, a requested log file counts as failed.
    void ExpectLogFile();

    RunHost& host_;
    TestPhases phases_;
    QString LogFileName_;
    RunReport report_;
    QStringList earlierTestFiles_;  // numbered test files in the folder before a multiple run
};
