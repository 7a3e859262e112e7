// More test files than the process may hold open: the multiple test fails with the access-failure
// line and its exit status, without a crash, and leaves no test file behind.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include "fault_run.h"

TEST(OpenFileLimit, MoreFilesThanTheHardLimitFailClearlyAndLeaveNoFile) {
    const QString prlimit = QStandardPaths::findExecutable("prlimit");
    if (prlimit.isEmpty()) GTEST_SKIP() << "prlimit is missing (Debian package util-linux)";
    TempFolder folder;
    PlantUserFiles(folder.path());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(environment);
    // 64 descriptors at most, soft and hard: the program cannot raise it, 100 files cannot fit.
    process.start(prlimit,
                  {"--nofile=64:64", QCoreApplication::applicationDirPath() + "/dravelo-cli",
                   "--multiple", "--files", "100", "--size", "1", "--no-cache-bypass", "--lang",
                   "deutsch.lng", folder.path()});
    ASSERT_TRUE(process.waitForFinished(120000));
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit) << "the program crashed";
    EXPECT_EQ(process.exitCode(), 1);
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    EXPECT_TRUE(lines.contains("Kann auf " + folder.path() + " nicht zugreifen!"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    ExpectUserFilesUnchanged(folder.path());
}
