#include "ProfileJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CloseRequests.h"
#include "JsonReport.h"
#include "ProfileTable.h"

namespace {

QJsonObject FiguresJson(const RunFigures& figures) {
    return {{"MBps", figures.MBps}, {"MiBps", figures.MiBps}, {"IOPS", figures.IOPS}};
}

QJsonObject LatencyJson(const LatencyHistogram& latency) {
    return {{"mean", latency.MeanNanoseconds() / 1000.0},
            {"p50", Microseconds(latency.PercentileNanoseconds(0.5))},
            {"p90", Microseconds(latency.PercentileNanoseconds(0.9))},
            {"p99", Microseconds(latency.PercentileNanoseconds(0.99))},
            {"p99_9", Microseconds(latency.PercentileNanoseconds(0.999))},
            {"max", Microseconds(latency.MaxNanoseconds())}};
}

QJsonValue DirectionJson(const std::optional<DirectionFigures>& figures) {
    if (!figures) return QJsonValue();
    QJsonArray runs;
    for (const RunFigures& run : figures->runs)
        runs.append(QJsonObject{{"MBps", run.MBps}, {"IOPS", run.IOPS}});
    QJsonObject direction = FiguresJson(figures->median);
    direction.insert("min", FiguresJson(figures->min));
    direction.insert("max", FiguresJson(figures->max));
    direction.insert("runs", runs);
    direction.insert("latencyMicroseconds", LatencyJson(figures->latency));
    direction.insert("cpuSecondsPerGiB", figures->cpuSecondsPerGiB);
    return direction;
}

QJsonObject TestJson(const ProfileTestResult& result) {
    const ProfileTest& test = result.test;
    return {{"name", test.Name()},
            {"pattern", test.pattern == AccessPattern::Sequential ? "sequential" : "random"},
            {"blockBytes", test.blockBytes},
            {"depth", test.depth},
            {"threads", test.threads},
            {"readShare", test.readShare},
            {"read", DirectionJson(result.read)},
            {"write", DirectionJson(result.write)}};
}

QJsonObject ProfileObject(const ProfileReport& report) {
    QJsonArray tests;
    for (const ProfileTestResult& result : report.tests) tests.append(TestJson(result));
    QJsonObject profile{{"engine", report.engine},
                        {"cacheBypass", report.cacheBypass},
                        {"registeredBuffers", report.registeredBuffers},
                        {"fileBytes", qint64(report.fileBytes)},
                        {"runs", report.runs},
                        {"secondsPerRun", report.secondsPerRun},
                        {"tests", tests}};
    if (!report.engineReason.isEmpty()) profile.insert("engineReason", report.engineReason);
    if (!report.cacheBypass && !report.bufferedReason.isEmpty())
        profile.insert("bufferedReason", report.bufferedReason);
    return profile;
}

QJsonObject OutcomeJson(const ProfileJsonInput& input) {
    if (input.closeSignal != 0)
        return {{"status", "interrupted"},
                {"signal", closerequests::SignalName(input.closeSignal)},
                {"signalNumber", input.closeSignal}};
    switch (input.report.outcome) {
        case ProfileOutcome::Completed:
            return {{"status", "completed"}};
        case ProfileOutcome::Failed:
            return {{"status", "failed"}, {"reason", input.report.failure}};
        case ProfileOutcome::Stopped:
            break;
    }
    return {{"status", "interrupted"}};
}

QStringList Problems(const ProfileJsonInput& input) {
    QStringList problems;
    if (!input.report.fileRemoved)
        problems << QStringLiteral("test file not deleted: %1").arg(input.report.filePath);
    if (!input.chartError.isEmpty())
        problems
            << QStringLiteral("chart not drawn: %1: %2").arg(input.chartPath, input.chartError);
    return problems;
}

QJsonObject ChartJson(const ProfileJsonInput& input) {
    if (input.chartPath.isEmpty()) return {{"status", "not requested"}, {"path", QJsonValue()}};
    return {{"status", input.chartError.isEmpty() ? "drawn" : "failed"}, {"path", input.chartPath}};
}

}  // namespace

QByteArray ProfileJsonReport(const ProfileJsonInput& input) {
    const ProfileReport& report = input.report;
    const QJsonArray filesLeft = report.fileRemoved ? QJsonArray() : QJsonArray{report.filePath};
    const QJsonObject json{
        {"schema", kJsonSchema},
        {"program", "dravelo-cli"},
        {"version", QStringLiteral(DRAVELO_VERSION)},
        {"startTime", JsonTime(input.startTime)},
        {"test", "profile"},
        {"folder", input.folder},
        {"fileSystem", FileSystemJson(input.folder)},
        {"driveKind", DriveKindJson(input.folder)},
        // The classic test's members: the profile has its own in "profile".
        {"ioMode", QJsonValue()},
        {"inputs", QJsonValue()},
        {"write", QJsonValue()},
        {"read", QJsonValue()},
        {"cachedShareBeforeRead", QJsonValue()},
        {"outcome", OutcomeJson(input)},
        {"cleanUp", QJsonObject{{"complete", report.fileRemoved}, {"filesLeft", filesLeft}}},
        {"logFile", QJsonObject{{"status", "not requested"}, {"path", QJsonValue()}}},
        {"chart", ChartJson(input)},
        {"problems", QJsonArray::fromStringList(Problems(input))},
        {"log", QJsonArray::fromStringList(input.log)},
        {"profile", ProfileObject(report)}};
    return QJsonDocument(json).toJson(QJsonDocument::Indented);
}
