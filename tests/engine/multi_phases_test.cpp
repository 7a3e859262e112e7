// The multiple-file phases on real files in a temporary folder.
#include <QFile>
#include <map>
#include <vector>

#include "phase_test_support.h"

using MultiWrite = PhaseTest;
using MultiRead = PhaseTest;

TEST_F(MultiWrite, WritesAllFilesRoundRobinAndLogsOneTimeLine) {
    int32_t nFiles = 4, sizeMB = 2;
    std::vector<std::vector<qint64>> blocksAtPumpPoint;
    host.atPumpPoint = [&] {
        std::vector<qint64> blocks;
        for (int k = 1; k <= 4; ++k) blocks.push_back(folder.size(QString("%1.tst").arg(k)) / 1024);
        blocksAtPumpPoint.push_back(blocks);
    };
    UseSteppingClock(1234567);
    ASSERT_TRUE(phases.MultiWriteTest(nFiles, sizeMB, path));

    // Every file grows in step: after pass 2 each holds 2 blocks, after pass 102 each 102.
    ASSERT_GE(blocksAtPumpPoint.size(), 2u);
    EXPECT_EQ(blocksAtPumpPoint[0], std::vector<qint64>(4, 2));
    EXPECT_EQ(blocksAtPumpPoint[1], std::vector<qint64>(4, 102));
    EXPECT_EQ(blocksAtPumpPoint.size(), 21u);

    for (int k = 1; k <= 4; ++k) {
        QFile file(folder.file(QString("%1.tst").arg(k)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), Block().repeated(2048));
    }
    ASSERT_EQ(host.lines.size(), 9) << host.lines.join('\n').toStdString();
    EXPECT_EQ(host.lines[1], "Erstelle 4 Dateien (8 MB)");
    EXPECT_EQ(host.lines[2], "Schreibe... ");
    EXPECT_EQ(host.lines[3], "Zeit: 1.234,57 Sekunden (1234567 ms)");
    EXPECT_EQ(host.lines[4], "<clear>");
    EXPECT_EQ(host.lines[5], "Durchschnitt: 308,64 Sek.");
    EXPECT_EQ(host.lines[6], "Durchschnitt: ,01 MB/s");
    EXPECT_EQ(host.lines[8], "");
    EXPECT_DOUBLE_EQ(host.results.MultiWriteSeconds, 1234.567 / 4);
    EXPECT_DOUBLE_EQ(host.results.MultiWriteMBps, 2 / (1234.567 / 4));
    EXPECT_EQ(host.results.SingleWriteSeconds, 0);
    EXPECT_EQ(host.progress1, std::vector<double>({50, 100}));
    EXPECT_EQ(host.overall, std::vector<int16_t>({25, 50}));
}

TEST_F(MultiWrite, OneFileBehavesLikeTheSingleWritePumpSchedule) {
    int32_t nFiles = 1, sizeMB = 1;
    std::vector<qint64> blocks;
    host.atPumpPoint = [&] { blocks.push_back(folder.size("1.tst") / 1024); };
    UseSteppingClock(10);
    ASSERT_TRUE(phases.MultiWriteTest(nFiles, sizeMB, path));
    std::vector<qint64> expected;
    for (qint64 block = 2; block <= 1002; block += 100) expected.push_back(block);
    EXPECT_EQ(blocks, expected);
}

TEST_F(MultiWrite, ThirdFileThatCannotBeCreatedLeavesTwoEmptyClosedFiles) {
    ASSERT_TRUE(QDir(path).mkdir("3.tst"));
    int32_t nFiles = 3, sizeMB = 1;
    EXPECT_FALSE(phases.MultiWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.mid(2), RefusedFileLines(path, "3.tst", "Is a directory"));
    EXPECT_EQ(folder.size("1.tst"), 0);
    EXPECT_EQ(folder.size("2.tst"), 0);
    EXPECT_EQ(OpenTestFiles(), 0);
}

TEST_F(MultiWrite, AbortLeavesEveryFileClosedAtTheLengthReached) {
    int32_t nFiles = 3, sizeMB = 1;
    host.atPumpPoint = [&] { host.abort = host.pumpPoints == 2; };
    EXPECT_FALSE(phases.MultiWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), "Abbruch...");
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(folder.size(QString("%1.tst").arg(k)), 102 * 1024);
    EXPECT_EQ(OpenTestFiles(), 0);
    EXPECT_EQ(host.results.MultiWriteSeconds, 0);
}

TEST_F(MultiWrite, OptionsAreFixedBeforeTheFirstFile) {
    struct CountingHost : RecordingHost {
        int reads = 0;
        bool DisableCachingChecked() override { return ++reads, false; }
    } counting;
    TestPhases countingPhases(counting);
    UseSteppingClock(10);
    countingPhases.SetTickSourceFactory(clock_->Factory());
    int32_t nFiles = 3, sizeMB = 1;
    ASSERT_TRUE(countingPhases.MultiWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(counting.reads, 1);
}

TEST_F(MultiWrite, PhaseTooShortForTheClockSaysSoAndClosesEverything) {
    int32_t nFiles = 2, sizeMB = 1;
    UseSteppingClock(0);
    EXPECT_FALSE(phases.MultiWriteTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), kTooShort);
    EXPECT_EQ(OpenTestFiles(), 0);
}

TEST_F(MultiWrite, FullDeviceIsReportedNotTimed) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a 2 MB tmpfs needs root";
    TestMount small(2 * 1024 * 1024);
    ASSERT_TRUE(small.mounted());
    QString target = small.path();
    int32_t nFiles = 3, sizeMB = 1;
    UseSteppingClock(10);
    EXPECT_FALSE(phases.MultiWriteTest(nFiles, sizeMB, target));
    EXPECT_TRUE(host.lines[host.lines.size() - 2].contains("No space left on device"))
        << host.lines.join('\n').toStdString();
    EXPECT_EQ(host.lines.last(), "Kann auf " + target + " nicht zugreifen!");
}

TEST_F(MultiRead, ReadsBackRoundRobinAndStoresItsResults) {
    int32_t nFiles = 4, sizeMB = 1;
    UseSteppingClock(800);
    ASSERT_TRUE(phases.MultiWriteTest(nFiles, sizeMB, path));
    host.lines.clear();
    host.progress1.clear();
    host.overall.clear();
    // One block of each file in turn: at each pump point every file has been read equally far.
    std::vector<std::map<QString, qint64>> positionsAtPumpPoint;
    host.atPumpPoint = [&] { positionsAtPumpPoint.push_back(TestFilePositions()); };
    int64_t micros = 0;
    phases.SetPreciseClock([&] { return micros += 400'123; });
    ASSERT_TRUE(phases.MultiReadTest(nFiles, sizeMB, path));

    ASSERT_EQ(positionsAtPumpPoint.size(), 11u);
    for (size_t i = 0; i < positionsAtPumpPoint.size(); ++i) {
        const qint64 blocks = i == 0 ? 2 : 2 + 100 * qint64(i);
        const std::map<QString, qint64> expected = {{"1.tst", blocks * 1024},
                                                    {"2.tst", blocks * 1024},
                                                    {"3.tst", blocks * 1024},
                                                    {"4.tst", blocks * 1024}};
        EXPECT_EQ(positionsAtPumpPoint[i], expected) << "pump point " << i + 1;
    }
    ASSERT_EQ(host.lines.size(), 7) << host.lines.join('\n').toStdString();
    EXPECT_EQ(host.lines[0], "Lese 4MB");
    EXPECT_EQ(host.lines[1], "Zeit: ,8 Sekunden (800 ms)");
    EXPECT_EQ(host.lines[2], "<clear>");
    EXPECT_EQ(host.lines[3], "Durchschnitt: ,2 Sek.");
    EXPECT_EQ(host.lines[4], "Durchschnitt: 5, MB/s");
    EXPECT_EQ(host.results.MultiReadSeconds, 0.2);
    EXPECT_EQ(host.results.MultiReadMBps, 5);
    EXPECT_EQ(host.progress1.size(), 11u);
    EXPECT_EQ(host.overall.front(), 100);  // (1 + 1) × 100 / 2 in the only MB
    // The phase is one span on both clocks.
    const PhaseMeasurement& measured = phases.LastMeasurement();
    EXPECT_TRUE(measured.completed);
    EXPECT_EQ(measured.milliseconds, 800);
    EXPECT_EQ(measured.microseconds, 400'123);
    EXPECT_TRUE(measured.fileMilliseconds.empty());
}

TEST_F(MultiRead, MissingFileEndsThePhase) {
    int32_t nFiles = 3, sizeMB = 1;
    UseSteppingClock(10);
    ASSERT_TRUE(phases.MultiWriteTest(nFiles, sizeMB, path));
    QFile::remove(folder.file("2.tst"));
    host.lines.clear();
    EXPECT_FALSE(phases.MultiReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines, RefusedFileLines(path, "2.tst", "No such file or directory"));
    EXPECT_EQ(phases.LastMeasurement().failedFile, path + "2.tst");
    EXPECT_EQ(OpenTestFiles(), 0);
}

TEST_F(MultiRead, ShortFileGivesCountedChecksumLinesAndCompletes) {
    int32_t nFiles = 2, sizeMB = 1;
    UseSteppingClock(10);
    ASSERT_TRUE(phases.MultiWriteTest(nFiles, sizeMB, path));
    ASSERT_TRUE(QFile::resize(folder.file("2.tst"), 1020 * 1024 + 100));
    host.lines.clear();
    ASSERT_TRUE(phases.MultiReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.count("Checksum Error! (100)"), 1);
    EXPECT_EQ(host.lines.count("Checksum Error! (0)"), 3);
}

TEST_F(MultiRead, PhaseTooShortForTheClockSaysSo) {
    int32_t nFiles = 1, sizeMB = 1;
    folder.write("1.tst", Block().repeated(1024));
    UseSteppingClock(0);
    EXPECT_FALSE(phases.MultiReadTest(nFiles, sizeMB, path));
    EXPECT_EQ(host.lines.last(), kTooShort);
}
