#include "TestRuns.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QSet>
#include <cmath>

#include "Checked.h"
#include "FolderFiles.h"
#include "Format.h"
#include "IoFacts.h"
#include "LogView.h"
#include "modFile.h"
#include "modLang.h"
#include "modMain.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// A run-time failure of the start or test stage, reported with text 7.
struct InputFailure {};

QString Text7() {
    return LangText(7, false, false, QStringLiteral("Werte dürfen nicht größer als 32000 sein!"));
}

// Names the reason and the way out: testing through the cache, in the window or on the command
// line.
QString DirectTransferRefusalText(const QString& reason) {
    QString text = LangText(69, false, false,
                            QStringLiteral("Dieser Ordner erlaubt keine direkte Übertragung von "
                                           "1024-Byte-Blöcken am System-Cache vorbei (%1)! "
                                           "Abhilfe: „%2“ abwählen (Kommandozeile: "
                                           "--no-cache-bypass)."));
    return text.replace(QStringLiteral("%1"), reason)
        .replace(QStringLiteral("%2"),
                 LangText(55, false, false, QStringLiteral("Disable system cache")));
}

QString FolderInUseText() {
    return LangText(86, false, false,
                    QStringLiteral("Ein anderer Test benutzt diesen Ordner gerade!"));
}

QString LogFileFailureText() {
    return LangText(66, false, false,
                    QStringLiteral("Die Protokolldatei konnte nicht geschrieben werden!"));
}

QStringList TestFilePaths(const QString& folder, int32_t nFiles) {
    QStringList paths;
    for (int32_t k = 1; k <= nFiles; ++k) paths << TestFileName(folder, k);
    return paths;
}

int32_t ReadInput(const QString& text) {
    const auto number = ReadWholeNumber(text);
    if (!number) throw InputFailure{};
    return *number;
}

// A decimal number in the user's locale, blanks around it allowed, made whole by `rounding`.
std::optional<int32_t> ReadNumber(const QString& text, double (*rounding)(double)) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    const double whole = rounding(value);
    if (whole < INT32_MIN || whole > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(whole);
}

}  // namespace

std::optional<int32_t> ReadWholeNumber(const QString& text) {
    return ReadNumber(text, [](double value) { return std::floor(value); });
}

TestRuns::TestRuns(RunHost& host) : host_(host), phases_(host) {}

RunOutcome TestRuns::SingleRun() {
    return Run(Kind::Single);
}

RunOutcome TestRuns::MultipleRun() {
    return Run(Kind::Multiple);
}

RunOutcome TestRuns::Run(Kind kind) {
    report_ = RunReport{};
    report_.ioMode.cacheBypass = host_.DisableCachingChecked();
    report_.ioMode.writeThrough = host_.EnableWriteThroughChecked();
    host_.LogPrint(QStringLiteral("<clear>"));
    host_.ShowImage2();
    host_.SetIconAnimation(true);
    // Decided once: every stage of the run works in the same folder.
    const QString folder = host_.TargetFolder();
    // Held until the run returns, through the end stage and the log file.
    FolderLock lock;
    if (const std::optional<QString> refusal = Refusal(folder, lock)) {
        host_.LogPrint(*refusal);
        host_.SetIconAnimation(false);
        return RunOutcome::TargetRefused;
    }
    if (kind == Kind::Multiple) ListEarlierTestFiles(folder);
    const std::optional<RunOutcome> outcome = TestStage(kind, folder);
    if (!outcome) {
        host_.LogPrint(Text7());
        host_.SetAbortRequested(true);
        Unlock();
        host_.SetIconAnimation(false);
        return RunOutcome::InputRefused;
    }
    host_.SetAbortRequested(true);
    if (kind == Kind::Single)
        SingleEndStage(folder);
    else
        MultipleEndStage(folder);
    return *outcome;
}

std::optional<QString> TestRuns::Refusal(const QString& folder, FolderLock& lock) {
    report_.refusal = TargetProblem(folder, report_.refusalReason);
    if (report_.refusal != TargetRefusal::None) return LangText(54, false, false, QString());
    // Before anything touches the folder: even the direct-transfer probe writes to it.
    lock = FolderLock(folder);
    report_.folderLock = lock.State();
    report_.folderLockReason = lock.Reason();
    if (lock.State() == FolderLockState::InUse) {
        report_.refusal = TargetRefusal::InUse;
        report_.refusalReason = QStringLiteral("another test is using the folder");
        return FolderInUseText();
    }
    const DirectTransferCheck direct = CheckDirectTransfer(folder);
    report_.ioMode.directTransferPossible = direct.possible;
    if (!report_.ioMode.cacheBypass || direct.possible != false) return std::nullopt;
    report_.refusal = TargetRefusal::CannotBeTested;
    report_.refusalReason =
        QStringLiteral("its file system cannot write a 1024-byte block past the system cache (") +
        direct.reason + u')';
    return DirectTransferRefusalText(direct.reason);
}

void TestRuns::Lock(Kind kind) {
    using enum RunControl;
    const RunControl singleOrder[] = {Chk11,
                                      chkDisableCaching,
                                      chkEnableWriteThrough,
                                      ChkDoEvents,
                                      Cmd11,
                                      Cmd12,
                                      Cmd13,
                                      Drive1,
                                      Txt1,
                                      Txt2};
    const RunControl multipleOrder[] = {
        Chk11, ChkDoEvents, chkDisableCaching, chkEnableWriteThrough, Cmd11, Cmd12, Cmd13, Drive1,
        Txt1,  Txt2};
    for (RunControl control : kind == Kind::Single ? singleOrder : multipleOrder)
        host_.SetControlEnabled(control, false);
}

void TestRuns::Unlock() {
    using enum RunControl;
    for (RunControl control : {Chk11, ChkDoEvents, Cmd11, Cmd12, Cmd13, chkDisableCaching,
                               chkEnableWriteThrough, Drive1, Txt1, Txt2})
        host_.SetControlEnabled(control, true);
}

// The start and test stages after the target check. Nothing when an input is not a usable
// number; the phases report their own failures and only cut the run short.
std::optional<RunOutcome> TestRuns::TestStage(Kind kind, const QString& folder) {
    try {
        Lock(kind);
        const QString stamp =
            FormatDateTime(QDateTime::currentDateTime(), QStringLiteral("mm_dd_yy_hh_mm"));
        const QString prefix = kind == Kind::Single ? QStringLiteral("Single_DraveloLog_")
                                                    : QStringLiteral("Multiple_DraveloLog_");
        LogFileName_ = folder + prefix + stamp + QStringLiteral(".log");
        host_.Log().ClearLogText();
        host_.SetAbortRequested(false);

        int32_t nFiles = ReadInput(host_.Txt1Text());
        int32_t sizeMB = ReadInput(host_.Txt2Text());
        report_.nFiles = nFiles;
        report_.sizeMB = sizeMB;
        bool ok = kind == Kind::Single ? phases_.SingleWriteTest(nFiles, sizeMB, folder)
                                       : phases_.MultiWriteTest(nFiles, sizeMB, folder);
        report_.write = phases_.LastMeasurement();
        if (ok && !host_.AbortRequested()) {
            nFiles = ReadInput(host_.Txt1Text());
            sizeMB = ReadInput(host_.Txt2Text());
            report_.cachedShareBeforeRead = CachedShare(TestFilePaths(folder, nFiles));
            ok = kind == Kind::Single ? phases_.SingleReadTest(nFiles, sizeMB, folder)
                                      : phases_.MultiReadTest(nFiles, sizeMB, folder);
            report_.read = phases_.LastMeasurement();
        }
        if (!ok || host_.AbortRequested()) return RunOutcome::Stopped;
        PrintSummary(kind);
        return RunOutcome::Completed;
    } catch (...) {
        return std::nullopt;
    }
}

void TestRuns::PrintSummary(Kind kind) {
    const PhaseResults& results = host_.Results();
    const bool single = kind == Kind::Single;
    const QString seconds = LangText(17, true, false, QStringLiteral(" Sek."));
    const QString mbps = LangText(16, true, false, QStringLiteral(" MB/s"));
    host_.LogPrint(QStringLiteral("<clear>"));
    host_.LogPrint(LangText(2, false, false, QStringLiteral("Ergebnis:")));
    host_.LogPrint(LangText(3, false, true, QStringLiteral("Schreibzeit: ")) +
                   GeneralNumber(single ? results.SingleWriteSeconds : results.MultiWriteSeconds) +
                   seconds);
    host_.LogPrint(GeneralNumber(single ? results.SingleWriteMBps : results.MultiWriteMBps) + mbps);
    host_.LogPrint(LangText(4, false, true, QStringLiteral("Lesezeit: ")) +
                   GeneralNumber(single ? results.SingleReadSeconds : results.MultiReadSeconds) +
                   seconds);
    host_.LogPrint(GeneralNumber(single ? results.SingleReadMBps : results.MultiReadMBps) + mbps);
}

// ---- End stages ---------------------------------------------------------------------------------

bool TestRuns::MayRetry(int16_t& failures) {
    ++failures;
    if (host_.CloseRequested()) return false;
    phases_.PumpEvents();
    return failures <= kEndStageAttempts;
}

// The single run repeats a failing step, letting events through in between, until it succeeds,
// the steps together have failed kEndStageAttempts times, or the user asks to close.
void TestRuns::SingleEndStage(const QString& folder) {
    int16_t failures = 0;
    ExpectLogFile();
    phases_.PumpEvents();
    if (!DeleteTestFiles(folder, failures)) {
        host_.LogPrint(LangText(8, false, true, QStringLiteral("Kann Testdateien nicht löschen!")));
        // Giving up must not leave the window locked until the next start.
        Unlock();
        host_.SetIconAnimation(false);
        // A close request still gets the log file it asked for; the attempts are spent otherwise.
        if (!host_.CloseRequested()) return;
    } else {
        Unlock();
        host_.SetIconAnimation(false);
    }
    if (!host_.Chk11Checked()) return;
    while (!AppendLogFile(Kind::Single, folder)) {
        if (!MayRetry(failures)) {
            host_.LogPrint(LogFileFailureText());
            return;
        }
    }
}

bool TestRuns::DeleteTestFiles(const QString& folder, int16_t& failures) {
    // Listed once; only what would not go is tried again.
    const TestFileListing listing = ListNumberedTestFiles(folder);
    report_.listingFailure = listing.failure;
    QSet<QString> created;
    for (int32_t k : phases_.CreatedFiles()) created << TestFileName(folder, k);
    QStringList pending;
    QSet<QString> listed;
    for (const QString& name : listing.names) {
        pending << folder + name;
        listed << folder + name;
    }
    // A folder that cannot be listed still lets its files be removed by name.
    for (int32_t k : phases_.CreatedFiles())
        if (!listed.contains(TestFileName(folder, k))) pending << TestFileName(folder, k);
    bool allGone = true;
    for (;;) {
        QStringList stuck;
        for (const QString& path : pending)
            if (RemoveTestFile(path) == Removal::Failed) stuck << path;
        pending = stuck;
        if (pending.isEmpty()) break;
        if (!MayRetry(failures)) {
            allGone = false;
            break;
        }
    }
    QStringList earlier;
    for (const QString& path : pending)
        (created.contains(path) ? report_.filesLeft : earlier) << path;
    if (listing.failure.isEmpty()) report_.leftovers = earlier;
    return allGone;
}

void TestRuns::ListEarlierTestFiles(const QString& folder) {
    earlierTestFiles_.clear();
    const TestFileListing listing = ListNumberedTestFiles(folder);
    if (!listing.failure.isEmpty()) return;
    for (const QString& name : listing.names) earlierTestFiles_ << folder + name;
    report_.leftovers = QStringList();
}

void TestRuns::MultipleEndStage(const QString& folder) {
    // Only the files this run's write phase created go, and a file that will not go is reported
    // and passed over: this run does not repeat failed steps.
    QSet<QString> created;
    for (int32_t k : phases_.CreatedFiles()) {
        phases_.PumpEvents();
        const QString path = TestFileName(folder, k);
        created << path;
        if (RemoveTestFile(path) != Removal::Failed) continue;
        report_.filesLeft << path;
        host_.LogPrint(LangText(9, false, true, QStringLiteral("Kann Testdatei ")) +
                       QString::number(k) +
                       LangText(10, false, false, QStringLiteral(".tst nicht löschen!")));
    }
    // Earlier runs' files are kept: nothing tells whether they are test files or the user's.
    if (report_.leftovers) {
        for (const QString& path : std::as_const(earlierTestFiles_))
            if (!created.contains(path)) *report_.leftovers << path;
    }
    Unlock();
    host_.SetIconAnimation(false);
    ExpectLogFile();
    if (host_.Chk11Checked() && !AppendLogFile(Kind::Multiple, folder))
        host_.LogPrint(LogFileFailureText());
}

bool TestRuns::AppendLogFile(Kind kind, const QString& folder) {
    const QString rule(43, u'#');
    const QString where = kind == Kind::Single ? host_.Drive1Text() : folder;
    const QString block = rule + kLineEnd + QStringLiteral("# ") +
                          LangText(5, false, true, QStringLiteral("Dravelo auf: ")) + where +
                          kLineEnd + rule + kLineEnd + kLineEnd + host_.Log().LogText() +
                          kLineEnd;  // the empty line that parts this block from the next
    if (!AppendToFile(LogFileName_, ShownText(block).toUtf8())) return false;
    report_.logFile = LogFileStatus::Written;
    return true;
}

void TestRuns::ExpectLogFile() {
    if (!host_.Chk11Checked()) return;
    report_.logFile = LogFileStatus::Failed;
    report_.logFilePath = LogFileName_;
}
