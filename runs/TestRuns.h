// The two test runs, from the click of a start button to the deleted test files: check the
// target, lock the window, read the inputs, run the write and read phases, print the summary,
// then delete the test files, unlock the window and append the report to the log file.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

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
    void ProposeValues();      // the button that proposes a file count and size

    TestPhases& Phases() { return phases_; }
    const QString& LogFileName() const { return LogFileName_; }

    // How the last run went; every run starts it afresh.
    const RunReport& Report() const { return report_; }

    // How often the single run's end stage repeats a failing step before it gives up.
    static constexpr int16_t kEndStageAttempts = 32000;

  private:
    enum class Kind { Single, Multiple };

    RunOutcome Run(Kind kind);
    // The line that refuses the folder, or nothing when it can be tested. A folder that takes no
    // direct transfer is refused only when the run would bypass the system cache.
    std::optional<QString> Refusal(const QString& folder);
    void Lock(Kind kind);
    void Unlock();
    std::optional<RunOutcome> TestStage(Kind kind, const QString& folder);
    void PrintSummary(Kind kind);
    void SingleEndStage(const QString& folder);
    void MultipleEndStage(const QString& folder);
    void DeleteNumberedTestFiles(const QString& folder);
    void AppendLogFile(Kind kind);
    // Until the report block is written, a requested log file counts as failed.
    void ExpectLogFile();

    RunHost& host_;
    TestPhases phases_;
    QString LogFileName_;
    RunReport report_;
};
