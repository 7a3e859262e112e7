// The single-file phases on real files in a temporary folder.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <QFile>
#include <QTimer>

#include "event_wait.h"
#include "phase_test_support.h"
#include "registry.h"

namespace {

const char* kStamp = R"(\d\d:\d\d \d\d\.\d\d\.\d\d)";

// Descriptors of this process that point at the file.
int OpenDescriptorsOf(const QString& file) {
    int count = 0;
    const QString target = QFileInfo(file).canonicalFilePath();
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fds.filePath(fd)) == target) ++count;
    return count;
}

}  // namespace

using SingleWrite = PhaseTest;
using SingleRead = PhaseTest;

TEST_F(SingleWrite, WritesExactSizesOfTheSameBlockAndLogsEveryLine) {
    int32_t nFiles = 2, sizeMB = 1;
    UseSteppingClock(2500);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));

    for (const char* name : {"1.tst", "2.tst"}) {
        QFile file(folder.file(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        ASSERT_EQ(bytes.size(), 1024 * 1024);
        EXPECT_EQ(bytes, Block().repeated(1024));
    }

    ASSERT_EQ(host.lines.size(), 12) << host.lines.join('\n').toStdString();
    EXPECT_TRUE(Matches(host.lines[0], QString("Teststart: ") + kStamp));
    EXPECT_EQ(host.lines[1], "Erstelle 2 Dateien (2 MB)");
    EXPECT_EQ(host.lines[2], "Datei  1...");
    EXPECT_EQ(host.lines[3], "Zeit: 2,5 Sekunden (2500 ms)");
    EXPECT_EQ(host.lines[4], "Datei  2...");
    EXPECT_EQ(host.lines[5], "Zeit: 2,5 Sekunden (2500 ms)");
    EXPECT_EQ(host.lines[6], "");
    EXPECT_EQ(host.lines[7], "<clear>");
    EXPECT_EQ(host.lines[8], "Durchschnitt: 2,5 Sek.");
    EXPECT_EQ(host.lines[9], "Durchschnitt: ,4 MB/s");
    EXPECT_TRUE(Matches(host.lines[10], QString("Testende: ") + kStamp));
    EXPECT_EQ(host.lines[11], "");

    EXPECT_EQ(host.results.SingleWriteSeconds, 2.5);
    EXPECT_EQ(host.results.SingleWriteMBps, 0.4);
    EXPECT_EQ(host.results.SingleReadSeconds, 0);  // the other phase's results are untouched
}

TEST_F(SingleWrite, MeasuresEachFileOnBothClocks) {
    int32_t nFiles = 2, sizeMB = 1;
    UseSteppingClock(2500);
    int64_t micros = 0;
    phases.SetPreciseClock([&] { return micros += 1'250'001; });
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    const PhaseMeasurement& measured = phases.LastMeasurement();
    EXPECT_TRUE(measured.completed);
    EXPECT_EQ(measured.milliseconds, 5000);
    EXPECT_EQ(measured.microseconds, 2'500'002);
    EXPECT_EQ(measured.fileMilliseconds, std::vector<int64_t>({2500, 2500}));
    EXPECT_EQ(measured.fileMicroseconds, std::vector<int64_t>({1'250'001, 1'250'001}));

    // A phase that does not complete says so, with what it measured up to then.
    host.abort = true;
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_FALSE(phases.LastMeasurement().completed);
    EXPECT_TRUE(phases.LastMeasurement().fileMilliseconds.empty());
}

TEST_F(SingleWrite, BlockTheDeviceTookOnlyPartOfIsNamedInTheLanguageOfTheMessages) {
    // A file size limit that ends inside a block: the device takes part of it, without a reason.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = 5 * 1024 + 512;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    int32_t nFiles = 1, sizeMB = 1;
    host.disableCaching = false;
    UseSteppingClock(10);
    const bool ok = phases.SingleWriteTest(nFiles, sizeMB, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    ASSERT_GE(host.lines.size(), 2);
    EXPECT_EQ(host.lines[host.lines.size() - 2],
              folder.file("1.tst") + ": das Gerät hat nur einen Teil des Blocks angenommen");
    EXPECT_EQ(host.lines.last(), "Kann auf " + path + " nicht zugreifen!");
}

TEST_F(SingleWrite, RealClocksGiveConsistentTimesOrSayThePhaseWasTooShort) {
    int32_t nFiles = 2, sizeMB = 2;
    const bool ok = phases.SingleWriteTest(nFiles, sizeMB, path);
    const PhaseMeasurement& measured = phases.LastMeasurement();
    ASSERT_EQ(measured.fileMilliseconds.size(), 2u);
    const int64_t total = measured.fileMilliseconds[0] + measured.fileMilliseconds[1];
    for (int k = 0; k < 2; ++k) {
        // The time line shows the span the measurement holds.
        EXPECT_FALSE(
            host.lines.filter(QString(" Sekunden (%1 ms)").arg(measured.fileMilliseconds[k]))
                .isEmpty())
            << host.lines.join('\n').toStdString();
        EXPECT_GE(measured.fileMicroseconds[k], 0);
    }
    // A device faster than the millisecond clock gets its own message, on any machine.
    if (total == 0) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(host.lines.last(), kTooShort);
        return;
    }
    ASSERT_TRUE(ok);
    EXPECT_EQ(measured.milliseconds, total);
    EXPECT_DOUBLE_EQ(host.results.SingleWriteSeconds, total / 1000.0 / 2);
    EXPECT_DOUBLE_EQ(host.results.SingleWriteMBps, 2 / host.results.SingleWriteSeconds);
}

TEST_F(SingleWrite, FileNumbersOfTwoDigitsKeepTheirLeadingBlank) {
    int32_t nFiles = 12, sizeMB = 1;
    UseSteppingClock(10);
    host.disableCaching = false;
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_TRUE(host.lines.contains("Datei  12..."));
}

TEST_F(SingleWrite, TakesItsTextsFromTheLanguageFileWithTheirBlanks) {
    TempFolder languageFolder;
    languageFolder.write("test.lng",
                         "[Translation By: Test]\r\n21=Test start:\r\n22=Creating\r\n23=files\r\n"
                         "18=MB\r\n40=File\r\n24=Time:\r\n25=seconds\r\n15=Average:\r\n"
                         "17=s\r\n16=MB/s\r\n14=Test end:\r\n");
    LoadLanguage(languageFolder.file("test.lng"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int32_t nFiles = 1, sizeMB = 1;
    UseSteppingClock(1250);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_TRUE(Matches(host.lines[0], QString("Test start: ") + kStamp));
    EXPECT_EQ(host.lines[1], "Creating 1 files (1 MB)");
    EXPECT_EQ(host.lines[2], "File  1...");
    EXPECT_EQ(host.lines[3], "Time: 1.25 seconds (1250 ms)");
    EXPECT_EQ(host.lines[6], "Average: 1.25 s");
    EXPECT_EQ(host.lines[7], "Average: .8 MB/s");
}

TEST_F(SingleWrite, PumpPointsFallAfterBlockTwoAndEveryHundredAcrossFiles) {
    int32_t nFiles = 2, sizeMB = 1;
    std::vector<std::pair<qint64, qint64>> blocksAtPumpPoint;  // blocks of file 1 and file 2
    host.atPumpPoint = [&] {
        blocksAtPumpPoint.emplace_back(folder.size("1.tst") / 1024,
                                       folder.exists("2.tst") ? folder.size("2.tst") / 1024 : -1);
    };
    UseSteppingClock(10);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));

    std::vector<std::pair<qint64, qint64>> expected;
    for (qint64 block = 2; block <= 1002; block += 100) expected.emplace_back(block, -1);
    for (qint64 block = 78; block <= 978; block += 100) expected.emplace_back(1024, block);
    EXPECT_EQ(blocksAtPumpPoint, expected);
}

TEST_F(SingleWrite, MovesTheProgressBarsOncePerMB) {
    int32_t nFiles = 2, sizeMB = 2;
    UseSteppingClock(10);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.progress1, std::vector<double>({50, 100, 50, 100}));
    // 12.5 and 37.5 round to the even neighbour.
    EXPECT_EQ(host.overall, std::vector<int16_t>({12, 25, 38, 50}));
}

TEST_F(SingleWrite, AbortRequestedDuringAPumpIsSeenAtTheNextPumpPoint) {
    int32_t nFiles = 2, sizeMB = 1;
    host.results.SingleWriteSeconds = 7;
    host.atPumpPoint = [&] {
        // A nested handler, run by the pump, asks the phase to stop.
        if (host.pumpPoints == 1) QTimer::singleShot(0, [&] { host.abort = true; });
    };
    qint64 sizeAtAbort = -1;
    int descriptorsAtAbort = -1;
    auto seen = [&] {
        if (host.abort && sizeAtAbort < 0) {
            sizeAtAbort = folder.size("1.tst");
            descriptorsAtAbort = OpenDescriptorsOf(folder.file("1.tst"));
        }
    };
    host.atPumpPoint = [&, first = host.atPumpPoint] {
        first();
        seen();
    };
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), "Abbruch...");
    EXPECT_EQ(sizeAtAbort, 102 * 1024);
    EXPECT_EQ(descriptorsAtAbort, 1);
    EXPECT_EQ(OpenDescriptorsOf(folder.file("1.tst")), 0);  // closed on the way out
    EXPECT_TRUE(folder.exists("1.tst"));                    // left for the run to delete
    EXPECT_FALSE(folder.exists("2.tst"));
    EXPECT_EQ(host.results.SingleWriteSeconds, 7);
}

TEST_F(SingleWrite, MissingFolderGivesTheAccessFailureAfterTheStartLines) {
    QString missing = path + "missing/";
    int32_t nFiles = 2, sizeMB = 1;
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, missing));
    EXPECT_EQ(host.lines.mid(2), RefusedFileLines(missing, "1.tst", "No such file or directory"));
}

TEST_F(SingleWrite, ThirdFileThatCannotBeCreatedEndsThePhase) {
    ASSERT_TRUE(QDir(path).mkdir("3.tst"));
    int32_t nFiles = 4, sizeMB = 1;
    UseSteppingClock(10);
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.mid(host.lines.size() - 2),
              RefusedFileLines(path, "3.tst", "Is a directory"));
    EXPECT_EQ(folder.size("1.tst"), 1 << 20);
    EXPECT_EQ(folder.size("2.tst"), 1 << 20);
    EXPECT_FALSE(folder.exists("4.tst"));
    EXPECT_EQ(host.results.SingleWriteSeconds, 0);
}

TEST_F(SingleWrite, SymbolicLinkNamedLikeATestFileIsNotFollowed) {
    TempFolder elsewhere;
    elsewhere.write("precious.txt", "keep me");
    ASSERT_TRUE(QFile::link(elsewhere.file("precious.txt"), folder.file("1.tst")));
    int32_t nFiles = 1, sizeMB = 1;
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.mid(2),
              RefusedFileLines(path, "1.tst", "Too many levels of symbolic links"));
    QFile precious(elsewhere.file("precious.txt"));
    ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
    EXPECT_EQ(precious.readAll(), "keep me");
}

TEST_F(SingleWrite, PipeNamedLikeATestFileDoesNotHangThePhase) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("1.tst")).constData(), 0644), 0);
    int32_t nFiles = 1, sizeMB = 1;
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.mid(2), RefusedFileLines(path, "1.tst", "No such device or address"));
}

TEST_F(SingleWrite, FullDeviceIsReportedNotTimed) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a 2 MB tmpfs needs root";
    TestMount small(2 * 1024 * 1024);
    ASSERT_TRUE(small.mounted());
    QString target = small.path();
    int32_t nFiles = 3, sizeMB = 1;
    host.disableCaching = false;
    UseSteppingClock(10);
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, target));
    ASSERT_GE(host.lines.size(), 2);
    EXPECT_TRUE(host.lines[host.lines.size() - 2].startsWith(target))
        << host.lines.join('\n').toStdString();
    EXPECT_TRUE(host.lines[host.lines.size() - 2].contains("No space left on device"));
    EXPECT_EQ(host.lines.last(), "Kann auf " + target + " nicht zugreifen!");
    EXPECT_EQ(host.results.SingleWriteSeconds, 0);
}

TEST_F(SingleWrite, ReadOnlyMediumGivesTheAccessFailure) {
    if (!TestMount::Possible()) GTEST_SKIP() << "a read-only bind mount needs root";
    TestMount readOnly(folder.path());
    ASSERT_TRUE(readOnly.mounted());
    QString target = readOnly.path();
    int32_t nFiles = 1, sizeMB = 1;
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, target));
    EXPECT_EQ(host.lines.mid(2), RefusedFileLines(target, "1.tst", "Read-only file system"));
    EXPECT_EQ(phases.LastMeasurement().failedFile, target + "1.tst");
    EXPECT_EQ(phases.LastMeasurement().failedError, EROFS);
}

TEST_F(SingleWrite, OverflowInTheProgressArithmeticGivesText7) {
    // 1 × 2^30 MB: the plan line fits, the whole test's 2 × nFiles × sizeMB does not.
    int32_t nFiles = 1, sizeMB = 1 << 30;
    host.disableCaching = false;
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines[1], "Erstelle 1 Dateien (1073741824 MB)");
    EXPECT_EQ(host.lines.last(), "Werte dürfen nicht größer als 32000 sein!");
    EXPECT_EQ(folder.size("1.tst"), 1 << 20);  // it failed after the first MB
    EXPECT_EQ(OpenDescriptorsOf(folder.file("1.tst")), 0);
}

TEST_F(SingleWrite, PhaseTooShortForTheClockSaysSoAndFails) {
    int32_t nFiles = 2, sizeMB = 1;
    UseSteppingClock(0);
    EXPECT_FALSE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), kTooShort);
    EXPECT_EQ(host.results.SingleWriteSeconds, 0);
    EXPECT_FALSE(phases.LastMeasurement().completed);
}

TEST_F(SingleWrite, SpanAcrossTheCounterSignChangeIsMeasuredCorrectly) {
    int readings = 0;
    clock_ = std::make_unique<ScriptedClock>([&] {
        return readings++ % 2 == 0 ? INT32_MAX - 499 : INT32_MIN + 1500;  // 2000 ms apart
    });
    phases.SetTickSourceFactory(clock_->Factory());
    int32_t nFiles = 1, sizeMB = 1;
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines[3], "Zeit: 2, Sekunden (2000 ms)");
    EXPECT_EQ(host.results.SingleWriteSeconds, 2);
}

TEST_F(SingleWrite, MissingTimerComponentGivesText41) {
    // Registered to a file that is no library: a missing file would fall back to the library
    // beside the program instead.
    TempFolder config;
    config.write("libtickwell.so", "not a library");
    config.write("component-registry",
                 QString("CLSID " + QString::fromStdString(components::GuidToString(CLSID_CTimer)) +
                         " " + config.file("libtickwell.so") + "\n")
                     .toUtf8());
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QFileInfo(config.file("x")).path()));
    int32_t nFiles = 1, sizeMB = 1;
    const bool ok = phases.SingleWriteTest(nFiles, sizeMB, path);
    qputenv("XDG_CONFIG_HOME", previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(host.lines.last(), "Fehler bei der Kommunikation der Timerkomponente!");
    EXPECT_EQ(OpenDescriptorsOf(folder.file("1.tst")), 0);
}

TEST_F(SingleWrite, OptionsAreReadForEachFile) {
    int32_t nFiles = 2, sizeMB = 1;
    UseSteppingClock(10);
    int flagReads = 0;
    // The phase reads the cache option once per file, just before creating it.
    struct CountingHost : RecordingHost {
        int* reads;
        bool DisableCachingChecked() override {
            ++*reads;
            return false;
        }
    } counting;
    counting.reads = &flagReads;
    TestPhases countingPhases(counting);
    countingPhases.SetTickSourceFactory(clock_->Factory());
    ASSERT_TRUE(countingPhases.SingleWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(flagReads, 2);
    EXPECT_EQ(counting.pumpPoints, 21);
}

TEST_F(SingleRead, ReadsBackLogsAndStoresItsResults) {
    int32_t nFiles = 2, sizeMB = 2;
    UseSteppingClock(500);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    host.lines.clear();
    host.progress1.clear();
    host.overall.clear();
    ASSERT_TRUE(phases.SingleReadTest(nFiles, sizeMB, path));
    ASSERT_EQ(host.lines.size(), 10) << host.lines.join('\n').toStdString();
    EXPECT_EQ(host.lines[0], "Lese 4MB");
    EXPECT_EQ(host.lines[1], "Lese Datei  1");
    EXPECT_EQ(host.lines[2], "Zeit: ,5 Sekunden (500 ms)");
    EXPECT_EQ(host.lines[3], "Lese Datei  2");
    EXPECT_EQ(host.lines[5], "<clear>");
    EXPECT_EQ(host.lines[6], "Durchschnitt: ,5 Sek.");
    EXPECT_EQ(host.lines[7], "Durchschnitt: 4, MB/s");
    EXPECT_EQ(host.lines[9], "");
    EXPECT_EQ(host.results.SingleReadSeconds, 0.5);
    EXPECT_EQ(host.results.SingleReadMBps, 4);
    // Progress moves at the pump points: 2048 blocks per file → 21 pump points per file.
    ASSERT_EQ(host.progress1.size(), 41u);
    EXPECT_EQ(host.progress1.front(), 50);  // block 2 lies in MB 1 of file 1
    EXPECT_EQ(host.overall.front(), 62);    // (2 × 2 + 1) × 100 / 8 = 62.5, halves to even
    EXPECT_EQ(host.overall.back(), 100);
}

TEST_F(SingleRead, MissingFileIsNamedAndLeftOutOfTheAverage) {
    int32_t nFiles = 3, sizeMB = 1;
    UseSteppingClock(300);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    QFile::remove(folder.file("2.tst"));
    host.lines.clear();
    ASSERT_TRUE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_TRUE(host.lines.contains(folder.file("2.tst") + ": No such file or directory"))
        << host.lines.join('\n').toStdString();
    EXPECT_FALSE(host.lines.contains("Lese Datei  2"));
    EXPECT_EQ(host.results.SingleReadSeconds, 0.3);  // (300 + 300) ms over the 2 files read
    // File 3 keeps its number in the per-file spans.
    EXPECT_EQ(phases.LastMeasurement().fileMilliseconds, std::vector<int64_t>({300, -1, 300}));
}

TEST_F(SingleRead, FolderOrPipeNamedLikeATestFileIsPassedOverByName) {
    int32_t nFiles = 3, sizeMB = 1;
    UseSteppingClock(100);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    QFile::remove(folder.file("2.tst"));
    QFile::remove(folder.file("3.tst"));
    ASSERT_TRUE(QDir(path).mkdir("2.tst"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("3.tst")).constData(), 0644), 0);
    host.lines.clear();
    ASSERT_TRUE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_TRUE(host.lines.contains(folder.file("2.tst") + ": Is a directory"));
    EXPECT_TRUE(host.lines.contains(folder.file("3.tst") + ": Invalid argument"));
    EXPECT_EQ(host.lines.count("Checksum Error!"), 0);
    EXPECT_EQ(host.results.SingleReadSeconds, 0.1);             // the one file read
    EXPECT_EQ(phases.LastMeasurement().FilesTimed(nFiles), 1);  // the files actually read
}

TEST_F(SingleRead, NoFileToReadGivesTheAccessFailure) {
    int32_t nFiles = 2, sizeMB = 1;
    EXPECT_FALSE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), "Kann auf " + path + " nicht zugreifen!");
    EXPECT_EQ(host.results.SingleReadSeconds, 0);
}

TEST_F(SingleRead, ShortFileGivesOneChecksumLinePerMissingBlockAndCompletes) {
    folder.write("1.tst", Block().repeated(1021));  // three blocks short of 1 MB
    int32_t nFiles = 1, sizeMB = 1;
    UseSteppingClock(100);
    ASSERT_TRUE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.count("Checksum Error!"), 3);
}

TEST_F(SingleRead, AbortClosesTheFile) {
    int32_t nFiles = 1, sizeMB = 1;
    UseSteppingClock(10);
    ASSERT_TRUE(phases.SingleWriteTest(nFiles, sizeMB, path));
    host.abort = true;
    host.pumpPoints = 0;
    host.atPumpPoint = [&] { EXPECT_EQ(OpenDescriptorsOf(folder.file("1.tst")), 1); };
    EXPECT_FALSE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), "Abbruch...");
    EXPECT_EQ(OpenDescriptorsOf(folder.file("1.tst")), 0);
    EXPECT_EQ(host.pumpPoints, 1);
}

TEST_F(SingleRead, PhaseTooShortForTheClockSaysSoInTheLanguageOfTheFile) {
    int32_t nFiles = 1, sizeMB = 1;
    folder.write("1.tst", Block().repeated(1024));
    UseSteppingClock(0);
    EXPECT_FALSE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), kTooShort);
    LoadLanguage(QCoreApplication::applicationDirPath() + "/english.lng");
    EXPECT_FALSE(phases.SingleReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(),
              "The test phase was too short for the millisecond clock! Please use more or larger "
              "files.");
    EXPECT_EQ(host.results.SingleReadSeconds, 0);
}
