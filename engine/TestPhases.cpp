#include "TestPhases.h"

#include <time.h>

#include <limits>
#include <utility>

#include "Checked.h"
#include "PhaseLog.h"
#include "activation.h"
#include "modFile.h"

namespace {

constexpr int32_t kBlocksPerMB = 1024;
constexpr int32_t kBlockTextLength = 1022;
constexpr int32_t kBlockSize = 1024;

// The component cannot be created or does not answer.
struct ClockFailure {};

// What a failure of a write phase is reported as: no access to the folder until the first
// clock start, the clock component while it starts, arithmetic from then on. The read phases
// know the access failure only.
enum class Scope { Access, Clock, Arithmetic };

// The block every phase writes: 1022 "x", which the file layer stores as 1024 bytes.
const BlockText& TheBlock() {
    static const BlockText block(QString(kBlockTextLength, u'x'));
    return block;
}

// The pump counter starts at 0 and runs 1 to 100, so the pump points fall after block (or
// pass) 2 of a phase and then after every 100 more, across file boundaries.
bool AtPumpPoint(int32_t& counter) {
    const bool due = counter == 1;
    if (++counter > 100) counter = 1;
    return due;
}

// Seconds per file and MB/s from a phase's milliseconds; a total of 0 ms leaves the speed
// undefined and fails.
std::pair<double, double> Averages(int32_t ms, int32_t files, int32_t sizeMB) {
    const double seconds = CheckedDivide(ms / 1000.0, files);
    return {seconds, CheckedDivide(sizeMB, seconds)};
}

int64_t MonotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

}  // namespace

int32_t LargestSizeMB(int32_t nFiles) {
    if (nFiles < 1) return 0;
    // The read phase's overall progress reaches 2 × nFiles × sizeMB MB, times 100 for percent.
    return std::numeric_limits<int32_t>::max() / 200 / nFiles;
}

QString TestFileName(const QString& folder, int32_t k) {
    return folder + QString::number(k) + QStringLiteral(".tst");
}

// ---- What sets the phases apart -----------------------------------------------------------------

struct TestPhases::PhaseParts {
    Transfer transfer;
    // The single-file phases open, time and close one file after another; the multiple-file
    // phases hold every file open and time them as one span, a block to each file in turn.
    bool fileByFile;
    const char* timePattern;  // of the time line
    double PhaseResults::*seconds;
    double PhaseResults::*mbps;

    bool Writes() const { return transfer == Transfer::Write; }
    // The single read phase names a file it cannot open and reads the others.
    bool PassesOverMissingFiles() const { return !Writes() && fileByFile; }
};

struct TestPhases::Span {
    const PhaseParts& phase;
    const QString& folder;
    int32_t nFiles;
    int32_t sizeMB;
    int32_t number = 1;  // file `number` of a single-file phase; a multiple-file phase has one

    int32_t PerPhase() const { return phase.fileByFile ? nFiles : 1; }
    int32_t First() const { return phase.fileByFile ? number : 1; }
    int32_t Last() const { return phase.fileByFile ? number : nFiles; }
    int32_t Count() const { return phase.fileByFile ? 1 : nFiles; }
};

bool TestPhases::SingleWriteTest(int32_t nFiles, int32_t sizeMB, QString folder) {
    static const PhaseParts parts{Transfer::Write, true, "#.##", &PhaseResults::SingleWriteSeconds,
                                  &PhaseResults::SingleWriteMBps};
    return RunPhase(parts, nFiles, sizeMB, folder);
}

bool TestPhases::SingleReadTest(int32_t nFiles, int32_t sizeMB, QString folder) {
    static const PhaseParts parts{Transfer::Read, true, "#.##", &PhaseResults::SingleReadSeconds,
                                  &PhaseResults::SingleReadMBps};
    return RunPhase(parts, nFiles, sizeMB, folder);
}

bool TestPhases::MultiWriteTest(int32_t nFiles, int32_t sizeMB, QString folder) {
    static const PhaseParts parts{Transfer::Write, false, "#.##0.00",
                                  &PhaseResults::MultiWriteSeconds, &PhaseResults::MultiWriteMBps};
    return RunPhase(parts, nFiles, sizeMB, folder);
}

bool TestPhases::MultiReadTest(int32_t nFiles, int32_t sizeMB, QString folder) {
    static const PhaseParts parts{Transfer::Read, false, "#.##", &PhaseResults::MultiReadSeconds,
                                  &PhaseResults::MultiReadMBps};
    return RunPhase(parts, nFiles, sizeMB, folder);
}

// ---- The skeleton they share --------------------------------------------------------------------

bool TestPhases::RunPhase(const PhaseParts& phase, int32_t nFiles, int32_t sizeMB,
                          const QString& folder) {
    Scope scope = Scope::Access;
    HandleTable handles;
    BeginMeasurement();
    if (phase.Writes()) createdFiles_.clear();
    try {
        if (phase.Writes())
            LogStartLines(host_, nFiles, sizeMB);
        else if (phase.fileByFile)
            LogReadPlan(host_, nFiles, sizeMB);  // the multiple read phase's, once all are open
        int32_t pump = 0;
        int32_t total = 0;
        int32_t filesTimed = 0;
        for (Span span{phase, folder, nFiles, sizeMB}; span.number <= span.PerPhase();
             ++span.number) {
            if (!OpenSpan(span, handles)) {
                CloseAll(handles);
                if (phase.PassesOverMissingFiles()) continue;
                return false;
            }
            LogSpanStart(span);
            if (phase.Writes()) scope = Scope::Clock;
            const SpanStart start = StartSpan();
            if (phase.Writes()) scope = Scope::Arithmetic;
            const Ending ending = TransferBlocks(span, handles, pump);
            if (ending == Ending::Aborted) {
                // A single-file phase closes its file before the line, a multiple-file phase
                // after it.
                if (phase.fileByFile) CloseAll(handles);
                LogAbort(host_);
            }
            if (ending != Ending::Done) {
                CloseAll(handles);
                return false;
            }
            const int32_t ms = EndSpan(start, phase.fileByFile);
            LogTime(host_, ms, QString::fromLatin1(phase.timePattern));
            total = CheckedAdd(total, ms);
            filesTimed += span.Count();
            CloseAll(handles);
        }
        // A read phase that found none of its files has timed nothing: its average fails below
        // with the access failure.
        if (total == 0 && !(phase.PassesOverMissingFiles() && filesTimed == 0)) {
            LogTooShort(host_);
            return false;
        }
        const auto [seconds, mbps] = Averages(total, filesTimed, sizeMB);
        measurement_.completed = true;
        host_.Results().*phase.seconds = seconds;
        host_.Results().*phase.mbps = mbps;
        if (phase.Writes() && phase.fileByFile) host_.LogPrint(QString());
        LogEnd(host_, seconds, mbps);
        return true;
    } catch (...) {
        if (scope == Scope::Clock)
            LogClockFailure(host_);
        else if (scope == Scope::Arithmetic)
            LogArithmeticFailure(host_);
        else
            LogAccessFailure(host_, folder);
        CloseAll(handles);
        return false;
    }
}

bool TestPhases::OpenSpan(const Span& span, HandleTable& handles) {
    const bool writes = span.phase.Writes();
    // One choice of flags for the files of a span: the single write phase asks for each file.
    const int32_t flags = writes ? CreationFlags() : 0;
    for (int32_t k = span.First(); k <= span.Last(); ++k) {
        const QString path = TestFileName(span.folder, k);
        handles.push_back(writes ? FileCreate(path, GENERIC_WRITE, 0, CREATE_ALWAYS, flags)
                                 : FileOpen(path, OF_READ));
        if (handles.back() != 0) {
            if (writes) createdFiles_.push_back(k);
            continue;
        }
        if (!span.phase.PassesOverMissingFiles()) {
            LogRefusedFile(span.folder, path);
            return false;
        }
        LogFileFailure(host_, path);  // passed over, but not in silence
        measurement_.fileMilliseconds.push_back(PhaseMeasurement::kNotRead);
        measurement_.fileMicroseconds.push_back(PhaseMeasurement::kNotRead);
        return false;
    }
    return true;
}

void TestPhases::LogSpanStart(const Span& span) {
    const bool writes = span.phase.Writes();
    if (span.phase.fileByFile && writes)
        LogWriteFile(host_, span.number);
    else if (span.phase.fileByFile)
        LogReadFile(host_, span.number);
    else if (writes)
        LogWriting(host_);
    else
        LogReadPlan(host_, span.nFiles, span.sizeMB);
}

TestPhases::Ending TestPhases::TransferBlocks(const Span& span, const HandleTable& handles,
                                              int32_t& pump) {
    const bool oneFile = span.phase.fileByFile;
    if (span.phase.Writes())
        return oneFile ? BlockLoop<Transfer::Write, true>(span, handles, pump)
                       : BlockLoop<Transfer::Write, false>(span, handles, pump);
    return oneFile ? BlockLoop<Transfer::Read, true>(span, handles, pump)
                   : BlockLoop<Transfer::Read, false>(span, handles, pump);
}

template <TestPhases::Transfer kTransfer, bool kOneFile>
TestPhases::Ending TestPhases::BlockLoop(const Span& span, const HandleTable& handles,
                                         int32_t& pump) {
    // Locals, so that the compiler keeps them in registers across the system calls; the counter
    // goes on in the next file's span.
    int32_t counter = pump;
    const int32_t* const firstHandle = handles.data();
    // A span of one file has a loop over its files that the compiler leaves out.
    const int32_t* const endHandle = firstHandle + (kOneFile ? 1 : handles.size());
    const BlockText& block = TheBlock();
    const char* data = nullptr;
    for (int32_t j = 1; j <= span.sizeMB; ++j) {
        for (int32_t b = 1; b <= kBlocksPerMB; ++b) {
            for (const int32_t* handle = firstHandle; handle != endHandle; ++handle) {
                if constexpr (kTransfer == Transfer::Write) {
                    if (!FileWrite(*handle, block)) {
                        const int32_t k = span.First() + static_cast<int32_t>(handle - firstHandle);
                        LogFailedWrite(span.folder, TestFileName(span.folder, k));
                        return Ending::Failed;
                    }
                } else {
                    const int32_t n = FileRead(*handle, data, kBlockSize);
                    if (n != kBlockSize) LogShortRead(host_, !kOneFile, n);
                }
            }
            if (AtPumpPoint(counter)) {
                if (!MayContinue()) return Ending::Aborted;
                if constexpr (kTransfer == Transfer::Read) ShowProgress(span, j);
            }
        }
        if constexpr (kTransfer == Transfer::Write) ShowProgress(span, j);
    }
    pump = counter;
    return Ending::Done;
}

// Progress1 follows the span's MB; the overall bar the whole test, a write and a read phase of
// PerPhase() spans of `sizeMB` MB each.
void TestPhases::ShowProgress(const Span& span, int32_t j) {
    const int32_t spansBefore =
        span.phase.Writes() ? span.number - 1 : CheckedAdd(span.PerPhase(), span.number - 1);
    const int32_t done = CheckedAdd(CheckedMul(spansBefore, span.sizeMB), j);
    const int32_t whole = CheckedMul(CheckedMul(span.PerPhase(), span.sizeMB), 2);
    host_.Progress1ValueChange(CheckedMul(j, 100) / static_cast<double>(span.sizeMB));
    host_.OverallProgressValueChange(
        ToInt16HalfEven(CheckedMul(done, 100) / static_cast<double>(whole)));
}

// ---- The parts they share -----------------------------------------------------------------------

TestPhases::TestPhases(PhaseHost& host) : host_(host) {}

TestPhases::~TestPhases() = default;

void TestPhases::SetTickSourceFactory(TickSourceFactory factory) {
    tickSourceFactory_ = std::move(factory);
    TickSource.Reset();
}

void TestPhases::SetPreciseClock(PreciseClock clock) {
    preciseClock_ = std::move(clock);
}

void TestPhases::PumpEvents() {
    if (!PumpObject) PumpObject = std::make_unique<clsDoEvents>();
    bool allPending = !host_.ChkDoEventsChecked();
    PumpObject->fDoEvents(allPending);
}

int32_t TestPhases::ReadClock() {
    if (!TickSource) {
        const HRESULT created =
            tickSourceFactory_
                ? tickSourceFactory_(TickSource.Receive())
                : components::CreateInstance(CLSID_CTimer, IID__CTimer, TickSource.ReceiveVoid());
        if (FAILED(created) || !TickSource) {
            TickSource.Reset();
            throw ClockFailure{};
        }
    }
    int32_t ticks = 0;
    if (FAILED(TickSource->GetCurrentTimer(&ticks))) throw ClockFailure{};
    return ticks;
}

int64_t TestPhases::ReadPreciseClock() const {
    return preciseClock_ ? preciseClock_() : MonotonicMicroseconds();
}

TestPhases::SpanStart TestPhases::StartSpan() {
    const int32_t ticks = ReadClock();
    return {ticks, ReadPreciseClock()};
}

int32_t TestPhases::EndSpan(const SpanStart& start, bool perFile) {
    const int64_t us = ReadPreciseClock() - start.micros;
    const int32_t ms = TickSpan(start.ticks, ReadClock());
    measurement_.milliseconds += ms;
    measurement_.microseconds += us;
    if (perFile) {
        measurement_.fileMilliseconds.push_back(ms);
        measurement_.fileMicroseconds.push_back(us);
    }
    return ms;
}

int32_t TestPhases::CreationFlags() {
    int32_t flags = 0;
    if (host_.DisableCachingChecked()) flags |= FILE_FLAG_NO_BUFFERING;
    if (host_.EnableWriteThroughChecked()) flags |= FILE_FLAG_WRITE_THROUGH;
    return flags;
}

void TestPhases::BeginMeasurement() {
    measurement_ = PhaseMeasurement{};
    measurement_.ran = true;
}

bool TestPhases::MayContinue() {
    if (host_.AbortRequested()) return false;
    PumpEvents();
    return true;
}

void TestPhases::CloseAll(HandleTable& handles) {
    for (int32_t handle : handles) FileClose(handle, true);
    handles.clear();
}

void TestPhases::RecordFailedFile(const QString& path) {
    measurement_.failedFile = path;
    measurement_.failedError = LastFileErrorNumber();
}

void TestPhases::LogRefusedFile(const QString& folder, const QString& path) {
    RecordFailedFile(path);
    LogAccessFailure(host_, folder);
    LogFileFailure(host_, path);
}

void TestPhases::LogFailedWrite(const QString& folder, const QString& path) {
    RecordFailedFile(path);
    LogFileFailure(host_, path);
    LogAccessFailure(host_, folder);
}
