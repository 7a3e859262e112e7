// The four test phases: the single-file test writes and reads the files one after another and
// times each file; the multiple-file test keeps all files open, goes over them round-robin one
// block at a time and times each phase as one span.
//
// A phase is one synchronous call. It returns true when it ran to its end and stored its
// results, false when it was aborted or failed; the reason is then already in the log and the
// stored results keep their previous values. The phases never delete a test file.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "PhaseHost.h"
#include "PhaseMeasurement.h"
#include "clsDoEvents.h"
#include "comptr.h"
#include "tickwell.h"

// The largest size in MB of each of `nFiles` files whose progress the phases can compute in
// their 32-bit arithmetic; 0 for no files.
int32_t LargestSizeMB(int32_t nFiles);

// Test file k of a run in `folder` (which ends with "/"): "k.tst", k in decimal.
QString TestFileName(const QString& folder, int32_t k);

class TestPhases {
  public:
    // Creates the clock object; by default a Tickwell CTimer through component activation.
    using TickSourceFactory = std::function<HRESULT(_CTimer** timer)>;
    // Microseconds on a clock that never goes back; by default the system's monotonic clock.
    using PreciseClock = std::function<int64_t()>;

    explicit TestPhases(PhaseHost& host);
    ~TestPhases();
    TestPhases(const TestPhases&) = delete;
    TestPhases& operator=(const TestPhases&) = delete;

    bool SingleWriteTest(int32_t& nFiles, int32_t& sizeMB, QString& folder);
    bool SingleReadTest(int32_t& nFiles, int32_t& sizeMB, QString& folder);
    bool MultiWriteTest(int32_t& nFiles, int32_t& sizeMB, QString& folder);
    bool MultiReadTest(int32_t& nFiles, int32_t& sizeMB, QString& folder);

    // Lets window events through once, in the mode the pump-mode option asks for.
    void PumpEvents();

    void SetTickSourceFactory(TickSourceFactory factory);
    void SetPreciseClock(PreciseClock clock);

    // What the phase that ran last measured; reset when a phase starts.
    const PhaseMeasurement& LastMeasurement() const { return measurement_; }

    // The numbers of the files the last write phase created, in order: the files a run has to
    // clean up after it, whatever the inputs say. A name it could not create is not among them.
    const std::vector<int32_t>& CreatedFiles() const { return createdFiles_; }

  private:
    enum class Scope { Access, Clock, Arithmetic };
    // One handle per test file, growing as the files are created or opened, so that a file
    // count beyond what the system can hold open fails at the file that is refused.
    using HandleTable = std::vector<int32_t>;

    int32_t ReadClock();
    int64_t ReadPreciseClock() const;
    // Where a measurement started on both clocks.
    struct SpanStart {
        int32_t ticks;
        int64_t micros;
    };
    // Starts a measurement: both clocks, the millisecond clock first.
    SpanStart StartSpan();
    // Ends it in the reverse order and records it; returns the milliseconds.
    int32_t EndSpan(const SpanStart& start, bool perFile);
    int32_t CreationFlags();
    void LogStartLines(int32_t nFiles, int32_t sizeMB);
    void LogAccessFailure(const QString& folder);
    void LogFileFailure(const QString& path);
    // Starts the measurement of a phase that runs now.
    void BeginMeasurement();
    // The test file that ends the phase, with the system's reason, for front ends that report it.
    void RecordFailedFile(const QString& path);
    // A test file that cannot be created or opened: the folder's line, then the file's reason.
    void LogRefusedFile(const QString& folder, const QString& path);
    // A block that cannot be written: the file's reason, then the folder's line.
    void LogFailedWrite(const QString& folder, const QString& path);
    // A phase that took under a millisecond cannot be timed; it says so rather than blaming the
    // inputs or the drive.
    void LogTooShort();
    void LogTime(int32_t ms, const QString& pattern);
    void LogAverages(double seconds, double mbps);
    void LogReadPlan(int32_t nFiles, int32_t sizeMB);
    void LogAbort();
    // "<clear>", the two average lines and the end line with the empty line after it.
    void LogEnd(double seconds, double mbps);
    // At a pump point: false when the run asked to stop, otherwise lets events through.
    bool MayContinue();
    void ShowProgress(int32_t j, int32_t sizeMB, int32_t done, int32_t whole);
    void LogScopeFailure(Scope scope, const QString& folder);
    static void CloseAll(HandleTable& handles);

    PhaseHost& host_;
    components::ComPtr<_CTimer> TickSource;
    std::unique_ptr<clsDoEvents> PumpObject;
    TickSourceFactory tickSourceFactory_;
    PreciseClock preciseClock_;
    PhaseMeasurement measurement_;
    std::vector<int32_t> createdFiles_;
};
