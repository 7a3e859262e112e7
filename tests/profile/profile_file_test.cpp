// The profile's test file in a real folder: laid out in full with incompressible bytes before it
// is read, and gone after a completed profile, a failure, a stop and a refused folder, with
// every other file of the folder left byte for byte.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include "FolderLock.h"
#include "ProfileFailure.h"
#include "ProfileFile.h"
#include "ProfileJsonObject.h"
#include "ProfileRun.h"
#include "ProfileSession.h"
#include "profile_test_support.h"
#include "temp_folder.h"

using namespace profiletest;

namespace {

ProfileSettings SmallProfile(std::vector<ProfileTest> tests, int32_t seconds = 1) {
    ProfileSettings settings;
    settings.tests = std::move(tests);
    settings.fileBytes = kFileBytes;
    settings.runs = 1;
    settings.secondsPerRun = seconds;
    return settings;
}

const QByteArray kPlanted = QByteArrayLiteral("the user's own file\n");

void Plant(const TempFolder& folder) {
    folder.write("notes.txt", kPlanted);
    folder.write("DraveloProfile-keep.tmp", kPlanted);
}

void ExpectOnlyThePlantedFiles(const TempFolder& folder) {
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"DraveloProfile-keep.tmp", "notes.txt"}));
    for (const char* name : {"notes.txt", "DraveloProfile-keep.tmp"}) {
        QFile file(folder.file(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), kPlanted) << name;
    }
}

TEST(ProfileFileTest, IsLaidOutInFullWithIncompressibleBytesAndRemoved) {
    TempFolder folder;
    Plant(folder);
    const std::atomic<bool> never{false};
    QString path;
    {
        ProfileFile file(folder.path(), kFileBytes, true);
        path = file.Path();
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith("DraveloProfile-"));
        ASSERT_TRUE(file.LayOut(never));
        EXPECT_EQ(QFileInfo(path).size(), kFileBytes);
        QFile content(path);
        ASSERT_TRUE(content.open(QIODevice::ReadOnly));
        ASSERT_TRUE(content.seek(kFileBytes - (1 << 20)));
        const QByteArray sample = content.read(1 << 20);
        ASSERT_EQ(sample.size(), 1 << 20);
        // qCompress is zlib: random bytes shrink by less than 1 %, if at all.
        EXPECT_GT(qCompress(sample, 9).size(), sample.size() * 99 / 100);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    ExpectOnlyThePlantedFiles(folder);
}

TEST(ProfileRunTest, CompletedProfileGivesEveryFigureAndLeavesOnlyThePlantedFiles) {
    TempFolder folder;
    Plant(folder);
    const std::atomic<bool> never{false};
    const ProfileSettings settings = SmallProfile(
        {{AccessPattern::Sequential, 1 << 20, 8, 1, 1}, {AccessPattern::Random, 4096, 2, 1, 0.7}});
    std::vector<QString> done;
    ProfileObserver observer;
    observer.testDone = [&](const ProfileTestResult& r) { done.push_back(r.test.Name()); };
    const ProfileReport report = RunProfile(settings, folder.path(), observer, never);
    ASSERT_EQ(report.outcome, ProfileOutcome::Completed) << report.failure.toStdString();
    EXPECT_EQ(report.engine, "io_uring");
    EXPECT_TRUE(report.cacheBypass);
    EXPECT_TRUE(report.fileRemoved);
    EXPECT_EQ(done, (std::vector<QString>{"SEQ1M Q8T1", "RND4K Q2T1 MIX70"}));
    ASSERT_EQ(report.tests.size(), 2u);
    for (const ProfileTestResult& test : report.tests) {
        for (const auto* figures : {&test.read, &test.write}) {
            ASSERT_TRUE(figures->has_value()) << test.test.Name().toStdString();
            const DirectionFigures& f = **figures;
            ASSERT_EQ(f.runs.size(), 1u);
            EXPECT_GT(f.median.IOPS, 0);
            EXPECT_DOUBLE_EQ(f.median.MBps, f.median.MiBps * 1.048576);
            EXPECT_DOUBLE_EQ(f.median.MBps * 1e6, f.median.IOPS * test.test.blockBytes);
            EXPECT_GT(f.latency.Count(), 0u);
            EXPECT_LE(f.latency.PercentileNanoseconds(0.99), f.latency.MaxNanoseconds());
            EXPECT_GT(f.cpuSecondsPerGiB, 0);
        }
    }
    // The mix's reads are about 70 % of its requests.
    const auto& mix = report.tests[1];
    const double reads = double(mix.read->latency.Count());
    EXPECT_NEAR(reads / (reads + mix.write->latency.Count()), 0.7, 0.1);
    ExpectOnlyThePlantedFiles(folder);
}

TEST(ProfileRunTest, MedianMinAndMaxAreEachTakenOverTheRuns) {
    DirectionFigures figures;
    figures.runs = {{300, 1, 9}, {100, 2, 8}, {200, 4, 7}, {400, 3, 6}};
    SummariseRuns(figures);
    EXPECT_DOUBLE_EQ(figures.median.MBps, 250);
    EXPECT_DOUBLE_EQ(figures.median.MiBps, 2.5);
    EXPECT_DOUBLE_EQ(figures.median.IOPS, 7.5);
    EXPECT_DOUBLE_EQ(figures.min.MBps, 100);
    EXPECT_DOUBLE_EQ(figures.max.MiBps, 4);
    EXPECT_DOUBLE_EQ(figures.min.IOPS, 6);
}

TEST(ProfileRunTest, RefusedFoldersFailWithTheReasonAndCreateNothing) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a tmpfs needs root";
    const std::atomic<bool> never{false};
    const ProfileSettings settings = SmallProfile({{AccessPattern::Random, 4096, 1, 1, 1}});
    TestMount tooSmall(4 << 20);
    TempFolder source;
    TestMount readOnly(source.path());
    ASSERT_TRUE(tooSmall.mounted() && readOnly.mounted());
    const std::pair<QString, QString> cases[] = {
        {tooSmall.path(), "MB free, the test file needs 9 MB"},
        {readOnly.path(), "Read-only file system"},
        {source.path() + "missing/", "No such file or directory"},
    };
    for (const auto& [path, reason] : cases) {
        const ProfileReport report = RunProfile(settings, path, {}, never);
        EXPECT_EQ(report.outcome, ProfileOutcome::Failed) << path.toStdString();
        EXPECT_TRUE(report.failure.contains(reason)) << report.failure.toStdString();
        EXPECT_TRUE(report.tests.empty());
        EXPECT_TRUE(ProfileFilesIn(path).isEmpty());
    }
}

TEST(ProfileRunTest, AFolderAnotherRunHoldsIsLeftAlone) {
    TempFolder folder;
    Plant(folder);
    const FolderLock other(folder.path());
    ASSERT_TRUE(other.Held());
    const std::atomic<bool> never{false};
    const ProfileReport report = RunProfile(SmallProfile({{AccessPattern::Random, 4096, 1, 1, 1}}),
                                            folder.path(), {}, never);
    EXPECT_EQ(report.outcome, ProfileOutcome::Failed);
    EXPECT_TRUE(report.failure.contains("in use by another Dravelo run"));
    EXPECT_EQ(report.folderLock, FolderLockState::InUse);
    // Nothing ran, so the report claims no engine, cache mode or buffers.
    const QJsonObject json = ProfileJsonObject(report);
    for (const char* unused : {"engine", "cacheBypass", "registeredBuffers"})
        EXPECT_TRUE(json[unused].isNull()) << unused;
    ExpectOnlyThePlantedFiles(folder);
}

// The file fits when the profile starts; the user's own file then takes the space it needed.
TEST(ProfileRunTest, AFullFolderDuringTheLayOutFailsAndRemovesTheFile) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a tmpfs needs root";
    TestMount tmpfs(12 << 20);
    ASSERT_TRUE(tmpfs.mounted());
    const std::atomic<bool> never{false};
    ProfileFile file(tmpfs.path(), kFileBytes, true);
    QFile filler(tmpfs.path() + "filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(6 << 20, 'x'));
    filler.close();
    try {
        file.LayOut(never);
        FAIL() << "laid out beyond the free space";
    } catch (const ProfileFailure& failure) {
        EXPECT_TRUE(failure.message.contains("No space left on device"))
            << failure.message.toStdString();
    }
    EXPECT_TRUE(file.Remove());
    EXPECT_EQ(QDir(tmpfs.path()).entryList(QDir::Files), QStringList{"filler"});
}

class RecordingHost : public ProfileHost {
  public:
    void ProfileProgress(int, int) override { ++progress; }
    void ProfileLog(const QString& line) override { lines << line; }
    void ProfileTestDone(const ProfileTestResult&) override { ++tests; }
    void ProfileFinished(const ProfileReport& r) override {
        report = r;
        finished = true;
    }
    int progress = 0, tests = 0;
    QStringList lines;
    ProfileReport report;
    bool finished = false;
};

TEST(ProfileSessionTest, StopEndsTheProfileAtOnceAndRemovesItsFile) {
    TempFolder folder;
    Plant(folder);
    RecordingHost host;
    ProfileSession session(host);
    // A minute per run: only the stop can end it within the wait.
    ASSERT_TRUE(
        session.Start(SmallProfile({{AccessPattern::Random, 4096, 4, 1, 1}}, 60), folder.path()));
    QSignalSpy started(&session, &ProfileSession::Progressed);
    ASSERT_TRUE(started.wait(20000));
    EXPECT_EQ(ProfileFilesIn(folder.path()).size(), 2);  // the planted one and the profile's
    session.Stop();
    QSignalSpy finished(&session, &ProfileSession::Finished);
    ASSERT_TRUE(finished.wait(10000));
    QCoreApplication::processEvents();
    ASSERT_TRUE(host.finished);
    EXPECT_EQ(host.report.outcome, ProfileOutcome::Stopped);
    EXPECT_TRUE(host.report.tests.empty());
    EXPECT_EQ(host.tests, 0);
    EXPECT_GE(host.progress, 1);
    EXPECT_FALSE(session.Running());
    ExpectOnlyThePlantedFiles(folder);
}

// An ordinary user may lock 8 MiB: a ring of 32 MiB buffers then runs with unregistered ones.
TEST(RegisteredBuffersTest, BeyondTheLockedMemoryLimitTheRingTakesUnregisteredBuffers) {
    if (::geteuid() != 0) GTEST_SKIP() << "switching to an ordinary user needs root";
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (setpriv.isEmpty()) GTEST_SKIP() << "setpriv (util-linux) is not installed";
    QTemporaryDir dir(QDir::currentPath() + "/probe-XXXXXX");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::WriteOther | QFileDevice::ExeOther);
    const QString probe = QCoreApplication::applicationDirPath() + "/profile_probe";
    const auto run = [&](const QStringList& prefix) {
        QProcess process;
        const QStringList command = prefix + QStringList{probe, dir.path()};
        process.start(command.first(), command.mid(1));
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    // Root may lock any amount, unless the container took that capability away.
    EXPECT_TRUE(run({}).startsWith("completed registered="));
    EXPECT_EQ(run({setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", "--inh-caps=-all",
                   "--bounding-set=-all"}),
              "completed registered=0");
    EXPECT_TRUE(ProfileFilesIn(dir.path()).isEmpty());
}

}  // namespace
