#include "TestPhases.h"

#include <time.h>

#include <QDateTime>
#include <limits>
#include <utility>

#include "Checked.h"
#include "Format.h"
#include "activation.h"
#include "modFile.h"
#include "modLang.h"

namespace {

constexpr int32_t kBlocksPerMB = 1024;
constexpr int32_t kBlockTextLength = 1022;
constexpr int32_t kBlockSize = 1024;

// The component cannot be created or does not answer.
struct ClockFailure {};

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

QString Now() {
    return FormatDateTime(QDateTime::currentDateTime(), QStringLiteral("hh:mm dd.mm.yy"));
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

void TestPhases::LogStartLines(int32_t nFiles, int32_t sizeMB) {
    host_.LogPrint(LangText(21, false, true, QStringLiteral("Teststart: ")) + Now());
    host_.LogPrint(LangText(22, false, true, QStringLiteral("Erstelle ")) +
                   QString::number(nFiles) + LangText(23, true, true, QStringLiteral(" Dateien ")) +
                   u'(' + QString::number(CheckedMul(nFiles, sizeMB)) +
                   LangText(18, true, false, QStringLiteral(" MB")) + u')');
}

void TestPhases::LogReadPlan(int32_t nFiles, int32_t sizeMB) {
    host_.LogPrint(LangText(19, false, true, QStringLiteral("Lese ")) +
                   QString::number(CheckedMul(nFiles, sizeMB)) +
                   LangText(18, false, false, QStringLiteral("MB")));
}

void TestPhases::LogAccessFailure(const QString& folder) {
    host_.LogPrint(LangText(12, false, true, QStringLiteral("Kann auf ")) + folder +
                   LangText(13, true, false, QStringLiteral(" nicht zugreifen!")));
}

void TestPhases::BeginMeasurement() {
    measurement_ = PhaseMeasurement{};
    measurement_.ran = true;
}

void TestPhases::RecordFailedFile(const QString& path) {
    measurement_.failedFile = path;
    measurement_.failedError = LastFileErrorNumber();
}

void TestPhases::LogRefusedFile(const QString& folder, const QString& path) {
    RecordFailedFile(path);
    LogAccessFailure(folder);
    LogFileFailure(path);
}

void TestPhases::LogFailedWrite(const QString& folder, const QString& path) {
    RecordFailedFile(path);
    LogFileFailure(path);
    LogAccessFailure(folder);
}

void TestPhases::LogFileFailure(const QString& path) {
    QString reason = LastFileError();
    if (reason.isEmpty())
        reason = LangText(68, false, false,
                          QStringLiteral("das Gerät hat nur einen Teil des Blocks angenommen"));
    host_.LogPrint(path + QStringLiteral(": ") + reason);
}

void TestPhases::LogTooShort() {
    host_.LogPrint(LangText(67, false, false,
                            QStringLiteral("Die Testphase war zu kurz für die Millisekundenuhr! "
                                           "Bitte mehr oder größere Dateien verwenden.")));
}

void TestPhases::LogTime(int32_t ms, const QString& pattern) {
    host_.LogPrint(LangText(24, false, true, QStringLiteral("Zeit: ")) +
                   FormatNumber(ms / 1000.0, pattern) +
                   LangText(25, true, false, QStringLiteral(" Sekunden")) + QStringLiteral(" (") +
                   QString::number(ms) + QStringLiteral(" ms)"));
}

void TestPhases::LogAverages(double seconds, double mbps) {
    const QString average = LangText(15, false, true, QStringLiteral("Durchschnitt: "));
    const QString pattern = QStringLiteral("#.##");
    host_.LogPrint(average + FormatNumber(seconds, pattern) +
                   LangText(17, true, false, QStringLiteral(" Sek.")));
    host_.LogPrint(average + FormatNumber(mbps, pattern) +
                   LangText(16, true, false, QStringLiteral(" MB/s")));
}

void TestPhases::LogEnd(double seconds, double mbps) {
    host_.LogPrint(QStringLiteral("<clear>"));
    LogAverages(seconds, mbps);
    host_.LogPrint(LangText(14, false, true, QStringLiteral("Testende: ")) + Now());
    host_.LogPrint(QString());
}

void TestPhases::LogAbort() {
    host_.LogPrint(LangText(11, false, false, QStringLiteral("Abbruch...")));
}

bool TestPhases::MayContinue() {
    if (host_.AbortRequested()) return false;
    PumpEvents();
    return true;
}

void TestPhases::ShowProgress(int32_t j, int32_t sizeMB, int32_t done, int32_t whole) {
    host_.Progress1ValueChange(CheckedMul(j, 100) / static_cast<double>(sizeMB));
    host_.OverallProgressValueChange(
        ToInt16HalfEven(CheckedMul(done, 100) / static_cast<double>(whole)));
}

void TestPhases::LogScopeFailure(Scope scope, const QString& folder) {
    switch (scope) {
        case Scope::Access:
            LogAccessFailure(folder);
            break;
        case Scope::Clock:
            host_.LogPrint(
                LangText(41, false, false,
                         QStringLiteral("Fehler bei der Kommunikation der Timerkomponente!")));
            break;
        case Scope::Arithmetic:
            host_.LogPrint(LangText(7, false, false,
                                    QStringLiteral("Werte dürfen nicht größer als 32000 sein!")));
            break;
    }
}

void TestPhases::CloseAll(HandleTable& handles) {
    for (int32_t& handle : handles) {
        FileClose(handle, true);
        handle = 0;
    }
}

// ---- Single-file test ---------------------------------------------------------------------------

bool TestPhases::SingleWriteTest(int32_t& nFiles, int32_t& sizeMB, QString& folder) {
    Scope scope = Scope::Access;
    int32_t handle = 0;
    BeginMeasurement();
    createdFiles_.clear();
    try {
        LogStartLines(nFiles, sizeMB);
        const BlockText& block = TheBlock();
        int32_t pump = 0;
        int32_t total = 0;
        for (int32_t k = 1; k <= nFiles; ++k) {
            const QString path = TestFileName(folder, k);
            handle = FileCreate(path, GENERIC_WRITE, 0, CREATE_ALWAYS, CreationFlags());
            if (handle == 0) {
                LogRefusedFile(folder, path);
                return false;
            }
            createdFiles_.push_back(k);
            host_.LogPrint(LangText(40, false, true, QStringLiteral("Datei ")) + SignedNumber(k) +
                           QStringLiteral("..."));

            scope = Scope::Clock;
            const SpanStart start = StartSpan();
            scope = Scope::Arithmetic;
            for (int32_t j = 1; j <= sizeMB; ++j) {
                for (int32_t b = 1; b <= kBlocksPerMB; ++b) {
                    if (!FileWrite(handle, block)) {
                        LogFailedWrite(folder, path);
                        FileClose(std::exchange(handle, 0), true);
                        return false;
                    }
                    if (AtPumpPoint(pump) && !MayContinue()) {
                        FileClose(std::exchange(handle, 0), true);
                        LogAbort();
                        return false;
                    }
                }
                ShowProgress(j, sizeMB, CheckedAdd(CheckedMul(k - 1, sizeMB), j),
                             CheckedMul(CheckedMul(nFiles, sizeMB), 2));
            }
            const int32_t ms = EndSpan(start, true);
            LogTime(ms, QStringLiteral("#.##"));
            total = CheckedAdd(total, ms);
            FileClose(std::exchange(handle, 0), true);
        }
        if (total == 0) {
            LogTooShort();
            return false;
        }
        const auto [seconds, mbps] = Averages(total, nFiles, sizeMB);
        measurement_.completed = true;
        host_.Results().SingleWriteSeconds = seconds;
        host_.Results().SingleWriteMBps = mbps;
        host_.LogPrint(QString());
        LogEnd(seconds, mbps);
        return true;
    } catch (...) {
        // For files after the first the steps before the clock start lie in the arithmetic scope.
        LogScopeFailure(scope, folder);
        FileClose(handle, true);
        return false;
    }
}

bool TestPhases::SingleReadTest(int32_t& nFiles, int32_t& sizeMB, QString& folder) {
    int32_t handle = 0;
    BeginMeasurement();
    try {
        LogReadPlan(nFiles, sizeMB);
        int32_t pump = 0;
        int32_t total = 0;
        int32_t filesRead = 0;
        for (int32_t k = 1; k <= nFiles; ++k) {
            const QString path = TestFileName(folder, k);
            handle = FileOpen(path, OF_READ);
            if (handle == 0) {
                LogFileFailure(path);  // passed over, but not in silence
                measurement_.fileMilliseconds.push_back(PhaseMeasurement::kNotRead);
                measurement_.fileMicroseconds.push_back(PhaseMeasurement::kNotRead);
                continue;
            }
            ++filesRead;
            host_.LogPrint(LangText(26, false, true, QStringLiteral("Lese Datei ")) +
                           SignedNumber(k));
            const SpanStart start = StartSpan();
            const char* data = nullptr;
            for (int32_t j = 1; j <= sizeMB; ++j) {
                for (int32_t b = 1; b <= kBlocksPerMB; ++b) {
                    if (FileRead(handle, data, kBlockSize) != kBlockSize)
                        host_.LogPrint(QStringLiteral("Checksum Error!"));
                    if (AtPumpPoint(pump)) {
                        if (!MayContinue()) {
                            FileClose(std::exchange(handle, 0), true);
                            LogAbort();
                            return false;
                        }
                        ShowProgress(j, sizeMB,
                                     CheckedAdd(CheckedMul(CheckedAdd(nFiles, k - 1), sizeMB), j),
                                     CheckedMul(CheckedMul(nFiles, sizeMB), 2));
                    }
                }
            }
            const int32_t ms = EndSpan(start, true);
            LogTime(ms, QStringLiteral("#.##"));
            total = CheckedAdd(total, ms);
            FileClose(std::exchange(handle, 0), true);
        }
        if (total == 0 && filesRead > 0) {
            LogTooShort();
            return false;
        }
        // The average is over the files that were read: a skipped file took no time.
        const auto [seconds, mbps] = Averages(total, filesRead, sizeMB);
        measurement_.completed = true;
        host_.Results().SingleReadSeconds = seconds;
        host_.Results().SingleReadMBps = mbps;
        LogEnd(seconds, mbps);
        return true;
    } catch (...) {
        LogAccessFailure(folder);
        FileClose(handle, true);
        return false;
    }
}

// ---- Multiple-file test -------------------------------------------------------------------------

bool TestPhases::MultiWriteTest(int32_t& nFiles, int32_t& sizeMB, QString& folder) {
    Scope scope = Scope::Access;
    HandleTable handles;
    BeginMeasurement();
    createdFiles_.clear();
    try {
        LogStartLines(nFiles, sizeMB);
        const BlockText& block = TheBlock();
        const int32_t flags = CreationFlags();  // one choice for every file of the phase
        for (int32_t k = 1; k <= nFiles; ++k) {
            handles.push_back(
                FileCreate(TestFileName(folder, k), GENERIC_WRITE, 0, CREATE_ALWAYS, flags));
            if (handles.back() == 0) {
                LogRefusedFile(folder, TestFileName(folder, k));
                CloseAll(handles);
                return false;
            }
            createdFiles_.push_back(k);
        }
        host_.LogPrint(LangText(20, false, false, QStringLiteral("Schreibe... ")));

        scope = Scope::Clock;
        const SpanStart start = StartSpan();
        scope = Scope::Arithmetic;
        int32_t pump = 0;
        for (int32_t j = 1; j <= sizeMB; ++j) {
            for (int32_t b = 1; b <= kBlocksPerMB; ++b) {
                for (int32_t k = 1; k <= nFiles; ++k) {
                    if (!FileWrite(handles[k - 1], block)) {
                        LogFailedWrite(folder, TestFileName(folder, k));
                        CloseAll(handles);
                        return false;
                    }
                }
                if (AtPumpPoint(pump) && !MayContinue()) {
                    LogAbort();
                    CloseAll(handles);
                    return false;
                }
            }
            ShowProgress(j, sizeMB, j, CheckedMul(sizeMB, 2));
        }
        const int32_t ms = EndSpan(start, false);
        LogTime(ms, QStringLiteral("#.##0.00"));
        CloseAll(handles);
        if (ms == 0) {
            LogTooShort();
            return false;
        }
        const auto [seconds, mbps] = Averages(ms, nFiles, sizeMB);
        measurement_.completed = true;
        host_.Results().MultiWriteSeconds = seconds;
        host_.Results().MultiWriteMBps = mbps;
        LogEnd(seconds, mbps);
        return true;
    } catch (...) {
        LogScopeFailure(scope, folder);
        CloseAll(handles);
        return false;
    }
}

bool TestPhases::MultiReadTest(int32_t& nFiles, int32_t& sizeMB, QString& folder) {
    HandleTable handles;
    BeginMeasurement();
    try {
        for (int32_t k = 1; k <= nFiles; ++k) {
            handles.push_back(FileOpen(TestFileName(folder, k), OF_READ));
            if (handles.back() == 0) {
                LogRefusedFile(folder, TestFileName(folder, k));
                CloseAll(handles);
                return false;
            }
        }
        LogReadPlan(nFiles, sizeMB);

        const SpanStart start = StartSpan();
        int32_t pump = 0;
        const char* data = nullptr;
        for (int32_t j = 1; j <= sizeMB; ++j) {
            for (int32_t b = 1; b <= kBlocksPerMB; ++b) {
                for (int32_t k = 1; k <= nFiles; ++k) {
                    const int32_t n = FileRead(handles[k - 1], data, kBlockSize);
                    if (n != kBlockSize)
                        host_.LogPrint(QStringLiteral("Checksum Error! (") + QString::number(n) +
                                       u')');
                }
                if (AtPumpPoint(pump)) {
                    if (!MayContinue()) {
                        LogAbort();
                        CloseAll(handles);
                        return false;
                    }
                    ShowProgress(j, sizeMB, CheckedAdd(sizeMB, j), CheckedMul(sizeMB, 2));
                }
            }
        }
        const int32_t ms = EndSpan(start, false);
        LogTime(ms, QStringLiteral("#.##"));
        CloseAll(handles);
        if (ms == 0) {
            LogTooShort();
            return false;
        }
        const auto [seconds, mbps] = Averages(ms, nFiles, sizeMB);
        measurement_.completed = true;
        host_.Results().MultiReadSeconds = seconds;
        host_.Results().MultiReadMBps = mbps;
        LogEnd(seconds, mbps);
        return true;
    } catch (...) {
        LogAccessFailure(folder);
        CloseAll(handles);
        return false;
    }
}
