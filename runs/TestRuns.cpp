#include "TestRuns.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <cerrno>
#include <cmath>

#include "Checked.h"
#include "Format.h"
#include "IoFacts.h"
#include "LogView.h"
#include "SystemCalls.h"
#include "modLang.h"
#include "modMain.h"
#include "modTest.h"

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// A run-time failure of the start or test stage, reported with text 7.
struct InputFailure {};

// A failed step of the end stage; `logFile` tells the log file apart from the test files.
struct EndStageFailure {
    bool logFile = false;
};

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

// The names the runs create: a decimal number without leading zeros, then ".tst". "01.tst" or
// "007.tst" are somebody else's.
bool IsNumberedTestFile(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]*\\.tst$"));
    return pattern.match(name).hasMatch();
}

// The runs create plain files only; folders, links and the like are somebody else's.
bool IsPlainFile(const QString& folder, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_REG;
    struct stat status {};
    const QByteArray path = QFile::encodeName(folder) + entry.d_name;
    return ::lstat(path.constData(), &status) == 0 && S_ISREG(status.st_mode);
}

// Removes a file; a file that is not there is no failure.
bool RemoveFile(const QString& path) {
    return sys::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT;
}

// Appends without following a symbolic link, so that a link planted in the tested folder cannot
// redirect the report into another file.
// A block that could not be written whole is taken back again, so that a repeated attempt
// does not leave a broken block in front of the good one.
bool AppendToFile(const QString& path, const QByteArray& bytes) {
    const int fd = sys::open(QFile::encodeName(path).constData(),
                             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const off_t before = ::lseek(fd, 0, SEEK_END);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = sys::write(fd, bytes.constData() + written, bytes.size() - written);
        if (n <= 0) break;
        written += n;
    }
    // The flush tells whether the block is kept; a close after it cannot lose the block, so a
    // failing close must not make the repeated attempt append it a second time.
    const bool kept = written == bytes.size() && sys::fsync(fd) == 0;
    // Taking back a partial block is a best effort: the caller reports the failure either way.
    if (!kept && before >= 0) {
        [[maybe_unused]] const int truncated = ::ftruncate(fd, before);
    }
    sys::close(fd);
    return kept;
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

std::optional<int32_t> ReadRoundedNumber(const QString& text) {
    // The default rounding mode takes halves to the even neighbour.
    return ReadNumber(text, [](double value) { return std::nearbyint(value); });
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
    const QString folder = TargetFolder(host_.Drive1Text());
    if (const std::optional<QString> refusal = Refusal(folder)) {
        host_.LogPrint(*refusal);
        host_.SetIconAnimation(false);
        return RunOutcome::TargetRefused;
    }
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

std::optional<QString> TestRuns::Refusal(const QString& folder) {
    report_.refusal = TargetProblem(folder, report_.refusalReason);
    if (report_.refusal != TargetRefusal::None) return LangText(54, false, false, QString());
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
        QString target = TargetFolder(host_.Drive1Text());
        bool ok = kind == Kind::Single ? phases_.SingleWriteTest(nFiles, sizeMB, target)
                                       : phases_.MultiWriteTest(nFiles, sizeMB, target);
        report_.write = phases_.LastMeasurement();
        if (ok && !host_.AbortRequested()) {
            nFiles = ReadInput(host_.Txt1Text());
            sizeMB = ReadInput(host_.Txt2Text());
            target = TargetFolder(host_.Drive1Text());
            report_.cachedShareBeforeRead = CachedShare(TestFilePaths(target, nFiles));
            ok = kind == Kind::Single ? phases_.SingleReadTest(nFiles, sizeMB, target)
                                      : phases_.MultiReadTest(nFiles, sizeMB, target);
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

// The single run repeats a failing step, letting events through in between, until it succeeds
// or the steps together have failed kEndStageAttempts times.
void TestRuns::SingleEndStage(const QString& folder) {
    int16_t failures = 0;
    ExpectLogFile();
    const std::function<void()> steps[] = {
        [&] { phases_.PumpEvents(); },
        [&] { DeleteNumberedTestFiles(folder); },
        [&] { Unlock(); },
        [&] { host_.SetIconAnimation(false); },
        [&] {
            if (host_.Chk11Checked()) AppendLogFile(Kind::Single);
        },
    };
    for (const auto& step : steps) {
        for (;;) {
            try {
                step();
                break;
            } catch (const EndStageFailure& failure) {
                ++failures;
                phases_.PumpEvents();
                if (failures <= kEndStageAttempts) continue;
                host_.LogPrint(failure.logFile
                                   ? LogFileFailureText()
                                   : LangText(8, false, true,
                                              QStringLiteral("Kann Testdateien nicht löschen!")));
                // Giving up must not leave the window locked until the next start.
                Unlock();
                host_.SetIconAnimation(false);
                return;
            }
        }
    }
}

void TestRuns::DeleteNumberedTestFiles(const QString& folder) {
    // Every numbered file is tried even when one will not go, so that a stuck file does not
    // keep the others on the device; a folder that cannot be listed counts as a failure.
    DIR* listing = ::opendir(QFile::encodeName(folder).constData());
    if (!listing) throw EndStageFailure{};
    report_.filesLeft.clear();
    while (const dirent* entry = ::readdir(listing)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!IsNumberedTestFile(name) || !IsPlainFile(folder, *entry)) continue;
        if (!RemoveFile(folder + name)) report_.filesLeft << folder + name;
    }
    ::closedir(listing);
    if (!report_.filesLeft.isEmpty()) throw EndStageFailure{};
}

void TestRuns::MultipleEndStage(const QString& folder) {
    // Only the numbered files this run's write phase created, or tried to create, go, and a
    // file that will not go is reported and passed over: this run does not repeat failed steps.
    const int32_t count = phases_.LastFileNumberTried();
    for (int32_t i = 1; i <= count; ++i) {
        phases_.PumpEvents();
        const QString path = TestFileName(folder, i);
        if (RemoveFile(path)) continue;
        report_.filesLeft << path;
        host_.LogPrint(LangText(9, false, true, QStringLiteral("Kann Testdatei ")) +
                       QString::number(i) +
                       LangText(10, false, false, QStringLiteral(".tst nicht löschen!")));
    }
    Unlock();
    host_.SetIconAnimation(false);
    ExpectLogFile();
    if (host_.Chk11Checked()) {
        try {
            AppendLogFile(Kind::Multiple);
        } catch (const EndStageFailure&) {
            host_.LogPrint(LogFileFailureText());
        }
    }
}

void TestRuns::AppendLogFile(Kind kind) {
    const QString rule(43, u'#');
    const QString where =
        kind == Kind::Single ? host_.Drive1Text() : TargetFolder(host_.Drive1Text());
    const QString block = rule + kLineEnd + QStringLiteral("# ") +
                          LangText(5, false, true, QStringLiteral("Dravelo auf: ")) + where +
                          kLineEnd + rule + kLineEnd + kLineEnd + host_.Log().LogText() +
                          kLineEnd;  // the empty line that parts this block from the next
    if (!AppendToFile(LogFileName_, block.toUtf8())) throw EndStageFailure{true};
    report_.logFile = LogFileStatus::Written;
}

void TestRuns::ExpectLogFile() {
    if (!host_.Chk11Checked()) return;
    report_.logFile = LogFileStatus::Failed;
    report_.logFilePath = LogFileName_;
}

void TestRuns::ProposeValues() {
    int32_t files = 0, size = 0;
    SuggestSettings(host_, files, size, TargetFolder(host_.Drive1Text()));
    if (files >= 1 && size >= 1) {
        host_.SetTxt1Text(QString::number(files));
        host_.SetTxt2Text(QString::number(size));
    }
}
