// dravelo-cli end to end: its command line, its languages, its figures, its JSON report and its
// exit statuses, as a script sees them.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>

#include "Format.h"
#include "cli_process.h"

using namespace cli;

TEST(CommandLine, HelpAndVersionSayWhatTheTestDoes) {
    for (const char* option : {"-V", "--version"}) {
        const Result version = RunCli({option});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, "Dravelo v.1.0.14\n");
    }
    for (const char* option : {"-h", "--help"}) {
        const Result help = RunCli({option});
        EXPECT_EQ(help.exitCode, 0);
        for (const char* needle :
             {"Usage: dravelo-cli", "1.tst, 2.tst ... N.tst", "overwriting", "deletes them",
              "system cache", "MB means 1024 x 1024 bytes", "Exit status",
              "3    test files could not all be deleted", "129, 130, 141, 143", "--suggest"})
            EXPECT_TRUE(help.out.contains(needle)) << option << ": " << needle;
    }
}

// Every usage error ends with status 2, names the value at fault on standard error, writes
// nothing to standard output and touches no file, whatever the locale.
TEST(CommandLine, UsageErrorsNameTheValueAndTouchNothing) {
    TempFolder folder;
    // "F" stands for the test folder.
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"--bogus", "F"}, "Unknown option 'bogus'"},
        {{"F", "--files"}, "Missing value after '--files'"},
        {{"--single", "--multiple", "F"}, "--single and --multiple exclude each other"},
        {{"F", "F"}, "only one FOLDER can be tested"},
        {{"--files", "zwei", "F"}, "--files 'zwei' is not a whole number"},
        {{"--files", "2,5", "F"}, "--files '2,5' is not a whole number"},
        {{"--size", "1.5", "F"}, "--size '1.5' is not a whole number"},
        {{"--files", " 3", "F"}, "--files ' 3' is not a whole number"},
        {{"--files", "1e3", "F"}, "--files '1e3' is not a whole number"},
        {{"--files", "0", "F"}, "--files '0' must be at least 1"},
        {{"--size", "0", "F"}, "--size '0' must be at least 1"},
        {{"--files", "-3", "F"}, "--files '-3' is negative"},
        {{"--files", "32001", "F"}, "--files '32001' is more than 32000"},
        {{"--size", "99999999999", "F"}, "--size '99999999999' is more than 2147483647"},
        {{"--files", "1", "--size", "1", ""}, "FOLDER is empty or blank"},
        {{"--files", "1", "--size", "1", "  "}, "FOLDER is empty or blank"},
        {{"--suggest", ""}, "FOLDER is empty or blank"},
        {{"--yes", "F"}, "--yes answers the update check's question; it needs --check-update"},
        {{"--check-update", "F"}, "--check-update tests no folder"},
        {{"--suggest", "--check-update"}, "--suggest and --check-update exclude each other"},
        {{"--chart", "/no-such-folder/speed.svg", "F"},
         "--chart '/no-such-folder/speed.svg': the folder /no-such-folder does not exist"},
    };
    for (const char* locale : {"C.UTF-8", "de_DE.UTF-8"}) {
        for (const auto& [arguments, message] : cases) {
            QStringList withFolder = arguments;
            withFolder.replaceInStrings(QRegularExpression("^F$"), folder.path());
            const Result result = RunCli(withFolder, {QString("LC_ALL=") + locale});
            const std::string what = locale + (": " + arguments.join(' ').toStdString());
            EXPECT_EQ(result.exitCode, 2) << what;
            EXPECT_TRUE(result.err.startsWith(QString("dravelo-cli: ") + message))
                << what << "\n"
                << result.err.toStdString();
            EXPECT_TRUE(result.err.contains("Usage: dravelo-cli")) << what;
            EXPECT_TRUE(result.out.isEmpty()) << what;
        }
    }
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_FALSE(QFile::exists("/1.tst"));
}

// Log lines follow --lang, or else the user's locale; what goes wrong is said on standard error
// in English.
TEST(CommandLine, LogLinesInTheChosenLanguageDiagnosticsInEnglish) {
    TempFolder folder;
    const QString missing = folder.path() + "missing";
    const struct {
        QStringList environment;
        QStringList arguments;
        const char* language;
    } cases[] = {
        {{"LC_ALL=de_DE.UTF-8"}, {}, "deutsch.lng"},
        {{"LC_ALL=", "LANG=de_AT.UTF-8"}, {}, "deutsch.lng"},
        {{"LC_ALL=", "LC_MESSAGES=de_CH.UTF-8", "LANG=en_GB.UTF-8"}, {}, "deutsch.lng"},
        {{"LC_ALL=C.UTF-8"}, {}, "english.lng"},
        {{"LC_ALL=", "LANG=fr_FR.UTF-8"}, {}, "english.lng"},
        {{"LC_ALL=", "LANG="}, {}, "english.lng"},
        {{"LC_ALL=de_DE.UTF-8"}, {"--lang", "english.lng"}, "english.lng"},
        {{"LC_ALL=C.UTF-8"}, {"--lang", "deutsch.lng"}, "deutsch.lng"},
    };
    for (const auto& [environment, arguments, language] : cases) {
        const Result refused = RunCli(arguments + QStringList{missing}, environment);
        const std::string what = environment.join(' ').toStdString();
        EXPECT_EQ(refused.exitCode, 1) << what;
        EXPECT_EQ(refused.out, ShippedText(language, 54) + "\n") << what;
        // The reason is the run's own; it must be there, in one line.
        EXPECT_TRUE(refused.err.startsWith("dravelo-cli: cannot test " + missing + "/: "));
        EXPECT_GT(refused.err.size(), ("dravelo-cli: cannot test " + missing + "/: \n").size());
        EXPECT_EQ(refused.err.count(u'\n'), 1) << what;
    }
}

// The figures come from the clock's spans alone: with a clock that advances 250 ms per reading,
// each file of the single test takes 250 ms and the multiple test's phase 250 ms, on a RAM
// disk as on any drive, however fast the machine reads.
TEST(CommandLine, FiguresFollowTheClockWhateverTheMachineSpeed) {
    TestMount ramDisk(64 << 20);
    TempFolder fallback;
    const QString folder = ramDisk.mounted() ? ramDisk.path() : fallback.path();
    const struct {
        const char* test;
        double secondsPerFile;
        double mbps;
    } cases[] = {{"--single", 0.25, 4}, {"--multiple", 0.125, 8}};
    for (int repeat = 0; repeat < 5; ++repeat) {
        for (const auto& [test, secondsPerFile, mbps] : cases) {
            const Result result = RunCli(
                {test, "--json", "--no-cache-bypass", "--files", "2", "--size", "1", folder});
            ASSERT_EQ(result.exitCode, 0) << test << result.out.toStdString();
            const QJsonObject report = Json(result);
            for (const char* phase : {"write", "read"}) {
                EXPECT_DOUBLE_EQ(report[phase]["secondsPerFile"].toDouble(), secondsPerFile);
                EXPECT_DOUBLE_EQ(report[phase]["MBps"].toDouble(), mbps);
            }
        }
    }
    EXPECT_TRUE(TestFiles(folder).isEmpty());
}

namespace {

void ExpectKeys(const QJsonValue& object, QStringList keys) {
    keys.sort();
    EXPECT_EQ(object.toObject().keys(), keys);
}

void ExpectPhase(const QJsonValue& phase, int files, int sizeMB) {
    ExpectKeys(phase, {"completed", "milliseconds", "microseconds", "secondsPerFile", "MBps",
                       "preciseMBps", "files"});
    EXPECT_TRUE(phase["completed"].toBool());
    EXPECT_GT(phase["milliseconds"].toInteger(), 0);
    const qint64 microseconds = phase["microseconds"].toInteger();
    EXPECT_GT(microseconds, 0);  // 1024 system calls take longer than a microsecond
    EXPECT_DOUBLE_EQ(phase["secondsPerFile"].toDouble(), kClockStepMs / 1000.0);
    EXPECT_DOUBLE_EQ(phase["MBps"].toDouble(), sizeMB / (kClockStepMs / 1000.0));
    EXPECT_DOUBLE_EQ(phase["preciseMBps"].toDouble(), files * sizeMB / (microseconds / 1e6));
    const QJsonArray spans = phase["files"].toArray();
    ASSERT_EQ(spans.size(), files);
    for (int i = 0; i < files; ++i) {
        ExpectKeys(spans[i], {"name", "milliseconds", "microseconds", "MBps"});
        EXPECT_EQ(spans[i]["name"].toString(), QString("%1.tst").arg(i + 1));
        EXPECT_EQ(spans[i]["milliseconds"].toInteger(), kClockStepMs);
        const qint64 fileMicroseconds = spans[i]["microseconds"].toInteger();
        EXPECT_GT(fileMicroseconds, 0);
        EXPECT_DOUBLE_EQ(spans[i]["MBps"].toDouble(), sizeMB / (fileMicroseconds / 1e6));
    }
}

}  // namespace

// A real single run through the cache, parsed as a script would, every field checked.
TEST(JsonReport, EveryFieldOfARealRun) {
    TempFolder folder;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QString chart = folder.path() + "speed.svg";
    // Without a runtime folder (root shells, cron), Qt gets a private one: no warning, and no
    // /tmp/runtime-<user> left behind.
    const TempFolder temporary;
    const Result result =
        RunCli({"--json", "--no-cache-bypass", "--log-file", "--files", "2", "--size", "1",
                "--lang", "english.lng", "--chart", chart, folder.path()},
               {"XDG_RUNTIME_DIR=", "TMPDIR=" + temporary.path()});
    EXPECT_FALSE(result.err.contains("XDG_RUNTIME_DIR")) << result.err.toStdString();
    EXPECT_TRUE(QDir(temporary.path()).isEmpty());
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(result.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();

    ExpectKeys(report, {"schema",     "program",    "version",   "startTime",
                        "test",       "host",       "folder",    "mountPoint",
                        "fileSystem", "device",     "driveKind", "ioMode",
                        "folderLock", "inputs",     "write",     "read",
                        "cachedShareBeforeRead",    "outcome",   "cleanUp",
                        "leftovers",  "logFile",    "chart",     "problems",
                        "log"});
    ExpectKeys(report["device"], {"name", "model", "serial", "uuid"});
    EXPECT_TRUE(folder.path().startsWith(report["mountPoint"].toString()));
    EXPECT_EQ(report["schema"].toInt(), 1);
    EXPECT_EQ(report["program"].toString(), "dravelo-cli");
    EXPECT_EQ(report["version"].toString(), "1.0.14");
    const QDateTime start = QDateTime::fromString(report["startTime"].toString(), Qt::ISODate);
    EXPECT_TRUE(start >= before && start <= after) << report["startTime"].toString().toStdString();
    EXPECT_TRUE(report["startTime"].toString().contains(  // with its offset from UTC
        QRegularExpression("T[0-9:]{8}(Z|[+-][0-9]{2}:[0-9]{2})$")));
    EXPECT_EQ(report["test"].toString(), "single");
    EXPECT_EQ(report["folder"].toString(), folder.path());
    EXPECT_FALSE(report["fileSystem"].toString().isEmpty());
    EXPECT_TRUE(QStringList({"fixed", "ramdisk", "remote", "removable"})
                    .contains(report["driveKind"].toString()));
    ExpectKeys(report["ioMode"], {"cacheBypass", "writeThrough", "directTransferPossible"});
    EXPECT_FALSE(report["ioMode"]["cacheBypass"].toBool(true));
    EXPECT_FALSE(report["ioMode"]["writeThrough"].toBool(true));
    EXPECT_TRUE(report["ioMode"]["directTransferPossible"].isBool());
    EXPECT_EQ(report["folderLock"].toObject(),
              QJsonObject({{"status", "held"}, {"reason", QJsonValue()}}));
    ExpectKeys(report["inputs"], {"files", "sizeMB", "blockBytes", "bytesPerMB"});
    EXPECT_EQ(report["inputs"]["files"].toInt(), 2);
    EXPECT_EQ(report["inputs"]["sizeMB"].toInt(), 1);
    EXPECT_EQ(report["inputs"]["blockBytes"].toInt(), 1024);
    EXPECT_EQ(report["inputs"]["bytesPerMB"].toInt(), 1048576);
    ExpectPhase(report["write"], 2, 1);
    ExpectPhase(report["read"], 2, 1);
    // Just written through the cache, the files are read from memory, and the user is told.
    EXPECT_GT(report["cachedShareBeforeRead"].toDouble(), 0.1);
    EXPECT_LE(report["cachedShareBeforeRead"].toDouble(), 1.0);
    EXPECT_TRUE(result.err.contains("the read figures come from memory"))
        << result.err.toStdString();
    EXPECT_EQ(report["outcome"].toObject(), QJsonObject({{"status", "completed"}}));
    EXPECT_EQ(report["cleanUp"].toObject(), QJsonObject({{"complete", true},
                                                         {"filesLeft", QJsonArray()},
                                                         {"listingFailure", QJsonValue()}}));
    EXPECT_EQ(report["leftovers"].toArray(), QJsonArray());
    ExpectKeys(report["logFile"], {"status", "path"});
    EXPECT_EQ(report["logFile"]["status"].toString(), "written");
    const QString logFile = report["logFile"]["path"].toString();
    EXPECT_TRUE(logFile.startsWith(folder.path() + "Single_DraveloLog_"));
    EXPECT_TRUE(QFile::exists(logFile));
    EXPECT_EQ(report["chart"].toObject(), QJsonObject({{"status", "drawn"}, {"path", chart}}));
    QFile svg(chart);
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
    EXPECT_EQ(report["problems"].toArray(), QJsonArray());
    const QJsonArray log = report["log"].toArray();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.first().toString().startsWith("Test start: "));
    EXPECT_EQ(log.last().toString(), "4 MB/s");
    EXPECT_TRUE(TestFiles(folder.path()).isEmpty());
}

// The multiple test has no per-file spans; a refused folder and a failed phase say why.
TEST(JsonReport, OutcomesOfOtherRuns) {
    TempFolder folder;
    const QJsonObject multiple = Json(RunCli({"--json", "--multiple", "--no-cache-bypass",
                                              "--files", "2", "--size", "1", folder.path()}));
    EXPECT_EQ(multiple["test"].toString(), "multiple");
    EXPECT_EQ(multiple["write"]["files"].toArray(), QJsonArray());
    EXPECT_EQ(multiple["logFile"].toObject(),
              QJsonObject({{"status", "not requested"}, {"path", QJsonValue()}}));
    EXPECT_EQ(multiple["chart"].toObject(),
              QJsonObject({{"status", "not requested"}, {"path", QJsonValue()}}));

    // A chart that cannot be drawn is something asked for that did not happen; the reason
    // names its file once.
    const QString unwritable = folder.path() + "taken/speed.png";
    ASSERT_TRUE(QDir().mkpath(unwritable));
    const Result noChart = RunCli({"--json", "--no-cache-bypass", "--files", "1", "--size", "1",
                                   "--chart", unwritable, folder.path()});
    EXPECT_EQ(noChart.exitCode, 3);
    EXPECT_EQ(Json(noChart)["chart"]["status"].toString(), "failed");
    EXPECT_TRUE(noChart.err.contains("chart not drawn: " + unwritable + ": "))
        << noChart.err.toStdString();
    EXPECT_EQ(noChart.err.count(unwritable), 1) << noChart.err.toStdString();

    const Result refused = RunCli({"--json", folder.path() + "missing"});
    EXPECT_EQ(refused.exitCode, 1);
    const QString reason = Json(refused)["outcome"]["reason"].toString();
    EXPECT_EQ(Json(refused)["outcome"].toObject(),
              QJsonObject({{"status", "refused"}, {"reason", reason}}));
    EXPECT_TRUE(refused.err.endsWith(reason + "\n")) << refused.err.toStdString();
    EXPECT_FALSE(Json(refused)["write"]["completed"].toBool(true));

    ASSERT_TRUE(QDir(folder.path()).mkdir("2.tst"));
    const Result failed =
        RunCli({"--json", "--no-cache-bypass", "--files", "3", "--size", "1", folder.path()});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(Json(failed)["outcome"].toObject(),
              QJsonObject({{"status", "failed"},
                           {"phase", "write"},
                           {"reason", folder.file("2.tst") + ": Is a directory"}}));
    EXPECT_TRUE(Json(failed)["read"]["secondsPerFile"].isNull());
    EXPECT_TRUE(QFileInfo(folder.file("2.tst")).isDir());
}

// Status 0 only when everything asked for happened: a test file that stays, or a log file that
// cannot be written, gives 3, and the report names each problem.
TEST(ExitStatus, ThreeWhenTestFilesStayOrTheLogFileIsNotWritten) {
    {
        TempFolder folder;
        // Folders in the way of the log file of this minute and the next ones.
        const QDateTime now = QDateTime::currentDateTime();
        for (int minutes = 0; minutes < 3; ++minutes)
            QDir(folder.path())
                .mkdir("Single_DraveloLog_" +
                       FormatDateTime(now.addSecs(60 * minutes), "mm_dd_yy_hh_mm") + ".log");
        const Result result = RunCli({"--json", "--log-file", "--no-cache-bypass", "--files", "1",
                                      "--size", "1", folder.path()});
        EXPECT_EQ(result.exitCode, 3) << result.err.toStdString();
        const QJsonObject report = Json(result);
        EXPECT_EQ(report["outcome"]["status"].toString(), "completed");
        EXPECT_EQ(report["logFile"]["status"].toString(), "failed");
        const QString problem = "log file not written: " + report["logFile"]["path"].toString();
        EXPECT_EQ(report["problems"].toArray(), QJsonArray({problem}));
        EXPECT_TRUE(result.err.contains("dravelo-cli: " + problem)) << result.err.toStdString();
        EXPECT_TRUE(TestFiles(folder.path()).isEmpty());
    }
    // A test file of an earlier run that will not go is no file this run left behind: it is
    // named, and the status stays 0.
    TempFolder folder;
    folder.write("7.tst", "left by an earlier run");
    const ImmutableFile stuck(folder.file("7.tst"));
    if (!stuck.set())
        GTEST_SKIP() << "the file system of " << folder.path().toStdString()
                     << " cannot make a file undeletable";
    const Result result =
        RunCli({"--json", "--no-cache-bypass", "--files", "1", "--size", "1", folder.path()});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject report = Json(result);
    EXPECT_EQ(report["outcome"]["status"].toString(), "completed");
    EXPECT_TRUE(report["cleanUp"]["complete"].toBool(false));
    EXPECT_EQ(report["leftovers"].toArray(), QJsonArray({folder.file("7.tst")}));
    EXPECT_EQ(report["problems"].toArray(), QJsonArray());
    EXPECT_TRUE(
        result.err.contains("1 numbered test files from before this run stay in the "
                            "folder: " +
                            folder.file("7.tst")))
        << result.err.toStdString();
    EXPECT_EQ(TestFiles(folder.path()), QStringList({"7.tst"}));
}

TEST(Suggest, PrintsTheProposalForTheFolderAndTestsNothing) {
    TestMount small(10 << 20);
    if (!small.mounted()) GTEST_SKIP() << "mounting a 10 MB RAM disk needs root";
    const Result text = RunCli({"--suggest", small.path()}, {"LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, "Freier Speicher auf [" + small.path() + "]: 10 MB\n" +
                            "Vorschlag für die Einstellungen: 5 Dateien á 2 MB = 10 MB\n");
    const Result json = RunCli({"--suggest", "--json", small.path()});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(Json(json)["files"].toInt(), 5);
    EXPECT_EQ(Json(json)["sizeMB"].toInt(), 2);
    EXPECT_TRUE(QDir(small.path()).isEmpty());

    const Result none = RunCli({"--suggest", small.path() + "missing"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.startsWith("dravelo-cli: no free space found"));
}
