// The file layer and the pump on their own, and the system calls of a write phase.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

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
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max < 256) GTEST_SKIP() << "the hard limit leaves no room above a low one";
    rlimit low = saved;
    low.rlim_cur = 32;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);

    RaiseOpenFileLimit();
    // Far more files than the lowered limit allowed can now be open at once.
    TempFolder folder;
    std::vector<int32_t> handles;
    for (int k = 0; k < 100; ++k)
        handles.push_back(
            FileCreate(folder.file(QString::number(k)), GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
    const bool allOpen = std::count(handles.begin(), handles.end(), 0) == 0;
    rlimit raised{};
    ::getrlimit(RLIMIT_NOFILE, &raised);
    for (int32_t handle : handles) FileClose(handle, false);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(allOpen);
    EXPECT_EQ(raised.rlim_cur, saved.rlim_max);
}

namespace {

// An event that carries its number and can be copied, as the toolkit's own events can.
class NumberedEvent : public QEvent {
  public:
    explicit NumberedEvent(int number) : QEvent(Type()), number(number) {}
    NumberedEvent* clone() const override { return new NumberedEvent(*this); }
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    int number;
};

// Notes the numbers of the events it handles, in order.
class EventLog : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() != NumberedEvent::Type()) return QObject::event(event);
        numbers.push_back(static_cast<NumberedEvent*>(event)->number);
        if (onEvent) onEvent();
        return true;
    }
    std::vector<int> numbers;
    std::function<void()> onEvent;
};

}  // namespace

TEST(MessagePump, OnePendingEventWithThePriorityOptionEveryPendingOneWithout) {
    clsDoEvents pump;
    EventLog log, sentByHandler;
    for (int i = 1; i <= 4; ++i) QCoreApplication::postEvent(&log, new NumberedEvent(i));
    // What a handler sends belongs to the event it handles and runs at once.
    log.onEvent = [&] {
        NumberedEvent sent(100 + log.numbers.back());
        QCoreApplication::sendEvent(&sentByHandler, &sent);
    };

    bool allPending = false;  // "Increase test priority" checked
    pump.fDoEvents(allPending);
    EXPECT_EQ(log.numbers, std::vector<int>({1}));
    EXPECT_EQ(sentByHandler.numbers, std::vector<int>({101}));
    pump.fDoEvents(allPending);
    EXPECT_EQ(log.numbers, std::vector<int>({1, 2}));

    allPending = true;
    pump.fDoEvents(allPending);
    EXPECT_EQ(log.numbers, std::vector<int>({1, 2, 3, 4}));
    EXPECT_EQ(sentByHandler.numbers, std::vector<int>({101, 102, 103, 104}));

    // An empty queue: nothing to handle, and the call returns.
    allPending = false;
    pump.fDoEvents(allPending);
    EXPECT_EQ(log.numbers.size(), 4u);

    // Queued calls cannot be held back; they run rather than get lost.
    int calls = 0;
    for (int i = 0; i < 3; ++i)
        QMetaObject::invokeMethod(
            &log, [&] { ++calls; }, Qt::QueuedConnection);
    QCoreApplication::postEvent(&log, new NumberedEvent(5));
    for (int i = 0; i < 4; ++i) pump.fDoEvents(allPending);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(log.numbers.back(), 5);
}

TEST(MessagePump, HandlerThatPumpsItselfFinishesBeforeTheOuterCall) {
    clsDoEvents pump;
    for (bool allPending : {true, false}) {
        std::vector<int> steps;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&] {
                steps.push_back(1);
                bool inner = true;
                pump.fDoEvents(inner);
                steps.push_back(2);
            },
            Qt::QueuedConnection);
        pump.fDoEvents(allPending);
        steps.push_back(3);
        EXPECT_EQ(steps, std::vector<int>({1, 2, 3}));
    }
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

// A name's bytes come back unchanged from the text that holds them, whatever they are; valid
// UTF-8 reads as UTF-8, and each byte that is not part of a character shows as U+FFFD.
TEST(FileNames, EveryByteSequenceComesBackUnchanged) {
    const struct {
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {"plain/twin ", "plain/twin "},
        {"caf\xc3\xa9 \xf0\x9f\x92\xbe", QString::fromUtf8("café 💾")},
        {"caf\xe9", "caf\uFFFD"},                          // Latin-1
        {"\xc0\x80", "\uFFFD\uFFFD"},                      // an overlong NUL
        {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},            // a surrogate written as UTF-8
        {"\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xe2\x82", "\uFFFD\uFFFD"},                      // cut short
        {"a\x80\xbf"
         "b\xff",
         "a\uFFFD\uFFFDb\uFFFD"},
    };
    for (const auto& [bytes, shown] : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const QString name = FileNameFromBytes(bytes);
        EXPECT_EQ(FileNameBytes(name), bytes);
        EXPECT_EQ(ShownText(name), shown);
    }
    // Every single byte and every pair of bytes.
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const QByteArray bytes{static_cast<char>(first), static_cast<char>(second)};
            ASSERT_EQ(FileNameBytes(FileNameFromBytes(bytes)), bytes) << bytes.toHex().data();
        }
    }
    // A file named by such bytes is the file the system knows by them.
    TempFolder folder;
    const QString path = folder.path() + FileNameFromBytes("caf\xe9.tst");
    const int32_t handle = FileCreate(path, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    ASSERT_NE(handle, 0);
    FileClose(handle, true);
    EXPECT_FALSE(QFile::exists(folder.file(QString::fromUtf8("café.tst"))));
    EXPECT_EQ(::access((QFile::encodeName(folder.path()) + "caf\xe9.tst").constData(), F_OK), 0);
}
