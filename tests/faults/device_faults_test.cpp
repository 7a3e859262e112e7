// Faults of real devices and of the C library beside the injected ones: a tmpfs that fills up,
// a folder made read-only between the write and the read phase, a test file made immutable
// before the end stage, and fiu-run failing the terminal program's first write and first fsync.
// Each case is checked against its row of the fault table in tests/README.md; a case whose
// mount, attribute or tool this machine refuses is skipped with the reason.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <set>

#include "fault_run.h"

namespace {

// A folder bound to a second place, writable until MakeReadOnly.
class BindMount {
  public:
    explicit BindMount(const QString& source) {
        mounted_ = ::mount(QFile::encodeName(source).constData(), Target().constData(), nullptr,
                           MS_BIND, nullptr) == 0;
    }
    ~BindMount() {
        if (mounted_) ::umount2(Target().constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path() + u'/'; }
    bool MakeReadOnly() {
        return ::mount(nullptr, Target().constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    }

  private:
    QByteArray Target() const { return QFile::encodeName(dir_.path()); }
    QTemporaryDir dir_;
    bool mounted_ = false;
};

bool WritePhaseOver(const QStringList& lines) {
    for (const QString& line : lines)
        if (line.startsWith("Testende: ")) return true;
    return false;
}

class DeviceFaults : public FaultTest {
  protected:
    FaultRow Row(const QString& fault) {
        ran_.insert(fault);
        for (const FaultRow& row : FaultRows(TestName()))
            if (row.call == fault) return row;
        ADD_FAILURE() << "no row for " << fault.toStdString();
        return {};
    }

    static std::set<QString> described(const QString& test, const QString& kind) {
        std::set<QString> faults;
        for (const FaultRow& row : FaultRows(test))
            if (row.call.contains(kind)) faults.insert(row.call);
        return faults;
    }

    std::set<QString> ran_;
};

TEST_P(DeviceFaults, TmpfsThatFillsUpInTheWritePhase) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a tmpfs needs root";
    TestMount small(2 * 1024 * 1024);
    if (!small.mounted()) GTEST_SKIP() << "this machine refused to mount a tmpfs";
    FaultRun run(Multiple(), small.path());
    const FaultRow row = Row("full tmpfs");
    ExpectAsTheRowSays(row, kFaultErrors.at(row.errors.value(0)), run.Run(), FaultRun::kFiles);
    EXPECT_EQ(DescriptorsInto(small.path()), 0);
}

TEST_P(DeviceFaults, FolderMadeReadOnlyBetweenTheWriteAndTheReadPhase) {
    if (!TestMount::Possible()) GTEST_SKIP() << "a bind mount needs root";
    TempFolder folder;
    BindMount bind(folder.path());
    if (!bind.mounted()) GTEST_SKIP() << "this machine refused the bind mount";
    FaultRun run(Multiple(), bind.path());
    bool readOnly = false;
    run.host.atPumpPoint = [&] {
        // The first question after the write phase's end line comes before the read phase.
        if (!readOnly && WritePhaseOver(run.host.lines)) readOnly = bind.MakeReadOnly();
    };
    const Observed seen = run.Run();
    if (!readOnly) GTEST_SKIP() << "this machine refused to remount the folder read-only";
    const FaultRow row = Row("read-only folder");
    ExpectAsTheRowSays(row, kFaultErrors.at(row.errors.value(0)), seen, FaultRun::kFiles);
    EXPECT_EQ(DescriptorsInto(bind.path()), 0);
}

TEST_P(DeviceFaults, TestFileMadeImmutableBeforeTheEndStage) {
    TempFolder folder;
    FaultRun run(Multiple(), folder.path());
    std::unique_ptr<ImmutableFile> stuck;
    run.host.beforeEndStage = [&] {
        stuck = std::make_unique<ImmutableFile>(folder.file("2.tst"));
    };
    const Observed seen = run.Run();
    if (!stuck || !stuck->set())
        GTEST_SKIP() << "this file system or user cannot make a file immutable (chattr +i)";
    const FaultRow row = Row("immutable file");
    ExpectAsTheRowSays(row, kFaultErrors.at(row.errors.value(0)), seen, FaultRun::kFiles);
    EXPECT_EQ(DescriptorsInto(folder.path()), 0);
}

// ---- fiu-run ----------------------------------------------------------------------------------

Observed RunCliUnderFiu(const QString& failurePoint, int error, bool multiple,
                        const QString& folder) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    // The test build's clock seam: a phase of three 1 MB files from the system cache can end
    // within one millisecond of the real clock, which the program rightly refuses to time.
    environment.insert("DRAVELO_CLI_CLOCK_STEP_MS", "7");
    process.setProcessEnvironment(environment);
    const QString failure =
        QString("enable name=%1,failinfo=%2,onetime").arg(failurePoint).arg(error);
    process.start(
        "fiu-run",
        {"-x", "-c", failure, QCoreApplication::applicationDirPath() + "/dravelo-cli-clocked",
         multiple ? "--multiple" : "--single", "--files", QString::number(FaultRun::kFiles),
         "--size", "1", "--log-file", "--lang", "deutsch.lng", folder});
    Observed seen;
    seen.folder = folder;
    if (!process.waitForFinished(120000)) return seen;
    seen.completed = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    const bool stopped = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 1;
    EXPECT_TRUE(seen.completed || stopped) << process.readAllStandardError().toStdString();
    seen.lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    return seen;
}

TEST_P(DeviceFaults, FiuRunFailsTheFirstWriteAndTheFirstFsync) {
    if (QStandardPaths::findExecutable("fiu-run").isEmpty())
        GTEST_SKIP() << "fiu-run is missing (Debian package fiu-utils)";
    const std::pair<const char*, const char*> cases[] = {
        {"first write (fiu-run)", "posix/io/rw/write"},
        {"first fsync (fiu-run)", "posix/io/sync/fsync"}};
    for (const auto& [fault, point] : cases) {
        const FaultRow row = Row(fault);
        for (const QString& errorName : row.errors) {
            SCOPED_TRACE((QString(fault) + " " + errorName).toStdString());
            TempFolder folder;
            PlantUserFiles(folder.path());
            const int error = kFaultErrors.at(errorName);
            ExpectAsTheRowSays(row, error, RunCliUnderFiu(point, error, Multiple(), folder.path()),
                               FaultRun::kFiles);
        }
    }
    EXPECT_EQ(ran_, described(TestName(), "fiu-run"));
}

// The table's rows for real devices are exactly the cases above.
TEST_P(DeviceFaults, TableHoldsTheRealDeviceCases) {
    EXPECT_EQ(described(TestName(), " "),
              (std::set<QString>{"full tmpfs", "read-only folder", "immutable file",
                                 "first write (fiu-run)", "first fsync (fiu-run)"}));
}

INSTANTIATE_TEST_SUITE_P(BothTests, DeviceFaults, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Multiple" : "Single"; });

}  // namespace
