// The file layer and the pump on their own, and the system calls of a write phase.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "clsDoEvents.h"
#include "event_wait.h"
#include "modFile.h"
#include "temp_folder.h"

namespace {

qint64 WrittenLength(const QString& text) {
    TempFolder folder;
    const int32_t handle = FileCreate(folder.file("f"), GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    EXPECT_NE(handle, 0);
    EXPECT_TRUE(FileWrite(handle, BlockText(text)));
    FileClose(handle, true);
    return folder.size("f");
}

}  // namespace

TEST(FileAccess, WriteLengthIsThePowerOfTwoThatHoldsTheTextButAtLeast256) {
    EXPECT_EQ(WrittenLength(""), 256);
    EXPECT_EQ(WrittenLength(QString(256, 'x')), 256);
    EXPECT_EQ(WrittenLength(QString(257, 'x')), 512);
    EXPECT_EQ(WrittenLength(QString(1022, 'x')), 1024);
    EXPECT_EQ(WrittenLength(QString(1025, 'x')), 2048);
}

TEST(FileAccess, HandleZeroMeansNoFile) {
    const char* data = nullptr;
    EXPECT_EQ(FileRead(0, data, 1024), -1);
    EXPECT_FALSE(FileWrite(0, BlockText("x")));
    EXPECT_FALSE(FileClose(0, true));
}

TEST(FileAccess, ReadGivesFullShortAndZeroCountsAndRefusesMoreThanItsBuffer) {
    TempFolder folder;
    folder.write("f", QByteArray(1500, 'a'));
    const int32_t handle = FileOpen(folder.file("f"), OF_READ);
    ASSERT_NE(handle, 0);
    const char* data = nullptr;
    EXPECT_EQ(FileRead(handle, data, 2048), -1);
    EXPECT_EQ(FileRead(handle, data, 1024), 1024);
    EXPECT_EQ(data[0], 'a');
    EXPECT_EQ(FileRead(handle, data, 1024), 476);
    EXPECT_EQ(FileRead(handle, data, 1024), 0);
    EXPECT_TRUE(FileClose(handle, true));
}

TEST(FileAccess, CreateTruncatesAndRefusesWhatItCannotCreate) {
    TempFolder folder;
    folder.write("f", QByteArray(5000, 'a'));
    int32_t handle = FileCreate(folder.file("f"), GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(folder.size("f"), 0);

    // No sharing while open: a second create of the same file is refused, and does not
    // empty what the first one wrote.
    ASSERT_TRUE(FileWrite(handle, BlockText("x")));
    EXPECT_EQ(FileCreate(folder.file("f"), GENERIC_WRITE, 0, CREATE_ALWAYS, 0), 0);
    EXPECT_EQ(folder.size("f"), 256);
    FileClose(handle, true);

    EXPECT_EQ(FileCreate(folder.file("missing/f"), GENERIC_WRITE, 0, CREATE_ALWAYS, 0), 0);
    EXPECT_EQ(LastFileError(), "No such file or directory");
    EXPECT_EQ(FileOpen(folder.file("missing"), OF_READ), 0);
    EXPECT_EQ(FileCreate(folder.file("g"), GENERIC_WRITE, 3, CREATE_ALWAYS, 0), 0);

    if (TestMount::Possible()) {
        TestMount readOnly(folder.path());
        ASSERT_TRUE(readOnly.mounted());
        EXPECT_EQ(FileCreate(readOnly.path() + "h", GENERIC_WRITE, 0, CREATE_ALWAYS, 0), 0);
    }
}

TEST(FileAccess, DescriptorZeroStillGetsANonZeroHandle) {
    TempFolder folder;
    folder.write("f", "data");
    const int saved = ::dup(0);
    ::close(0);
    const int32_t handle = FileOpen(folder.file("f"), OF_READ);
    EXPECT_NE(handle, 0);
    const char* data = nullptr;
    EXPECT_EQ(FileRead(handle, data, 1024), 4);
    EXPECT_TRUE(FileClose(handle, true));
    ::dup2(saved, 0);
    ::close(saved);
}

TEST(FileAccess, OpenFileLimitIsRaisedToTheHardLimit) {
    RaiseOpenFileLimit();
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_EQ(limit.rlim_cur, limit.rlim_max);
}

TEST(MessagePump, AllPendingOrOnePassWithoutWaiting) {
    clsDoEvents pump;
    int ran = 0;
    for (int i = 0; i < 5; ++i) QTimer::singleShot(0, [&] { ++ran; });
    bool all = true;
    RunEventLoopFor(0);  // let the zero timers become due
    pump.fDoEvents(all);
    EXPECT_EQ(ran, 5);

    // An empty queue: one pass returns at once.
    bool onePass = false;
    QElapsedTimer clock;
    clock.start();
    pump.fDoEvents(onePass);
    EXPECT_LT(clock.elapsed(), 50);

    // A handler may itself pump (nested), and returns before the outer call does.
    int nested = 0;
    QTimer::singleShot(0, [&] {
        bool inner = true;
        pump.fDoEvents(inner);
        nested = 1;
    });
    RunEventLoopFor(0);
    pump.fDoEvents(all);
    EXPECT_EQ(nested, 1);
}

TEST(SystemCalls, OneWriteOfOneBlockPerBlockAndNothingElse) {
    if (QStandardPaths::findExecutable("strace").isEmpty())
        GTEST_SKIP() << "strace is not installed";
    TempFolder folder;
    const QString trace = folder.file("trace.txt");
    QDir().mkdir(folder.file("data"));
    QProcess strace;
    // The leak checker of a sanitized build cannot run under a tracer.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    strace.setProcessEnvironment(environment);
    strace.start("strace",
                 {"-f", "-o", trace, QCoreApplication::applicationDirPath() + "/strace_probe",
                  folder.file("data")});
    ASSERT_TRUE(strace.waitForFinished(60000));
    ASSERT_EQ(strace.exitCode(), 0) << strace.readAllStandardError().toStdString();
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList calls = QString(file.readAll()).split('\n');

    QString fd;
    int opens = 0;
    QRegularExpression open(R"re(open(at)?\(.*"[^"]*/data/1\.tst", ([A-Z_|]+).*= (\d+)$)re");
    for (const QString& call : calls) {
        auto match = open.match(call);
        if (!match.hasMatch()) continue;
        ++opens;
        fd = match.captured(3);
        EXPECT_TRUE(match.captured(2).contains("O_DIRECT")) << call.toStdString();
        EXPECT_TRUE(match.captured(2).contains("O_NOFOLLOW")) << call.toStdString();
    }
    ASSERT_EQ(opens, 1);

    // Between the first and the last block only the pump points may add system calls.
    const QString write = "write(" + fd + ", ";
    int first = -1, last = -1, writes = 0;
    for (int i = 0; i < calls.size(); ++i) {
        if (!calls[i].contains(write)) continue;
        if (first < 0) first = i;
        last = i;
        ++writes;
        EXPECT_TRUE(calls[i].endsWith("1024) = 1024")) << calls[i].toStdString();
    }
    EXPECT_EQ(writes, 1024);
    const int others = (last - first + 1) - writes;
    EXPECT_LT(others, 11 * 8) << "more than a few calls per pump point";
}
