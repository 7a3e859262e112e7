// Signals to a running dravelo-cli: each of SIGINT, SIGTERM, SIGHUP and SIGPIPE is a close
// request that stops the running phase and still deletes the test files; a second one (not
// SIGPIPE) ends the program at once.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QThread>
#include <cstring>
#include <random>

#include "cli_process.h"

using namespace cli;

namespace {

// A single test long enough to be interrupted: one file that would grow to 20 GB.
const QStringList kLongRun = {"--json", "--lang", "deutsch.lng", "--files",          "1",
                              "--size", "20000",  "--log-file",  "--no-cache-bypass"};

bool IsStopped(QProcess& process) {
    QFile stat(QString("/proc/%1/stat").arg(process.processId()));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    // "pid (name) state ...": the state follows the name's closing parenthesis.
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && line.mid(end + 2, 1) == "T";
}

void ExpectLogFileEndsWithTheAbort(const TempFolder& folder) {
    const QStringList logs = QDir(folder.path()).entryList({"Single_DraveloLog_*.log"});
    ASSERT_EQ(logs.size(), 1);
    QFile log(folder.file(logs.first()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().trimmed().endsWith("Abbruch..."));
}

}  // namespace

TEST(CloseRequests, EachSignalStopsThePhaseAndTheTestFilesGo) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(strsignal(signal));
        TempFolder folder;
        QProcess process;
        Start(process, kLongRun + QStringList{folder.path()});
        ASSERT_TRUE(WaitUntilWriting(folder, process));
        ASSERT_TRUE(SendSignal(process, signal));
        const Result result = Finish(process);
        EXPECT_EQ(result.exitCode, 128 + signal) << result.err.toStdString();
        const QJsonObject report = Json(result);
        EXPECT_EQ(report["outcome"].toObject(),
                  QJsonObject({{"status", "interrupted"},
                               {"signal", QString("SIG") + sigabbrev_np(signal)},
                               {"signalNumber", signal}}));
        EXPECT_EQ(report["log"].toArray().last().toString(), "Abbruch...");
        EXPECT_TRUE(TestFiles(folder.path()).isEmpty());
        ExpectLogFileEndsWithTheAbort(folder);
    }
}

// `dravelo-cli | head -1`: the reader goes away after the first line; every later line raises
// SIGPIPE again, and the run still stops and cleans up, with status 141.
TEST(CloseRequests, AReaderThatGoesAwayStopsTheRunWhichCleansUp) {
    TempFolder folder;
    QProcess shell;
    shell.setProcessEnvironment(Environment());
    const QString command = QString(
                                "'%1' --lang deutsch.lng --files 2000 --size 1 --log-file "
                                "--no-cache-bypass '%2' | head -n 1; echo ${PIPESTATUS[0]}")
                                .arg(Program(), folder.path());
    shell.start("bash", {"-c", command});
    ASSERT_TRUE(shell.waitForFinished(120000));
    const QStringList out = QString::fromUtf8(shell.readAllStandardOutput()).split('\n');
    ASSERT_EQ(out.size(), 3);  // the first log line, the status, the end of the last line
    EXPECT_TRUE(out[0].startsWith("Teststart: "));
    EXPECT_EQ(out[1], "141");
    EXPECT_TRUE(shell.readAllStandardError().isEmpty());
    EXPECT_TRUE(TestFiles(folder.path()).isEmpty());
    ExpectLogFileEndsWithTheAbort(folder);
}

// Two signals delivered together (the process is held stopped while they arrive): a second
// SIGINT, SIGTERM or SIGHUP ends the program at once, while SIGPIPE never counts as a second.
TEST(CloseRequests, ASecondRequestEndsAtOnceButSigpipeNeverCounts) {
    const struct {
        int first, second;  // delivered lowest number first
        bool endsAtOnce;
    } cases[] = {{SIGHUP, SIGTERM, true},
                 {SIGINT, SIGTERM, true},
                 {SIGPIPE, SIGTERM, true},
                 {SIGINT, SIGPIPE, false}};
    for (const auto& [first, second, endsAtOnce] : cases) {
        SCOPED_TRACE(std::string(strsignal(first)) + " + " + strsignal(second));
        TempFolder folder;
        QProcess process;
        Start(process, kLongRun + QStringList{folder.path()});
        ASSERT_TRUE(WaitUntilWriting(folder, process));
        ASSERT_TRUE(SendSignal(process, SIGSTOP));
        ASSERT_TRUE(RunEventLoopUntil([&] { return IsStopped(process); }, 30000));
        ASSERT_TRUE(SendSignal(process, first));
        ASSERT_TRUE(SendSignal(process, second));
        ASSERT_TRUE(SendSignal(process, SIGCONT));
        ASSERT_TRUE(process.waitForFinished(60000));
        if (endsAtOnce) {
            EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        } else {
            EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(process.exitCode(), 128 + first);
            EXPECT_TRUE(TestFiles(folder.path()).isEmpty());
        }
    }
}

// Forty short runs, each sent one of the four signals at a random moment: whenever it comes, no
// test file stays and the user's own files in the folder are untouched.
TEST(CloseRequests, SoakNoTestFileStaysAndTheUsersFilesAreUntouched) {
    const unsigned start = std::random_device()();
    SCOPED_TRACE("start " + std::to_string(start));
    std::mt19937 random(start);
    TempFolder folder;
    folder.write("notes.tst", "my notes");
    folder.write("01.tst", "not a test file");
    ASSERT_TRUE(QDir(folder.path()).mkdir("3.tst"));
    const int closeSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    for (int run = 0; run < 40; ++run) {
        const int signal = closeSignals[random() % 4];
        const bool multiple = random() % 2;
        const QString files = QString::number(2 + random() % 3);  // 3 and 4 meet the folder 3.tst
        SCOPED_TRACE("run " + std::to_string(run) + ", " + strsignal(signal) +
                     (multiple ? ", multiple, " : ", single, ") + files.toStdString() + " files");
        QProcess process;
        Start(process, {multiple ? "--multiple" : "--single", "--no-cache-bypass", "--files", files,
                        "--size", "8", folder.path()});
        ASSERT_TRUE(process.waitForStarted());
        // Sometimes at once, before the program has even set itself up; otherwise some time after
        // the first test file appeared.
        if (random() % 4 != 0) {
            RunEventLoopUntil(
                [&] { return folder.exists("1.tst") || process.state() == QProcess::NotRunning; },
                30000);
            QThread::usleep(random() % 50000);
        }
        SendSignal(process, signal);  // a run that has already ended is left alone
        ASSERT_TRUE(process.waitForFinished(60000) || process.state() == QProcess::NotRunning);
        // The folder 3.tst is no file a run created: it fails the write phase, but is never
        // reported as a test file left behind.
        const QList<int> statuses = {0, 1, 128 + signal};
        if (process.exitStatus() == QProcess::NormalExit) {
            EXPECT_TRUE(statuses.contains(process.exitCode())) << process.exitCode();
        }
        ASSERT_EQ(TestFiles(folder.path()), QStringList())
            << process.readAllStandardOutput().data();
    }
    QFile notes(folder.file("notes.tst")), zeroOne(folder.file("01.tst"));
    ASSERT_TRUE(notes.open(QIODevice::ReadOnly) && zeroOne.open(QIODevice::ReadOnly));
    EXPECT_EQ(notes.readAll(), "my notes");
    EXPECT_EQ(zeroOne.readAll(), "not a test file");
    EXPECT_TRUE(QFileInfo(folder.file("3.tst")).isDir());
    EXPECT_TRUE(QDir(folder.file("3.tst")).isEmpty());
}
