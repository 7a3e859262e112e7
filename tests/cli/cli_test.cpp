// dravelo-cli end to end, as a user runs it: real processes, real folders.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "event_wait.h"
#include "modLang.h"
#include "temp_folder.h"

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

QString Program() {
    return QCoreApplication::applicationDirPath() + "/dravelo-cli";
}

QProcessEnvironment Environment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    return environment;
}

Result RunCli(const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(Program(), arguments);
    Result result;
    if (!process.waitForFinished(120000)) return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList TestFiles(const TempFolder& folder) {
    return QDir(folder.path()).entryList({"*.tst"}, QDir::Files);
}

// The texts of the shipped German language file, which the program uses by default.
QString GermanText(int16_t index) {
    LoadLanguage(QCoreApplication::applicationDirPath() + "/deutsch.lng");
    return LangText(index, false, false, QString());
}

}  // namespace

TEST(CommandLine, HelpVersionAndUsageErrors) {
    Result version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Dravelo v.1.0.14\n");

    Result help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("Usage: dravelo-cli"));
    EXPECT_TRUE(help.out.contains("--no-cache-bypass"));

    for (const QStringList& bad : {QStringList{"--bogus"}, QStringList{"--files"},
                                   QStringList{"--single", "--multiple"}, QStringList{"a", "b"}}) {
        Result result = RunCli(bad);
        EXPECT_EQ(result.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("Usage: dravelo-cli"));
        EXPECT_TRUE(result.out.isEmpty());
    }
}

TEST(CommandLine, SingleTestPrintsItsLinesAndTheSummaryAndCleansUp) {
    TempFolder folder;
    folder.write("notes.tst", "mine");
    Result result = RunCli({"--files", "2", "--size", "1", folder.path()});
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    const QStringList lines = result.out.split('\n');
    EXPECT_TRUE(lines.first().startsWith(GermanText(21).trimmed()));
    EXPECT_TRUE(lines.contains("Datei  2..."));
    EXPECT_TRUE(lines.contains("Ergebnis:"));
    EXPECT_TRUE(result.out.contains(QRegularExpression("\nSchreibzeit: [0-9.E+-]+ Sek.\n")));
    EXPECT_FALSE(result.out.contains("<clear>"));
    EXPECT_TRUE(result.err.isEmpty());  // no progress line when standard error is no terminal
    EXPECT_EQ(TestFiles(folder), QStringList({"notes.tst"}));
}

TEST(CommandLine, RefusedFolderAndStoppedPhaseExitWithOne) {
    TempFolder folder;
    Result missing = RunCli({folder.path() + "missing"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, GermanText(54) + "\n");

    ASSERT_TRUE(QDir(folder.path()).mkdir("1.tst"));
    Result stopped = RunCli({"--files", "1", "--size", "1", folder.path()});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(stopped.out.contains("Kann auf " + folder.path() + " nicht zugreifen!"));
}

TEST(CommandLine, InputsThatAreNotNumbersExitWithTwoAfterText7) {
    TempFolder folder;
    Result result = RunCli({"--files", "zwei", folder.path()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.endsWith(GermanText(7) + "\n"));
    EXPECT_TRUE(TestFiles(folder).isEmpty());
}

TEST(CommandLine, JsonReportOfACompletedAndOfAStoppedRun) {
    TempFolder folder;
    Result result = RunCli({"--multiple", "--json", "--files", "3", "--size", "1", "--lang",
                            "english.lng", "--log-file", folder.path()});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(result.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
    EXPECT_EQ(report["test"].toString(), "multiple");
    EXPECT_EQ(report["inputs"]["files"].toString(), "3");
    EXPECT_EQ(report["inputs"]["sizeMB"].toString(), "1");
    EXPECT_TRUE(report["options"]["cacheBypass"].toBool());
    EXPECT_TRUE(report["options"]["logFile"].toBool());
    EXPECT_FALSE(report["options"]["writeThrough"].toBool());
    EXPECT_TRUE(report["completed"].toBool());
    const QJsonObject results = report["results"].toObject();
    EXPECT_EQ(results.keys(),
              QStringList({"readMBps", "readSeconds", "writeMBps", "writeSeconds"}));
    EXPECT_GT(results["writeMBps"].toDouble(), 0);
    EXPECT_DOUBLE_EQ(results["writeMBps"].toDouble(), 1 / results["writeSeconds"].toDouble());
    const QJsonArray log = report["log"].toArray();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().toString().endsWith("MB/s"));
    EXPECT_TRUE(TestFiles(folder).isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList({"Multiple_DraveloLog_*.log"}, QDir::Files).size(), 1);

    ASSERT_TRUE(QDir(folder.path()).mkdir("2.tst"));
    Result stopped = RunCli({"--json", "--files", "3", "--size", "1", folder.path()});
    EXPECT_EQ(stopped.exitCode, 1);
    const QJsonObject partial = QJsonDocument::fromJson(stopped.out.toUtf8()).object();
    EXPECT_FALSE(partial["completed"].toBool());
    EXPECT_TRUE(partial["results"].toObject().isEmpty());
    EXPECT_EQ(partial["test"].toString(), "single");
}

// Ctrl-C and SIGTERM stop the running phase; the test files still go and the log is written.
TEST(CommandLine, InterruptStopsTheRunAndLeavesNoTestFile) {
    for (int signal : {SIGINT, SIGTERM}) {
        TempFolder folder;
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(Program(), {"--files", "1", "--size", "20000", "--log-file", folder.path()});
        ASSERT_TRUE(process.waitForStarted());
        ASSERT_TRUE(RunEventLoopUntil([&] { return folder.size("1.tst") > (1 << 20); }, 30000));
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 130);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_TRUE(out.contains("Abbruch...")) << out.toStdString();
        EXPECT_TRUE(TestFiles(folder).isEmpty());
        const QStringList logs = QDir(folder.path()).entryList({"Single_DraveloLog_*.log"});
        ASSERT_EQ(logs.size(), 1);
        QFile log(folder.file(logs.first()));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_TRUE(log.readAll().endsWith("Abbruch...\r\n"));
    }
}
