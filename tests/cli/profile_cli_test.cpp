// dravelo-cli --profile as a script runs it: the JSON report's profile object, the table in the
// chosen language, usage errors, and every close request stopping the profile with its file gone.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "cli_process.h"

using namespace cli;

namespace {

QStringList ProfileFiles(const QString& folder) {
    return QDir(folder).entryList({"DraveloProfile*"}, QDir::Files | QDir::Hidden);
}

TEST(ProfileCli, JsonReportHoldsEveryTestsFiguresAndTheFileIsGone) {
    TempFolder folder;
    folder.write("keep.txt", "mine");
    const Result result = RunCli({"--profile", "realworld", "--profile-size", "8", "--runs", "1",
                                  "--seconds", "1", "--json", folder.path()});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject json = Json(result);
    EXPECT_EQ(json["schema"].toInt(), 1);
    EXPECT_EQ(json["test"].toString(), "profile");
    for (const char* classic : {"read", "write", "inputs", "cachedShareBeforeRead"})
        EXPECT_TRUE(json[classic].isNull()) << classic;
    EXPECT_EQ(json["outcome"]["status"].toString(), "completed");
    EXPECT_EQ(json["folderLock"]["status"].toString(), "held");
    EXPECT_TRUE(json["leftovers"].isNull());
    EXPECT_TRUE(json["cleanUp"].toObject().contains("listingFailure"));
    const QJsonObject profile = json["profile"].toObject();
    EXPECT_EQ(profile["engine"].toString(), "io_uring");
    EXPECT_FALSE(profile.contains("engineReason"));
    EXPECT_EQ(profile["fileBytes"].toInteger(), 8 << 20);
    EXPECT_EQ(profile["runs"].toInt(), 1);
    const QJsonArray tests = profile["tests"].toArray();
    ASSERT_EQ(tests.size(), 3);
    const struct {
        const char* name;
        double readShare;
        bool write;
    } expected[] = {
        {"SEQ1M Q1T1", 1, true}, {"RND4K Q1T1", 1, true}, {"RND4K Q1T1 MIX70", 0.7, true}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject test = tests[i].toObject();
        EXPECT_EQ(test["name"].toString(), expected[i].name);
        EXPECT_EQ(test["readShare"].toDouble(), expected[i].readShare);
        EXPECT_EQ(test["depth"].toInt(), 1);
        for (const char* direction : {"read", "write"}) {
            const QJsonObject figures = test[direction].toObject();
            EXPECT_GT(figures["MBps"].toDouble(), 0) << expected[i].name << direction;
            EXPECT_NEAR(figures["MBps"].toDouble(), figures["MiBps"].toDouble() * 1.048576, 1e-6);
            EXPECT_EQ(figures["runs"].toArray().size(), 1);
            EXPECT_LE(figures["min"]["IOPS"].toDouble(), figures["IOPS"].toDouble());
            const QJsonObject latency = figures["latencyMicroseconds"].toObject();
            EXPECT_LE(latency["p50"].toDouble(), latency["p99_9"].toDouble());
            EXPECT_LE(latency["p99_9"].toDouble(), latency["max"].toDouble());
            EXPECT_GT(figures["cpuSecondsPerGiB"].toDouble(), 0);
        }
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"keep.txt"});
}

TEST(ProfileCli, UnusableProfileCommandLinesAreUsageErrors) {
    const std::pair<QStringList, const char*> cases[] = {
        {{"--profile", "fast"}, "is not a preset"},
        {{"--runs", "3"}, "needs --profile"},
        {{"--profile", "default", "--multiple"}, "exclude each other"},
        {{"--profile", "default", "--seconds", "0"}, "must be at least 1"},
        {{"--profile"}, "Missing value"},
    };
    for (const auto& [arguments, message] : cases) {
        const Result result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(message)) << result.err.toStdString();
    }
}

class ProfileCloseRequest : public ::testing::TestWithParam<int> {};

TEST_P(ProfileCloseRequest, StopsTheProfileAndDeletesItsFile) {
    TempFolder folder;
    folder.write("keep.txt", "mine");
    QProcess process;
    // A minute per run: only the close request can end it within the wait.
    Start(process, {"--profile", "default", "--profile-size", "8", "--seconds", "60", "--lang",
                    "deutsch.lng", folder.path()});
    ASSERT_TRUE(RunEventLoopUntil([&] { return !ProfileFiles(folder.path()).isEmpty(); }, 30000));
    RunEventLoopFor(300);
    ASSERT_TRUE(SendSignal(process, GetParam()));
    const Result result = Finish(process);
    EXPECT_EQ(result.exitCode, 128 + GetParam());
    EXPECT_TRUE(result.out.contains(ShippedText("deutsch.lng", 105))) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(ShippedText("deutsch.lng", 88)));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"keep.txt"});
}

INSTANTIATE_TEST_SUITE_P(Signals, ProfileCloseRequest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE));

}  // namespace
