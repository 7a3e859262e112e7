// --prometheus: files the node exporter's textfile collector can read, checked by Prometheus' own
// promtool, for runs that completed and runs that failed.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include "history_support.h"

using namespace history;

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
        QProcess check;
        check.setStandardInputFile(metrics);
        check.start(promtool, {"check", "metrics"});
        ASSERT_TRUE(check.waitForFinished(60000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().data() << text.data();
        // Only the finished file is left: no temporary one for the collector to trip over.
        EXPECT_EQ(QDir(place.data.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"dravelo.prom"});
    }
}

TEST(Prometheus, AFileThatCannotBeWrittenIsAProblemOfTheRun) {
    Place place;
    const cli::Result run = RunIn(
        place, SmallRun(place, {"--json", "--prometheus", place.data.file("no/such/folder.prom")}));
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(cli::Json(run)["outcome"]["status"], "completed");
    EXPECT_TRUE(run.err.contains("the Prometheus file was not written")) << run.err.toStdString();
}
