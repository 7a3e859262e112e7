// A run touches only the files it created, one run tests a folder at a time, and what it could
// not do is named: real dravelo-cli processes in folders with the user's files planted beside
// the test files, compared byte for byte afterwards.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QStandardPaths>

#include "cli_process.h"
#include "folder_snapshot.h"

using namespace cli;

namespace {

// One file that would grow to 20 GB: long enough for a second run to meet it.
const QStringList kLongRun = {"--files", "1", "--size", "20000", "--no-cache-bypass"};

// The bytes as printf's %b writes them back: "\0ooo" each.
QString OctalEscapes(const QByteArray& bytes) {
    QString escaped;
    for (char byte : bytes)
        escaped += QStringLiteral("\\0%1").arg(static_cast<unsigned char>(byte), 3, 8, QChar(u'0'));
    return escaped;
}

// Entries of a folder named by its bytes, "." and ".." left out.
int EntriesIn(const QByteArray& folder) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return -1;
    int entries = 0;
    while (const dirent* entry = ::readdir(dir))
        if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0) ++entries;
    ::closedir(dir);
    return entries;
}

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

// Files a run did not create stay as they were: lookalikes under test file names make the write
// phase fail without being reported as left behind; numbered files of earlier runs go in a
// single run and are kept, and named, by a multiple run.
TEST(CleanUp, OnlyTheRunsOwnFilesGo) {
    const struct {
        QStringList arguments;
        int exitCode;
        bool earlierFileStays;
    } cases[] = {
        {{"--single", "--files", "3"}, 1, false},
        {{"--multiple", "--files", "3"}, 1, true},
        {{"--multiple", "--files", "1"}, 0, true},
    };
    for (const auto& [arguments, exitCode, earlierFileStays] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        TempFolder folder, elsewhere;
        elsewhere.write("precious.txt", "keep me");
        PlantLookalikes(folder.path(), elsewhere.file("precious.txt"));
        folder.write("9.tst", "left by an earlier run");
        const FolderSnapshot planted = Snapshot(folder.path(), earlierFileStays ? "" : "9\\.tst");
        const Result result = RunCli(QStringList{"--json", "--no-cache-bypass", "--size", "1"} +
                                     arguments + QStringList{folder.path()});
        EXPECT_EQ(result.exitCode, exitCode) << result.err.toStdString();
        const QJsonObject report = Json(result);
        EXPECT_EQ(report["cleanUp"]["filesLeft"].toArray(), QJsonArray());
        const QJsonArray earlier =
            earlierFileStays ? QJsonArray({folder.file("9.tst")}) : QJsonArray();
        EXPECT_EQ(report["leftovers"].toArray(), earlier);
        EXPECT_EQ(result.err.contains("1 numbered test files from before this run stay in the "
                                      "folder: " +
                                      folder.file("9.tst")),
                  earlierFileStays)
            << result.err.toStdString();
        EXPECT_EQ(Snapshot(folder.path()), planted);
        EXPECT_EQ(QFile(elsewhere.file("precious.txt")).size(), 7);
    }
}

// A user who may write the folder but not read it: neither the lock nor the listing can be
// had, the run goes on and removes its files by name, and says what it could not do.
TEST(CleanUp, AFolderThatCannotBeListedIsCleanedByNameAndNamed) {
    if (::geteuid() != 0) GTEST_SKIP() << "running as another user needs root";
    if (QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "setpriv is missing (Debian package util-linux)";
    TempFolder folder;
    folder.write("notes.txt", "the user's own");
    const FolderSnapshot planted = Snapshot(folder.path());
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0333), 0);
    const Result result =
        RunCli({"--reuid=65534", "--regid=65534", "--clear-groups", Program(), "--json",
                "--no-cache-bypass", "--files", "2", "--size", "1", folder.path()},
               {}, "setpriv");
    ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
    EXPECT_EQ(result.exitCode, 3) << result.err.toStdString();
    const QJsonObject report = Json(result);
    EXPECT_EQ(report["outcome"]["status"].toString(), "completed");
    EXPECT_EQ(report["folderLock"].toObject(),
              QJsonObject({{"status", "unavailable"}, {"reason", "open: Permission denied"}}));
    EXPECT_EQ(report["cleanUp"].toObject(),
              QJsonObject({{"complete", false},
                           {"filesLeft", QJsonArray()},
                           {"listingFailure", "opendir: Permission denied"}}));
    EXPECT_TRUE(report["leftovers"].isNull());
    for (const char* line :
         {": testing %1 without holding it against other runs: open: Permission denied\n",
          ": test folder not listed, earlier test files in it were not looked for: %1: "
          "opendir: Permission denied\n"})
        EXPECT_TRUE(result.err.contains(QString(line).arg(folder.path())))
            << result.err.toStdString();
    EXPECT_EQ(Snapshot(folder.path()), planted);
}

// A drive profile there, too, runs without the lock and says so; its file is removed by name.
TEST(CleanUp, AProfileInAFolderThatCannotBeReadRunsUnheldAndSaysSo) {
    if (::geteuid() != 0) GTEST_SKIP() << "running as another user needs root";
    if (QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "setpriv is missing (Debian package util-linux)";
    TempFolder folder;
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0333), 0);
    const Result result = RunCli(
        {"--reuid=65534", "--regid=65534", "--clear-groups", Program(), "--json", "--profile",
         "realworld", "--profile-size", "4", "--runs", "1", "--seconds", "1", folder.path()},
        {}, "setpriv");
    ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject report = Json(result);
    EXPECT_EQ(report["folderLock"].toObject(),
              QJsonObject({{"status", "unavailable"}, {"reason", "open: Permission denied"}}));
    EXPECT_TRUE(result.err.contains(
        QString(": testing %1 without holding it against other runs: open: Permission denied\n")
            .arg(folder.path())))
        << result.err.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

// The folder tested is the one named, byte for byte: with blanks at its end, or with a name
// that is not UTF-8, which reports show with U+FFFD.
TEST(FolderNames, TheFolderAsNamedIsTestedAndNoOther) {
    TempFolder parent;
    const QByteArray latin1Name = "caf\xe9";
    const struct {
        QByteArray tested;
        QList<QByteArray> others;
        int exitCode;
        QString shown;
    } cases[] = {
        {"twin ", {"twin"}, 0, "twin /"},
        {"twin ", {"twin"}, 1, "twin /"},
        {latin1Name, {"caf\xc3\xa9", "caf"}, 0, "caf\uFFFD/"},
    };
    for (const auto& [tested, others, exitCode, shown] : cases) {
        SCOPED_TRACE(QString::fromUtf8(tested).toStdString());
        const QByteArray base = QFile::encodeName(parent.path());
        for (const QByteArray& name : QList<QByteArray>{tested} + others) {
            ::rmdir((base + name).constData());
            ::mkdir((base + name).constData(), 0755);
        }
        if (exitCode != 0) ::rmdir((base + tested).constData());
        for (const QByteArray& other : others) {
            const QByteArray file = base + other + "/5.tst";
            QFile planted(QFile::decodeName(file));
            ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
            planted.write("the twin's own");
        }
        // The shell hands the folder's bytes to the program unchanged.
        QProcess shell;
        shell.setProcessEnvironment(Environment());
        shell.start("bash", {"-c",
                             "exec \"$0\" --json --no-cache-bypass --files 1 --size 1 "
                             "\"$(printf '%b' \"$1\")\"",
                             Program(), OctalEscapes(base + tested)});
        const Result result = Finish(shell);
        EXPECT_EQ(result.exitCode, exitCode) << result.err.toStdString();
        EXPECT_EQ(Json(result)["folder"].toString(), parent.path() + shown);
        for (const QByteArray& other : others) {
            QFile planted(QFile::decodeName(base + other + "/5.tst"));
            ASSERT_TRUE(planted.open(QIODevice::ReadOnly));
            EXPECT_EQ(planted.readAll(), "the twin's own");
        }
        if (exitCode == 0) {
            EXPECT_EQ(EntriesIn(base + tested), 0);
        }
    }
}
