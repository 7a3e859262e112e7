// What the test phases see of the window that runs them. The main window and the command-line
// front end implement it; tests drive the phases through it directly.
#pragma once

#include <QString>
#include <cstdint>

// Average seconds per file and MB/s of each phase, written only when the phase completes.
struct PhaseResults {
    double SingleWriteSeconds = 0;
    double SingleWriteMBps = 0;
    double SingleReadSeconds = 0;
    double SingleReadMBps = 0;
    double MultiWriteSeconds = 0;
    double MultiWriteMBps = 0;
    double MultiReadSeconds = 0;
    double MultiReadMBps = 0;
};

class PhaseHost {
  public:
    // One line for the log view; "<clear>" empties the view.
    virtual void LogPrint(const QString& text) = 0;

    // The two progress bars: the current file (or phase), and the whole test.
    virtual void Progress1ValueChange(double percent) = 0;
    virtual void OverallProgressValueChange(int16_t percent) = 0;

    // The options, read at the moments the phases need them.
    virtual bool ChkDoEventsChecked() = 0;
    virtual bool DisableCachingChecked() = 0;
    virtual bool EnableWriteThroughChecked() = 0;

    // Set when the user wants the running phase to stop; read at the pump points.
    virtual bool AbortRequested() = 0;

    virtual PhaseResults& Results() = 0;

  protected:
    ~PhaseHost() = default;
};
