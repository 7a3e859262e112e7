// The run history end to end: runs of the real program recorded into a real SQLite file, looked
// back on, compared, imported and exported; and a history that cannot be used, which must never
// change how a run went nor the file itself.
#include <gtest/gtest.h>

#include "history_support.h"

using namespace history;

TEST(History, RunsAreRecordedListedFilteredAndCompared) {
    Place place;
    const cli::Result single = RunIn(place, SmallRun(place, {"--json"}));
    const cli::Result multiple = RunIn(place, SmallRun(place, {"--multiple"}));
    const cli::Result skipped = RunIn(place, SmallRun(place, {"--no-history"}));
    ASSERT_EQ(single.exitCode, 0) << single.err.toStdString();
    ASSERT_EQ(multiple.exitCode, 0) << multiple.err.toStdString();
    ASSERT_EQ(skipped.exitCode, 0);
    // What a fleet needs to tell machines and drives apart.
    const QJsonObject report = cli::Json(single);
    EXPECT_FALSE(report["host"].toString().isEmpty());
    EXPECT_FALSE(report["mountPoint"].toString().isEmpty());
    for (const char* field : {"name", "model", "serial", "uuid"})
        EXPECT_TRUE(report["device"].toObject().contains(field)) << field;

    const QJsonArray runs = Listed(place);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0]["test"], "multiple");  // newest first
    EXPECT_EQ(runs[1]["test"], "single");
    EXPECT_EQ(runs[1]["host"], report["host"]);
    EXPECT_EQ(runs[1]["folder"], place.tested.path());
    EXPECT_EQ(runs[1]["writeMBps"], report["write"]["MBps"]);
    EXPECT_EQ(runs[1]["outcome"], "completed");
    EXPECT_EQ(Listed(place, {"--last", "1"}).size(), 1);
    EXPECT_EQ(Listed(place, {"--folder", place.tested.path()}).size(), 2);
    EXPECT_EQ(Listed(place, {"--folder", place.data.path()}).size(), 0);
    const QString device = report["device"]["name"].toString();
    if (!device.isEmpty()) {
        EXPECT_EQ(Listed(place, {"--device", device}).size(), 2);
    }
    EXPECT_EQ(Listed(place, {"--device", "no-such-drive"}).size(), 0);

    const cli::Result table = RunIn(place, {"--history", "--lang", "deutsch.lng"});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_TRUE(table.out.startsWith("ID  Zeit")) << table.out.toStdString();
    EXPECT_EQ(table.out.count('\n'), 3);

    const QString first = runs[1]["id"].toVariant().toString();
    const QString second = runs[0]["id"].toVariant().toString();
    const cli::Result compared = RunIn(place, {"--compare", first, second, "--json"});
    ASSERT_EQ(compared.exitCode, 0);
    const QJsonObject comparison = cli::Json(compared);
    EXPECT_EQ(comparison["runs"][0]["id"], runs[1]["id"]);
    EXPECT_DOUBLE_EQ(comparison["ratio"]["writeMBps"].toDouble(),
                     runs[0]["writeMBps"].toDouble() / runs[1]["writeMBps"].toDouble());
    const cli::Result text = RunIn(place, {"--compare", first, second});
    EXPECT_TRUE(text.out.contains("Ratio")) << text.out.toStdString();
    const cli::Result missing = RunIn(place, {"--compare", first, "999"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("999"));
}

// Ten copies of the program recording into one new history at the same moment.
TEST(History, TenProcessesRecordingAtOnceLoseNoRow) {
    Place place;
    constexpr int kProcesses = 10;
    std::vector<std::unique_ptr<TempFolder>> folders;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < kProcesses; ++i) {
        folders.push_back(std::make_unique<TempFolder>());
        processes.push_back(std::make_unique<QProcess>());
        cli::Start(*processes.back(), {"--files", "1", "--size", "1", folders.back()->path()},
                   place.environment());
    }
    for (auto& process : processes) {
        const cli::Result result = cli::Finish(*process);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_FALSE(result.err.contains("history")) << result.err.toStdString();
    }
    EXPECT_EQ(Ask(place.database(), "SELECT COUNT(*) FROM runs").toInt(), kProcesses);
    EXPECT_EQ(Ask(place.database(), "SELECT COUNT(DISTINCT folder) FROM runs").toInt(), kProcesses);
    EXPECT_EQ(Ask(place.database(), "PRAGMA integrity_check").toString(), "ok");
    EXPECT_EQ(Ask(place.database(), "PRAGMA journal_mode").toString(), "wal");
}

// The first layout, as the first version of the history wrote it.
TEST(History, AnOlderLayoutIsMigratedAndKeepsItsRuns) {
    Place place;
    ASSERT_TRUE(QDir().mkpath(place.data.path() + "dravelo"));
    for (const char* statement :
         {"CREATE TABLE runs (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time TEXT NOT NULL, "
          "start_utc INTEGER NOT NULL, host TEXT, folder TEXT, file_system TEXT, "
          "device_name TEXT, device_model TEXT, device_serial TEXT, test TEXT NOT NULL, "
          "files INTEGER, size_mb INTEGER, cache_bypass INTEGER, write_through INTEGER, "
          "outcome TEXT, write_mbps REAL, read_mbps REAL, report BLOB NOT NULL)",
          "INSERT INTO runs (start_time, start_utc, host, folder, test, files, size_mb, "
          "outcome, write_mbps, report) VALUES ('2025-01-02T03:04:05Z', 1735787045, "
          "'old-host', '/srv/', 'single', 3, 100, 'completed', 42.5, x'00')",
          "PRAGMA user_version = 1"})
        Ask(place.database(), statement);
    ASSERT_EQ(Ask(place.database(), "PRAGMA user_version").toInt(), 1);

    const QJsonArray before = Listed(place);
    ASSERT_EQ(before.size(), 1);
    EXPECT_EQ(before[0]["host"], "old-host");
    EXPECT_EQ(before[0]["writeMBps"], 42.5);
    EXPECT_TRUE(before[0]["mountPoint"].isNull());
    EXPECT_EQ(RunIn(place, SmallRun(place)).exitCode, 0);
    EXPECT_EQ(Listed(place).size(), 2);
    EXPECT_EQ(Ask(place.database(), "PRAGMA user_version").toInt(), 2);
}

// A history the program cannot write: the run goes on and earns its own exit status, the
// problem is named, and the file stays exactly as it was.
TEST(History, AnUnusableHistoryNeverChangesTheRunNorTheFile) {
    const struct {
        const char* name;
        std::function<void(const QString& path)> make;
        const char* reason;
    } cases[] = {
        {"damaged",
         [](const QString& path) {
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray(8192, 'x'));
         },
         "not a database"},
        {"another program's",
         [](const QString& path) { Ask(path, "CREATE TABLE accounts (owner TEXT)"); },
         "another program's database"},
        {"newer",
         [](const QString& path) {
             Ask(path, "CREATE TABLE runs (id INTEGER PRIMARY KEY, start_time TEXT)");
             Ask(path, "PRAGMA user_version = 99");
         },
         "newer version"},
    };
    for (const auto& [name, make, reason] : cases) {
        Place place;
        ASSERT_TRUE(QDir().mkpath(place.data.path() + "dravelo"));
        make(place.database());
        const QByteArray digest = Digest(place.database());
        const QStringList files = QDir(place.data.path() + "dravelo").entryList(QDir::Files);
        const cli::Result result = RunIn(place, SmallRun(place, {"--json"}));
        EXPECT_EQ(result.exitCode, 0) << name;
        EXPECT_EQ(cli::Json(result)["outcome"]["status"], "completed") << name;
        EXPECT_TRUE(result.err.contains("not recorded in the history")) << name;
        EXPECT_TRUE(result.err.contains(reason)) << name << ": " << result.err.toStdString();
        EXPECT_TRUE(cli::Json(result)["problems"][0].toString().contains("history")) << name;
        EXPECT_EQ(Digest(place.database()), digest) << name;
        EXPECT_EQ(QDir(place.data.path() + "dravelo").entryList(QDir::Files), files) << name;
    }
}

TEST(History, AHistoryOnAReadOnlyMountLeavesTheRunAlone) {
    if (!TestMount::Possible()) GTEST_SKIP() << "a read-only mount needs root";
    Place writable;
    ASSERT_EQ(RunIn(writable, SmallRun(writable)).exitCode, 0);
    TestMount readOnly(writable.data.path());
    ASSERT_TRUE(readOnly.mounted());
    const QString database = readOnly.path() + "dravelo/history.sqlite";
    const QByteArray digest = Digest(database);
    const cli::Result result =
        cli::RunCli(SmallRun(writable), {"XDG_DATA_HOME=" + readOnly.path()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.contains("not recorded in the history")) << result.err.toStdString();
    EXPECT_EQ(Digest(database), digest);
}

// The fleet case: reports made with --json on other machines, collected and imported on one.
TEST(History, ReportsFromAnotherHostAreImportedOnceAndExportedAsCsv) {
    Place place;
    const cli::Result made = RunIn(place, SmallRun(place, {"--json", "--no-history"}));
    ASSERT_EQ(made.exitCode, 0);
    QJsonObject report = cli::Json(made);
    report["host"] = "rack-7, node \"b\"";
    place.data.write("far.json", QJsonDocument(report).toJson());
    place.data.write("other.json", "{\"program\": \"something else\"}");

    const cli::Result imported = RunIn(place, {"--import", place.data.file("far.json")});
    EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    const cli::Result again =
        RunIn(place, {"--import", place.data.file("far.json"), place.data.file("other.json")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("other.json")) << again.err.toStdString();
    const QJsonArray runs = Listed(place);
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0]["host"], "rack-7, node \"b\"");
    EXPECT_EQ(runs[0]["readMBps"], report.value("read")["MBps"]);

    const QString csvPath = place.data.file("runs.csv");
    ASSERT_EQ(RunIn(place, {"--export-csv", csvPath}).exitCode, 0);
    QFile csv(csvPath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);  // the header, one run, and nothing after the last line end
    EXPECT_TRUE(lines[0].startsWith("id,startTime,host,folder,"));
    EXPECT_TRUE(lines[1].contains(",\"rack-7, node \"\"b\"\"\",")) << lines[1].toStdString();
}

TEST(History, UsageErrorsOfTheLookingBackCommands) {
    Place place;
    for (const QStringList& arguments :
         {QStringList{"--history", "--last", "0"}, QStringList{"--history", "--compare", "1", "2"},
          QStringList{"--compare", "1"}, QStringList{"--device", "sda", "--import", "x.json"},
          QStringList{"--history", "somefolder"}, QStringList{"--prometheus"},
          QStringList{"--suggest", "--prometheus", "x.prom"}}) {
        const cli::Result result = RunIn(place, arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("Usage: dravelo-cli")) << arguments.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(place.database()));
}

// A full history: the oldest run makes room for the new one, and the user is told.
TEST(History, TheNewestTenThousandRunsAreKept) {
    Place place;
    ASSERT_EQ(RunIn(place, SmallRun(place)).exitCode, 0);  // creates the file
    Ask(place.database(),
        "INSERT INTO runs (start_time, start_utc, test, report) "
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 9999) "
        "SELECT '2020-01-01T00:00:00Z', 1577836800 + i, 'single', x'00' FROM n");
    ASSERT_EQ(Ask(place.database(), "SELECT COUNT(*) FROM runs").toInt(), 10000);
    const cli::Result result = RunIn(place, SmallRun(place));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.err.contains("keeps the newest 10000 runs; 1 older"))
        << result.err.toStdString();
    EXPECT_EQ(Ask(place.database(), "SELECT COUNT(*) FROM runs").toInt(), 10000);
    EXPECT_EQ(Ask(place.database(), "SELECT MIN(start_utc) FROM runs").toLongLong(), 1577836802);
    EXPECT_EQ(Listed(place, {"--folder", place.tested.path()}).size(), 2);
}
