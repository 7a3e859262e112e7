// The two test runs on real folders, driven through a recording window.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>

#include "TestRuns.h"
#include "loop_device.h"
#include "modLang.h"
#include "recording_run_host.h"
#include "scripted_clock.h"
#include "temp_folder.h"

namespace {

const QString kRule(43, u'#');

class RunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        LoadLanguage(QStringLiteral("/nonexistent/no-language.lng"));
        host.drive1 = folder.path();
        clock = std::make_unique<ScriptedClock>([this] { return 1000 + 250 * ticks++; });
        runs.Phases().SetTickSourceFactory(clock->Factory());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QStringList TestFiles() const {
        return QDir(folder.path()).entryList({"*.tst"}, QDir::Files, QDir::Name);
    }
    QByteArray LogFile() const {
        QFile file(runs.LogFileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList View() const { return host.log.ViewText().split("\r\n", Qt::SkipEmptyParts); }

    RecordingRunHost host;
    std::unique_ptr<ScriptedClock> clock;
    int32_t ticks = 0;
    TestRuns runs{host};
    TempFolder folder;
};

using SingleRun = RunTest;
using MultipleRun = RunTest;

}  // namespace

TEST_F(SingleRun, PrintsTheSummaryAndLeavesNoTestFile) {
    // The runs only ever create a number without leading zeros; other names are the user's.
    for (const char* name : {"notes.tst", "01.tst", "007.tst", "0.tst"})
        folder.write(name, "the user's own");
    folder.write("7.tst", "left over by an interrupted run");
    TempFolder elsewhere;
    elsewhere.write("precious.txt", "keep me");
    ASSERT_TRUE(QFile::link(elsewhere.file("precious.txt"), folder.file("12.tst")));
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);

    EXPECT_EQ(View(), QStringList({"Ergebnis:", "Schreibzeit: 0,25 Sek.", "4 MB/s",
                                   "Lesezeit: 0,25 Sek.", "4 MB/s"}));
    EXPECT_EQ(TestFiles(), QStringList({"0.tst", "007.tst", "01.tst", "12.tst", "notes.tst"}));
    EXPECT_TRUE(elsewhere.exists("precious.txt"));
    EXPECT_TRUE(host.image2Shown);
    EXPECT_EQ(host.iconAnimations, std::vector<bool>({true, false}));
    EXPECT_FALSE(host.AnyControlDisabled());
    EXPECT_TRUE(host.abort);
    // The phases' own lines stay in the log text behind the summary.
    EXPECT_TRUE(host.log.LogText().startsWith("Teststart: "));
    EXPECT_TRUE(host.log.LogText().contains("\r\nDurchschnitt: ,25 Sek.\r\n"));
    EXPECT_TRUE(host.log.LogText().endsWith("Lesezeit: 0,25 Sek.\r\n4 MB/s\r\n"));
    EXPECT_TRUE(LogFile().isEmpty());  // no log file unless asked for
}

TEST_F(SingleRun, SummaryShowsFifteenSignificantDigits) {
    clock = std::make_unique<ScriptedClock>([this] { return 1000 + 333 * ticks++; });
    runs.Phases().SetTickSourceFactory(clock->Factory());
    host.txt1 = "3";
    ASSERT_EQ(runs.SingleRun(), RunOutcome::Completed);
    EXPECT_EQ(View()[1], "Schreibzeit: 0,333 Sek.");
    EXPECT_EQ(View()[2], "3,003003003003 MB/s");
}

TEST_F(SingleRun, LocksAndUnlocksTheTenControlsInOrder) {
    using enum RunControl;
    ASSERT_EQ(runs.SingleRun(), RunOutcome::Completed);
    const std::vector<std::pair<RunControl, bool>> expected = {{Chk11, false},
                                                               {chkDisableCaching, false},
                                                               {chkEnableWriteThrough, false},
                                                               {ChkDoEvents, false},
                                                               {Cmd11, false},
                                                               {Cmd12, false},
                                                               {Cmd13, false},
                                                               {Drive1, false},
                                                               {Txt1, false},
                                                               {Txt2, false},
                                                               {Chk11, true},
                                                               {ChkDoEvents, true},
                                                               {Cmd11, true},
                                                               {Cmd12, true},
                                                               {Cmd13, true},
                                                               {chkDisableCaching, true},
                                                               {chkEnableWriteThrough, true},
                                                               {Drive1, true},
                                                               {Txt1, true},
                                                               {Txt2, true}};
    EXPECT_EQ(host.enabledChanges, expected);
}

TEST_F(SingleRun, AppendsOneReportBlockPerRunToTheMinutesLogFile) {
    host.chk11 = true;
    host.drive1 = "  " + folder.path().chopped(1) + "  ";  // shown untrimmed, without the "/"
    QString firstName;
    for (int attempt = 0; attempt < 2; ++attempt) {  // both runs must fall in one minute
        QFile::remove(runs.LogFileName());
        ASSERT_EQ(runs.SingleRun(), RunOutcome::Completed);
        firstName = runs.LogFileName();
        ASSERT_EQ(runs.SingleRun(), RunOutcome::Completed);
        if (runs.LogFileName() == firstName) break;
    }
    ASSERT_EQ(runs.LogFileName(), firstName);
    const QString expectedName = folder.path() + "Single_DraveloLog_" +
                                 QDateTime::currentDateTime().toString("MM_dd_yy_HH_mm") + ".log";
    const QString previousMinute =
        folder.path() + "Single_DraveloLog_" +
        QDateTime::currentDateTime().addSecs(-60).toString("MM_dd_yy_HH_mm") + ".log";
    EXPECT_TRUE(firstName == expectedName || firstName == previousMinute)
        << firstName.toStdString();

    const QByteArray block = (kRule + "\r\n# Dravelo auf: " + host.drive1 + "\r\n" + kRule +
                              "\r\n\r\n" + host.log.LogText() + "\r\n")
                                 .toUtf8();
    EXPECT_TRUE(LogFile().endsWith(block));
    EXPECT_EQ(LogFile().count(kRule.toUtf8() + "\r\n# Dravelo auf: "), 2);
    // Each block ends with an empty line, which parts it from the next.
    EXPECT_TRUE(LogFile().endsWith("4 MB/s\r\n\r\n"));
    EXPECT_TRUE(LogFile().contains("4 MB/s\r\n\r\n" + kRule.toUtf8() + "\r\n# Dravelo auf: "));
}

TEST_F(MultipleRun, PrintsTheSummaryAndDeletesOnlyItsNumberedFiles) {
    folder.write("notes.tst", "the user's own");
    folder.write("7.tst", "not one of this run's files");
    host.chk11 = true;
    host.drive1 = folder.path().chopped(1);
    EXPECT_EQ(runs.MultipleRun(), RunOutcome::Completed);
    // 250 ms for the whole phase over 2 files: 0,125 s a file, 8 MB/s.
    EXPECT_EQ(View(), QStringList({"Ergebnis:", "Schreibzeit: 0,125 Sek.", "8 MB/s",
                                   "Lesezeit: 0,125 Sek.", "8 MB/s"}));
    EXPECT_EQ(TestFiles(), QStringList({"7.tst", "notes.tst"}));
    EXPECT_TRUE(QFileInfo(runs.LogFileName()).fileName().startsWith("Multiple_DraveloLog_"));
    // The report names the tested folder with its trailing "/".
    const QByteArray block = (kRule + "\r\n# Dravelo auf: " + folder.path() + "\r\n" + kRule +
                              "\r\n\r\n" + host.log.LogText() + "\r\n")
                                 .toUtf8();
    EXPECT_EQ(LogFile(), block);
}

TEST_F(MultipleRun, LocksInItsOwnOrder) {
    using enum RunControl;
    ASSERT_EQ(runs.MultipleRun(), RunOutcome::Completed);
    const std::vector<RunControl> locked = {
        Chk11, ChkDoEvents, chkDisableCaching, chkEnableWriteThrough, Cmd11, Cmd12, Cmd13, Drive1,
        Txt1,  Txt2};
    ASSERT_GE(host.enabledChanges.size(), 10u);
    for (size_t i = 0; i < locked.size(); ++i) {
        EXPECT_EQ(host.enabledChanges[i].first, locked[i]);
        EXPECT_FALSE(host.enabledChanges[i].second);
    }
    EXPECT_FALSE(host.AnyControlDisabled());
}

TEST_F(SingleRun, RefusedTargetLogsOnlyTheRefusalAndTouchesNothing) {
    ASSERT_EQ(runs.SingleRun(), RunOutcome::Completed);
    const QString previousName = runs.LogFileName();
    const QString previousText = host.log.LogText();
    host.drive1 = folder.path() + "missing";
    host.lines.clear();
    host.enabledChanges.clear();
    EXPECT_EQ(runs.SingleRun(), RunOutcome::TargetRefused);
    EXPECT_EQ(host.lines, QStringList({"<clear>", "Translation Error!"}));
    EXPECT_EQ(runs.LogFileName(), previousName);
    EXPECT_EQ(host.log.LogText(), previousText + "Translation Error!\r\n");
    EXPECT_TRUE(host.enabledChanges.empty());
    EXPECT_FALSE(host.iconAnimations.back());
}

TEST_F(SingleRun, TextsThatAreNotNumbersGiveText7WithTheInputsUnlocked) {
    for (const QString& bad : {QString(), QString("zwei"), QString("9999999999")}) {
        host.txt1 = bad;
        host.lines.clear();
        EXPECT_EQ(runs.SingleRun(), RunOutcome::InputRefused);
        EXPECT_EQ(host.lines.last(), "Werte dürfen nicht größer als 32000 sein!");
        EXPECT_FALSE(host.AnyControlDisabled());
        EXPECT_TRUE(host.abort);
        EXPECT_FALSE(host.iconAnimations.back());
        EXPECT_TRUE(TestFiles().isEmpty());
    }
    host.txt1 = "2";
    host.txt2 = "1 MB";
    EXPECT_EQ(runs.MultipleRun(), RunOutcome::InputRefused);
}

TEST(NumberInput, ReadsTheUsersNumbersRoundedDown) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ReadWholeNumber("2,5"), 2);
    EXPECT_EQ(ReadWholeNumber(" 1e3 "), 1000);
    EXPECT_EQ(ReadWholeNumber("-2,5"), -3);
    EXPECT_EQ(ReadWholeNumber("0"), 0);
    EXPECT_EQ(ReadWholeNumber("2147483647"), INT32_MAX);
    EXPECT_EQ(ReadWholeNumber("2147483648"), std::nullopt);
    EXPECT_EQ(ReadWholeNumber("-2147483648,5"), std::nullopt);
    EXPECT_EQ(ReadWholeNumber("abc"), std::nullopt);
    EXPECT_EQ(ReadWholeNumber("   "), std::nullopt);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(ReadWholeNumber("2.5"), 2);
    QLocale::setDefault(QLocale::system());
}

TEST_F(SingleRun, AbortedWritePhaseSkipsReadAndSummaryButCleansUp) {
    host.chk11 = true;
    host.txt2 = "2";
    host.atPumpPoint = [&] { host.abort = true; };
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Stopped);
    EXPECT_EQ(host.lines.last(), "Abbruch...");
    EXPECT_TRUE(TestFiles().isEmpty());
    EXPECT_FALSE(host.AnyControlDisabled());
    EXPECT_TRUE(LogFile().endsWith("Abbruch...\r\n\r\n"));
}

TEST_F(MultipleRun, FailedWritePhaseDeletesOnlyTheFilesItCreated) {
    // However many files were asked for, the clean-up walks the ones the phase got to.
    for (const QString& count : {QString("10"), QString("2000000000")}) {
        host.txt1 = count;
        host.lines.clear();
        ASSERT_TRUE(QDir(folder.path()).mkdir("4.tst"));
        folder.write("7.tst", "the user's own; the phase never got to it");
        EXPECT_EQ(runs.MultipleRun(), RunOutcome::Stopped);
        // The run's own line, then the file in the way and the system's reason.
        ASSERT_GE(host.lines.size(), 2);
        EXPECT_EQ(host.lines.at(host.lines.size() - 2),
                  "Kann auf " + folder.path() + " nicht zugreifen!");
        EXPECT_EQ(host.lines.last(), folder.file("4.tst") + ": Is a directory");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"7.tst"}));
        // The folder in the way is no file the run created, so none it left behind; the file
        // that was there before is kept and named as such.
        EXPECT_TRUE(runs.Report().filesLeft.isEmpty());
        EXPECT_EQ(runs.Report().leftovers, QStringList({folder.file("7.tst")}));
        QDir(folder.path()).rmdir("4.tst");
    }
}

TEST_F(MultipleRun, UndeletableTestFileIsReportedByNumberAndTheOthersStillGo) {
    host.txt1 = "3";
    std::unique_ptr<ImmutableFile> guard;
    host.atPumpPoint = [&] {
        // Once the files exist, make the second one undeletable until the test ends.
        if (!guard && QFileInfo::exists(folder.file("2.tst")))
            guard = std::make_unique<ImmutableFile>(folder.file("2.tst"));
    };
    runs.MultipleRun();
    if (!guard || !guard->set())
        GTEST_SKIP() << "this file system or user cannot make a file undeletable";
    EXPECT_TRUE(host.lines.contains("Kann Testdatei 2.tst nicht löschen!"));
    EXPECT_EQ(runs.Report().filesLeft, QStringList({folder.file("2.tst")}));
    EXPECT_FALSE(folder.exists("1.tst"));
    EXPECT_FALSE(folder.exists("3.tst"));
    guard.reset();
}

TEST_F(SingleRun, FolderNamedLikeATestFileIsLeftAlone) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("9.tst"));
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);
    EXPECT_EQ(host.lines.last(), "4 MB/s");
    EXPECT_TRUE(QFileInfo(folder.file("9.tst")).isDir());
}

TEST_F(SingleRun, EndStageGivesUpOnAnUndeletableFileAndStillUnlocks) {
    folder.write("5.tst", "stuck");
    folder.write("6.tst", "after the stuck one");
    folder.write("7.tst", "after the stuck one");
    ImmutableFile stuck(folder.file("5.tst"));
    if (!stuck.set()) GTEST_SKIP() << "this file system or user cannot make a file undeletable";
    host.chk11 = true;
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);
    EXPECT_EQ(host.lines.last(), "Kann Testdateien nicht löschen!");
    EXPECT_EQ(TestFiles(), QStringList({"5.tst"}));  // the others went all the same
    EXPECT_FALSE(host.AnyControlDisabled());
    EXPECT_FALSE(host.iconAnimations.back());
    EXPECT_TRUE(LogFile().isEmpty());  // the run ended before its log-file step
    // Not this run's file, but an earlier one's that stays.
    EXPECT_TRUE(runs.Report().filesLeft.isEmpty());
    EXPECT_EQ(runs.Report().leftovers, QStringList({folder.file("5.tst")}));
    EXPECT_EQ(runs.Report().logFile, LogFileStatus::Failed);
}

TEST_F(SingleRun, LogFileIsNeverWrittenThroughALinkAndItsFailureIsNamed) {
    TempFolder elsewhere;
    elsewhere.write("precious.txt", "keep me");
    // The run's log file name depends on the minute; plant links for this minute and the next.
    for (int minutes : {0, 1}) {
        const QString name =
            "Single_DraveloLog_" +
            QDateTime::currentDateTime().addSecs(60 * minutes).toString("MM_dd_yy_HH_mm") + ".log";
        QFile::link(elsewhere.file("precious.txt"), folder.file(name));
    }
    host.chk11 = true;
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);
    EXPECT_EQ(host.lines.last(), "Die Protokolldatei konnte nicht geschrieben werden!");
    EXPECT_EQ(runs.Report().logFile, LogFileStatus::Failed);
    EXPECT_EQ(runs.Report().logFilePath, runs.LogFileName());
    EXPECT_FALSE(host.AnyControlDisabled());
    QFile precious(elsewhere.file("precious.txt"));
    ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
    EXPECT_EQ(precious.readAll(), "keep me");
}

TEST_F(SingleRun, ReportsTheModeTheInputsAndBothPhasesOnBothClocks) {
    int64_t micros = 0;
    runs.Phases().SetPreciseClock([&] { return micros += 125'000; });
    host.phase.writeThrough = true;
    host.chk11 = true;
    host.txt1 = "2,7";
    ASSERT_EQ(runs.SingleRun(), RunOutcome::Completed);
    const RunReport& report = runs.Report();
    EXPECT_TRUE(report.ioMode.cacheBypass);
    EXPECT_TRUE(report.ioMode.writeThrough);
    EXPECT_EQ(report.nFiles, 2);
    EXPECT_EQ(report.sizeMB, 1);
    for (const PhaseMeasurement* phase : {&report.write, &report.read}) {
        EXPECT_TRUE(phase->completed);
        EXPECT_EQ(phase->milliseconds, 500);
        EXPECT_EQ(phase->microseconds, 250'000);
        EXPECT_EQ(phase->fileMilliseconds, std::vector<int64_t>({250, 250}));
    }
    ASSERT_TRUE(report.cachedShareBeforeRead.has_value());
    EXPECT_GE(*report.cachedShareBeforeRead, 0);
    EXPECT_LE(*report.cachedShareBeforeRead, 1);
    EXPECT_EQ(report.refusal, TargetRefusal::None);
    EXPECT_TRUE(report.filesLeft.isEmpty());
    EXPECT_EQ(report.logFile, LogFileStatus::Written);
    EXPECT_EQ(report.logFilePath, runs.LogFileName());
    EXPECT_FALSE(LogFile().isEmpty());

    // The next run starts its report afresh.
    host.chk11 = false;
    host.drive1 = folder.path() + "missing";
    ASSERT_EQ(runs.SingleRun(), RunOutcome::TargetRefused);
    EXPECT_EQ(runs.Report().logFile, LogFileStatus::NotRequested);
    EXPECT_FALSE(runs.Report().write.completed);
}

TEST_F(SingleRun, RefusedFolderSaysWhyAndIsNotTouched) {
    folder.write("plain-file", "not a folder");
    struct Case {
        QString drive;
        TargetRefusal refusal;
        QString reason;
    };
    std::vector<Case> cases = {
        {folder.path() + "missing", TargetRefusal::Missing, "the folder does not exist"},
        {folder.file("plain-file"), TargetRefusal::NotAFolder,
         "the path names something that is not a folder"},
    };
    std::unique_ptr<TestMount> readOnly;
    if (TestMount::Possible()) {
        readOnly = std::make_unique<TestMount>(folder.path());
        if (readOnly->mounted())
            cases.push_back({readOnly->path(), TargetRefusal::NotWritable,
                             "no file can be created in it: Read-only file system"});
    }
    for (const Case& refused : cases) {
        host.drive1 = refused.drive;
        host.lines.clear();
        EXPECT_EQ(runs.SingleRun(), RunOutcome::TargetRefused) << refused.drive.toStdString();
        EXPECT_EQ(runs.Report().refusal, refused.refusal) << refused.drive.toStdString();
        EXPECT_EQ(runs.Report().refusalReason, refused.reason);
        EXPECT_EQ(host.lines, QStringList({"<clear>", "Translation Error!"}));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"plain-file"}));
    }
}

// A 4096-byte-sector device cannot take a 1024-byte block past the cache; a 512-byte one can.
TEST_F(SingleRun, DirectTransferImpossibleOnTheDeviceStopsTheRunBeforeAnyFile) {
    LoopFileSystem device(4096);
    if (!device.mounted()) GTEST_SKIP() << device.skipReason();
    host.drive1 = device.path();
    EXPECT_EQ(runs.SingleRun(), RunOutcome::TargetRefused);
    EXPECT_EQ(runs.Report().refusal, TargetRefusal::CannotBeTested);
    EXPECT_EQ(runs.Report().ioMode.directTransferPossible, false);
    EXPECT_TRUE(runs.Report().refusalReason.contains("STATX_DIOALIGN 4096"));
    EXPECT_EQ(host.lines.last(),
              "Dieser Ordner erlaubt keine direkte Übertragung von 1024-Byte-Blöcken am "
              "System-Cache vorbei (STATX_DIOALIGN 4096)! Abhilfe: „Disable system cache“ "
              "abwählen (Kommandozeile: --no-cache-bypass).");
    EXPECT_EQ(QDir(device.path()).entryList(QDir::Files), QStringList());
    EXPECT_FALSE(host.AnyControlDisabled());

    // The way out works: through the cache the same folder is tested, and the files written
    // through it are found in the cache before reading.
    host.phase.disableCaching = false;
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);
    ASSERT_TRUE(runs.Report().cachedShareBeforeRead.has_value());
    EXPECT_GT(*runs.Report().cachedShareBeforeRead, 0.9);
}

TEST_F(SingleRun, FilesWrittenPastTheCacheAreNotInItBeforeReading) {
    LoopFileSystem device(512);
    if (!device.mounted()) GTEST_SKIP() << device.skipReason();
    host.drive1 = device.path();
    host.txt2 = "2";
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);
    EXPECT_EQ(runs.Report().ioMode.directTransferPossible, true);
    ASSERT_TRUE(runs.Report().cachedShareBeforeRead.has_value());
    EXPECT_LT(*runs.Report().cachedShareBeforeRead, 0.1);
}

// The first close request ends the single run's retries at once: text 8, the file that stays
// named, the window unlocked and the log file still written, ending with text 8.
TEST_F(SingleRun, ACloseRequestEndsTheRetriesAndTheLogFileIsStillWritten) {
    folder.write("5.tst", "stuck");
    ImmutableFile stuck(folder.file("5.tst"));
    if (!stuck.set()) GTEST_SKIP() << "this file system or user cannot make a file undeletable";
    host.chk11 = true;
    host.closeRequested = true;
    EXPECT_EQ(runs.SingleRun(), RunOutcome::Completed);
    EXPECT_EQ(host.lines.last(), "Kann Testdateien nicht löschen!");
    EXPECT_EQ(runs.Report().leftovers, QStringList({folder.file("5.tst")}));
    EXPECT_FALSE(host.AnyControlDisabled());
    EXPECT_EQ(runs.Report().logFile, LogFileStatus::Written);
    EXPECT_TRUE(LogFile().endsWith("Kann Testdateien nicht löschen!\r\n\r\n"));
}

namespace {

// Fills the device as soon as the run unlocks the window, between removing its test files and
// appending its log file.
class FillingHost : public RecordingRunHost {
  public:
    void SetControlEnabled(RunControl control, bool enabled) override {
        RecordingRunHost::SetControlEnabled(control, enabled);
        if (!enabled || fill.isEmpty()) return;
        QFile filler(std::exchange(fill, QString()));
        if (!filler.open(QIODevice::WriteOnly)) return;
        const QByteArray chunk(64 * 1024, 'f');
        while (filler.write(chunk) == chunk.size() && filler.flush()) {
        }
    }
    QString fill;  // the file that fills the device
};

}  // namespace

// A log file append that fails on a full device takes back only what it added: a file it
// created goes again, a file with earlier blocks keeps exactly them.
TEST(LogFileAppend, AFailedAppendTakesBackOnlyWhatItAdded) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a tmpfs needs root";
    LoadLanguage(QStringLiteral("/nonexistent/no-language.lng"));
    const QByteArray earlier(4096, 'e');  // a whole page: the next byte needs a new one
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "existed" : "new");
        TestMount device(4 << 20);
        if (!device.mounted()) GTEST_SKIP() << "this machine refused to mount a tmpfs";
        FillingHost host;
        host.drive1 = device.path();
        host.chk11 = true;
        host.phase.disableCaching = false;
        host.fill = device.path() + "filler";
        ScriptedClock clock([n = 0]() mutable { return 1000 + 250 * n++; });
        TestRuns runs(host);
        runs.Phases().SetTickSourceFactory(clock.Factory());
        const QDateTime now = QDateTime::currentDateTime();
        QStringList planted;
        for (int minutes : {0, 1}) {
            planted << device.path() + "Multiple_DraveloLog_" +
                           now.addSecs(60 * minutes).toString("MM_dd_yy_HH_mm") + ".log";
            QFile file(planted.last());
            if (existed && file.open(QIODevice::WriteOnly)) file.write(earlier);
        }
        EXPECT_EQ(runs.MultipleRun(), RunOutcome::Completed);
        EXPECT_EQ(host.lines.last(), "Die Protokolldatei konnte nicht geschrieben werden!");
        const QStringList logs = QDir(device.path()).entryList({"*.log"}, QDir::Files);
        if (!existed) {
            EXPECT_EQ(logs, QStringList());
            continue;
        }
        EXPECT_EQ(logs.size(), 2);
        for (const QString& path : planted) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), earlier);
        }
    }
}

// The window's runs too: while another run holds the folder, either run is refused with text 86
// and writes nothing; once it is free, the folder is tested again.
TEST_F(RunTest, AFolderAnotherRunHoldsIsRefusedBeforeAnythingIsWritten) {
    for (const bool multiple : {false, true}) {
        FolderLock other(folder.path());
        ASSERT_TRUE(other.Held());
        host.chk11 = true;
        host.lines.clear();
        const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries);
        EXPECT_EQ(multiple ? runs.MultipleRun() : runs.SingleRun(), RunOutcome::TargetRefused);
        EXPECT_EQ(host.lines,
                  QStringList({"<clear>", "Ein anderer Test benutzt diesen Ordner gerade!"}));
        EXPECT_EQ(runs.Report().refusal, TargetRefusal::InUse);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries), before);
        EXPECT_FALSE(host.AnyControlDisabled());
        other.Release();
        EXPECT_EQ(multiple ? runs.MultipleRun() : runs.SingleRun(), RunOutcome::Completed);
        EXPECT_EQ(runs.Report().folderLock, FolderLockState::Held);
    }
}
