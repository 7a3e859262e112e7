// --prometheus: files the node exporter's textfile collector can read, checked by Prometheus' own
// promtool, for runs that completed and runs that failed.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include "history_support.h"

using namespace history;

namespace {

// promtool's verdict on the file: empty when it accepts it, its complaint otherwise.
QString PromtoolComplaint(const QString& promtool, const QString& metrics) {
    QProcess check;
    check.setStandardInputFile(metrics);
    check.start(promtool, {"check", "metrics"});
    if (!check.waitForFinished(60000)) return QStringLiteral("promtool did not finish");
    return check.exitCode() == 0 ? QString()
                                 : QString::fromUtf8(check.readAllStandardError()) + u'\n';
}

}  // namespace

TEST(Prometheus, PromtoolAcceptsWhatRunsWrite) {
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty()) GTEST_SKIP() << "promtool (Debian package prometheus) is not installed";
    if (!TestMount::Possible()) GTEST_SKIP() << "the failing run needs a tmpfs, which needs root";
    TestMount tooSmall(1 << 20);  // a 2 MB test file cannot fit
    ASSERT_TRUE(tooSmall.mounted());
    Place place;
    const struct {
        QString folder;
        const char* success;
        int exitCode;
    } cases[] = {{place.tested.path(), "1", 0}, {tooSmall.path(), "0", 1}};
    for (const auto& [folder, success, exitCode] : cases) {
        const QString metrics = place.data.file("dravelo.prom");
        const cli::Result run =
            RunIn(place, {"--files", "1", "--size", "2", "--prometheus", metrics, folder});
        EXPECT_EQ(run.exitCode, exitCode) << run.err.toStdString();
        QFile file(metrics);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << folder.toStdString();
        const QByteArray text = file.readAll();
        EXPECT_TRUE(text.contains("# TYPE dravelo_write_bytes_per_second gauge"));
        EXPECT_TRUE(text.contains("dravelo_run_success{host=\""));
        EXPECT_TRUE(text.contains("\",test=\"single\"} " + QByteArray(success))) << text.data();
        EXPECT_EQ(file.permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);
        EXPECT_EQ(PromtoolComplaint(promtool, metrics), QString()) << text.data();
        // Only the finished file is left: no temporary one for the collector to trip over.
        EXPECT_EQ(QDir(place.data.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"dravelo.prom"});
    }
}

// A drive profile: its figures per test and direction, latency as a summary in seconds, and the
// history row with the first test as the headline.
TEST(Prometheus, PromtoolAcceptsWhatAProfileWritesAndTheHistoryKeepsIt) {
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty()) GTEST_SKIP() << "promtool (Debian package prometheus) is not installed";
    Place place;
    const QString metrics = place.data.file("dravelo.prom");
    const cli::Result run =
        RunIn(place, {"--profile", "realworld", "--profile-size", "8", "--runs", "1", "--seconds",
                      "1", "--prometheus", metrics, place.tested.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile file(metrics);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char* expected :
         {"# TYPE dravelo_profile_iops gauge", "# TYPE dravelo_profile_bytes_per_second gauge",
          "# TYPE dravelo_profile_latency_seconds summary",
          "profile_test=\"RND4K Q1T1 MIX70\",direction=\"write\",quantile=\"0.99\"} ",
          "dravelo_profile_latency_seconds_count{", ",test=\"profile\"} 1\n"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.data();
    EXPECT_FALSE(text.contains("dravelo_write_bytes_per_second")) << text.data();
    EXPECT_EQ(PromtoolComplaint(promtool, metrics), QString()) << text.data();
    const QJsonArray listed = Listed(place);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0]["test"], "profile");
    EXPECT_EQ(listed[0]["sizeMB"], 8);
    EXPECT_GT(listed[0]["readMBps"].toDouble(), 0);
    EXPECT_GT(listed[0]["writeMBps"].toDouble(), 0);
}

TEST(Prometheus, AFileThatCannotBeWrittenIsAProblemOfTheRun) {
    Place place;
    const cli::Result run = RunIn(
        place, SmallRun(place, {"--json", "--prometheus", place.data.file("no/such/folder.prom")}));
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(cli::Json(run)["outcome"]["status"], "completed");
    EXPECT_TRUE(run.err.contains("the Prometheus file was not written")) << run.err.toStdString();
}
