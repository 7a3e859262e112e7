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

    // `folder` ends with "/"; `nFiles` files of `sizeMB` MB each.
    bool SingleWriteTest(int32_t nFiles, int32_t sizeMB, QString folder);
    bool SingleReadTest(int32_t nFiles, int32_t sizeMB, QString folder);
    bool MultiWriteTest(int32_t nFiles, int32_t sizeMB, QString folder);
    bool MultiReadTest(int32_t nFiles, int32_t sizeMB, QString folder);

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
    enum class Transfer { Write, Read };
    // How a span's block loop ended; a failure or abort is already in the log.
    enum class Ending { Done, Failed, Aborted };
    // What sets one phase apart from the others; RunPhase is what they share.
    struct PhaseParts;
    // The files one span of a phase times together, and where the span lies in the whole test.
    struct Span;
    // The handles of the files open in the current span, growing as they are created or opened,
    // so that a file count beyond what the system can hold open fails at the file refused.
    using HandleTable = std::vector<int32_t>;

    // The one skeleton of the four phases: open, time and close the files span by span (a span
    // per file in the single-file phases, one for all files in the multiple-file phases), then
    // the averages, the end lines and the stored results.
    bool RunPhase(const PhaseParts& phase, int32_t nFiles, int32_t sizeMB, const QString& folder);
    // Opens or creates the span's files; false at the first that cannot be, which is logged.
    bool OpenSpan(const Span& span, HandleTable& handles);
    // The timed blocks of a span: one system call per block, the pump point after each block
    // (or each pass over the span's files), the progress bars once per MB or per pump point.
    // The loop is compiled for each transfer and span size, so that a block costs its call.
    Ending TransferBlocks(const Span& span, const HandleTable& handles, int32_t& pump);
    template <Transfer kTransfer, bool kOneFile>
    Ending BlockLoop(const Span& span, const HandleTable& handles, int32_t& pump);

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
    // Starts the measurement of a phase that runs now.
    void BeginMeasurement();
    // At a pump point: false when the run asked to stop, otherwise lets events through.
    bool MayContinue();
    void ShowProgress(const Span& span, int32_t j);
    // Closes every open file of the table and empties it.
    static void CloseAll(HandleTable& handles);

    // The line just before a span's clock starts.
    void LogSpanStart(const Span& span);
    // A test file that ends the phase, recorded with the system's reason for front ends that
    // report it. One that cannot be created or opened: the folder's line, then the file's
    // reason; one that cannot be written: the other way round.
    void LogRefusedFile(const QString& folder, const QString& path);
    void LogFailedWrite(const QString& folder, const QString& path);
    void RecordFailedFile(const QString& path);

    PhaseHost& host_;
    components::ComPtr<_CTimer> TickSource;
    std::unique_ptr<clsDoEvents> PumpObject;
    TickSourceFactory tickSourceFactory_;
    PreciseClock preciseClock_;
    PhaseMeasurement measurement_;
    std::vector<int32_t> createdFiles_;
};
