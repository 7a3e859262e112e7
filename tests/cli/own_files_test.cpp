// A run touches only the files it created, one run tests a folder at a time, and what it could
// not do is named: real dravelo-cli processes in folders with the user's files planted beside
// the test files, compared byte for byte afterwards.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "cli_process.h"
#include "folder_snapshot.h"

using namespace cli;

namespace {

// One file that would grow to 20 GB: long enough for a second run to meet it.
const QStringList kLongRun = {"--files", "1", "--size", "20000", "--no-cache-bypass"};

}  // namespace

// A second run, of either test, started while one tests the folder is refused before it writes
// anything; the first run goes on and cleans up after itself.
TEST(Refusals, ASecondRunInTheSameFolderIsRefusedAndTouchesNothing) {
    TempFolder folder, elsewhere;
    elsewhere.write("precious.txt", "keep me");
    PlantLookalikes(folder.path(), elsewhere.file("precious.txt"));
    const FolderSnapshot planted = Snapshot(folder.path());
    QProcess first;
    Start(first, kLongRun + QStringList{folder.path()});
    ASSERT_TRUE(WaitUntilWriting(folder, first));
    for (const QStringList& second :
         {QStringList{"--single", "--files", "5"}, QStringList{"--multiple", "--files", "6"}}) {
        SCOPED_TRACE(second.join(' ').toStdString());
        const Result refused = RunCli(QStringList{"--json", "--log-file", "--no-cache-bypass"} +
                                      second + QStringList{folder.path()});
        EXPECT_EQ(refused.exitCode, 1) << refused.err.toStdString();
        const QJsonObject report = Json(refused);
        EXPECT_EQ(
            report["outcome"].toObject(),
            QJsonObject({{"status", "refused"}, {"reason", "another test is using the folder"}}));
        EXPECT_EQ(report["folderLock"]["status"].toString(), "in use");
        EXPECT_EQ(report["log"].toArray(), QJsonArray({ShippedText("english.lng", 86)}));
        EXPECT_EQ(refused.err, "dravelo-cli: cannot test " + folder.path() +
                                   ": another test is using the folder\n");
        EXPECT_EQ(Snapshot(folder.path(), "1\\.tst"), planted);
        EXPECT_EQ(first.state(), QProcess::Running);
        EXPECT_TRUE(folder.exists("1.tst"));
    }
    ASSERT_TRUE(SendSignal(first, SIGINT));
    EXPECT_EQ(Finish(first).exitCode, 128 + SIGINT);
    EXPECT_EQ(Snapshot(folder.path()), planted);
}
