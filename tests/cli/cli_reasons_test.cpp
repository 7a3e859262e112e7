// dravelo-cli when something stands in its way: every refusal and every failure names the path
// and the system's reason, and a report that cannot reach its reader says so in its status.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <csignal>
#include <functional>

#include "cli_process.h"

using namespace cli;

namespace {

// Runs dravelo-cli with `inChild` applied in the child process just before the program starts.
Result RunCliAdjusted(const QStringList& arguments, std::function<void()> inChild) {
    QProcess process;
    process.setChildProcessModifier(std::move(inChild));
    Start(process, arguments);
    return Finish(process);
}

// Plain whole-number arguments for a run of `files` files of 1 MB in `folder`.
QStringList SmallRun(const TempFolder& folder, int files, const QStringList& more = {}) {
    return QStringList{"--json", "--no-cache-bypass", "--files", QString::number(files), "--size",
                       "1"} +
           more + QStringList{folder.path()};
}

}  // namespace

// A test file that cannot be created keeps the folder's line and adds the file's path and the
// system's reason: in the log, on standard error and in the JSON.
TEST(Reasons, ATestFileThatCannotBeCreatedNamesItsPathAndTheReason) {
    const struct {
        const char* name;
        std::function<void(const TempFolder&)> plant;
        int files;
        QStringList options;
        std::function<void()> inChild;
        const char* reason;
    } cases[] = {
        {"a folder",
         [](const TempFolder& f) { QDir(f.path()).mkdir("1.tst"); },
         2,
         {},
         nullptr,
         "Is a directory"},
        {"a FIFO",
         [](const TempFolder& f) {
             ::mkfifo(QFile::encodeName(f.file("1.tst")).constData(), 0644);
         },
         2,
         {},
         nullptr,
         "No such device or address"},
        {"a symbolic link",
         [](const TempFolder& f) { QFile::link(f.file("elsewhere"), f.file("1.tst")); },
         2,
         {},
         nullptr,
         "Too many levels of symbolic links"},
        {"too many open files",
         [](const TempFolder&) {},
         64,
         {"--multiple"},
         [] {
             const rlimit few{24, 24};
             ::setrlimit(RLIMIT_NOFILE, &few);
         },
         "Too many open files"},
        {"a file the user may not write",
         [](const TempFolder& f) {
             ::chmod(QFile::encodeName(f.path()).constData(), 0777);
             f.write("1.tst", "kept");
             ::chmod(QFile::encodeName(f.file("1.tst")).constData(), 0444);
         },
         2,
         {},
         [] {
             // Root writes any file: the run goes on as nobody, who may create files in the
             // folder but not write the read-only 1.tst.
             if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
         },
         "Permission denied"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        c.plant(folder);
        const Result result = RunCliAdjusted(SmallRun(folder, c.files, c.options), c.inChild);
        SCOPED_TRACE(c.name);
        ASSERT_NE(result.exitCode, 125) << "cannot run as another user";
        // 1 for the failed phase; 3 when the planted name also stays as a file left.
        EXPECT_TRUE(result.exitCode == 1 || result.exitCode == 3) << result.err.toStdString();
        const QString reason = Json(result)["outcome"]["reason"].toString();
        const QRegularExpression form("^" + QRegularExpression::escape(folder.path()) +
                                      "[0-9]+\\.tst: " + c.reason + "$");
        EXPECT_TRUE(form.match(reason).hasMatch()) << reason.toStdString();
        EXPECT_EQ(Json(result)["outcome"]["phase"].toString(), "write");
        EXPECT_TRUE(result.err.contains("dravelo-cli: " + reason + "\n"))
            << result.err.toStdString();
        const QStringList log = Json(result)["log"].toVariant().toStringList();
        const qsizetype access = log.indexOf("Access to " + folder.path() + " failed!");
        ASSERT_GE(access, 0) << result.out.toStdString();
        EXPECT_EQ(log.value(access + 1), reason);
    }
}

// Standard output that takes no report (a full device, a pipe whose reader has gone while
// SIGPIPE is ignored): the run still cleans up, and the status and standard error say so.
TEST(Reasons, AReportThatCannotBeWrittenEndsWithThree) {
    const auto toDevFull = [] {
        const int full = ::open("/dev/full", O_WRONLY);
        ::dup2(full, STDOUT_FILENO);
    };
    const auto toClosedPipe = [] {
        int ends[2];
        if (::pipe(ends) != 0) ::_exit(125);
        ::close(ends[0]);
        ::dup2(ends[1], STDOUT_FILENO);
        ::signal(SIGPIPE, SIG_IGN);
    };
    const struct {
        std::function<void()> inChild;
        const char* reason;
    } outputs[] = {{toDevFull, "No space left on device"}, {toClosedPipe, "Broken pipe"}};
    const QStringList reports[] = {
        {"--no-cache-bypass", "--files", "2", "--size", "1"},
        {"--json", "--no-cache-bypass", "--files", "2", "--size", "1"},
        {"--suggest"},
        {"--suggest", "--json"},
        {"--profile", "realworld", "--profile-size", "8", "--runs", "1", "--seconds", "1"}};
    for (const auto& [inChild, reason] : outputs) {
        for (const QStringList& report : reports) {
            TempFolder folder;
            const Result result = RunCliAdjusted(report + QStringList{folder.path()}, inChild);
            SCOPED_TRACE(reason + (": " + report.join(' ').toStdString()));
            EXPECT_EQ(result.exitCode, 3);
            EXPECT_TRUE(result.err.contains(
                QString("dravelo-cli: the report could not be written to standard output: ") +
                reason + "\n"))
                << result.err.toStdString();
            EXPECT_TRUE(QDir(folder.path()).isEmpty());
        }
        // The history's answers reach standard output the same way.
        EXPECT_EQ(RunCliAdjusted({"--history"}, inChild).exitCode, 3) << reason;
    }
}

// A language file named with --lang that cannot be read, or a size the phases cannot count to,
// is a usage error that names the value, before anything is written.
TEST(Refusals, UnreadableLanguageFilesAndSizesBeyondThePhasesArithmetic) {
    TempFolder folder;
    QDir(folder.path()).mkdir("texts.lng");
    ::mkfifo(QFile::encodeName(folder.file("pipe.lng")).constData(), 0644);
    const QString missing = folder.file("missing.lng");
    const struct {
        QStringList arguments;
        QString message;
    } cases[] = {
        {{"--lang", "nosuch.lng"}, "--lang 'nosuch.lng': nosuch.lng: No such file or directory"},
        {{"--lang", missing},
         "--lang '" + missing + "': " + missing + ": No such file or directory"},
        {{"--lang", folder.file("texts.lng")},
         "--lang '" + folder.file("texts.lng") + "': " + folder.file("texts.lng") +
             ": Is a directory"},
        {{"--suggest", "--lang", folder.file("pipe.lng")},
         "--lang '" + folder.file("pipe.lng") + "': " + folder.file("pipe.lng") +
             ": not a plain file"},
        {{"--size", "2147483647"},
         "--size 2147483647 with 20 files is more than 536870, the largest size that works for 20 "
         "files"},
        {{"--files", "1", "--size", "10737419"},
         "--size 10737419 with 1 files is more than 10737418, the largest size that works for 1 "
         "files"},
        {{"--files", "32000", "--size", "336"},
         "--size 336 with 32000 files is more than 335, the largest size that works for 32000 "
         "files"},
    };
    for (const auto& [arguments, message] : cases) {
        const Result result = RunCli(arguments + QStringList{folder.path()});
        SCOPED_TRACE(arguments.join(' ').toStdString());
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.startsWith("dravelo-cli: " + message + "\n"))
            << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
              QStringList({"pipe.lng", "texts.lng"}));
    // The largest size for a file count is accepted; the missing folder then refuses the run.
    EXPECT_EQ(RunCli({"--files", "1", "--size", "10737418", folder.path() + "missing"}).exitCode,
              1);
    // A name of four characters or fewer is no language file: the texts stay built in.
    EXPECT_EQ(RunCli({"--lang", "x.l", folder.path() + "missing"}).exitCode, 1);
}

// A mount table the program may not read refuses the folder for that reason, not as a folder of
// a kind that cannot be tested.
TEST(Refusals, AnUnreadableMountTableIsNamedAsTheReason) {
    if (::geteuid() != 0) GTEST_SKIP() << "hiding the mount table needs root";
    TempFolder folder;
    ::chmod(QFile::encodeName(folder.path()).constData(), 0777);
    TempFolder hidden;
    hidden.write("mountinfo", "");
    const QByteArray unreadable = QFile::encodeName(hidden.file("mountinfo"));
    ::chmod(unreadable.constData(), 0);
    // In a mount namespace of its own, the program's mount table is a file it may not read.
    const Result result = RunCliAdjusted({"--json", folder.path()}, [unreadable] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(unreadable.constData(), "/proc/self/mountinfo", nullptr, MS_BIND, nullptr) !=
                0 ||
            ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(125);
    });
    ASSERT_NE(result.exitCode, 125) << "cannot hide the mount table";
    EXPECT_EQ(result.exitCode, 1);
    const QString reason =
        "the mount table cannot be read (/proc/self/mountinfo: Permission denied)";
    EXPECT_EQ(Json(result)["outcome"]["reason"].toString(), reason);
    EXPECT_TRUE(result.err.contains(reason)) << result.err.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

// A phase that never ran has no figures: each is null, not 0.
TEST(JsonFigures, APhaseThatNeverRanReportsNull) {
    TempFolder folder;
    const QJsonObject refused = Json(RunCli({"--json", folder.path() + "missing"}));
    QDir(folder.path()).mkdir("1.tst");
    const QJsonObject failedWrite = Json(RunCli(SmallRun(folder, 2)));
    for (const char* figure :
         {"milliseconds", "microseconds", "secondsPerFile", "MBps", "preciseMBps"}) {
        EXPECT_TRUE(refused["write"][figure].isNull()) << figure;
        EXPECT_TRUE(refused["read"][figure].isNull()) << figure;
        EXPECT_TRUE(failedWrite["read"][figure].isNull()) << figure;
    }
    EXPECT_TRUE(failedWrite["write"]["milliseconds"].isDouble());
    EXPECT_FALSE(failedWrite["read"]["completed"].toBool(true));
}
