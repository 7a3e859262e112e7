#include "ProfileJsonObject.h"

#include <QJsonArray>

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
    direction.insert("requests", qint64(figures->latency.Count()));
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

}  // namespace

QJsonObject ProfileJsonObject(const ProfileReport& report) {
    QJsonArray tests;
    for (const ProfileTestResult& result : report.tests) tests.append(TestJson(result));
    // A profile that ended before its file was laid out used no engine, cache mode or buffers.
    const auto used = [&report](const QJsonValue& value) {
        return report.laidOut ? value : QJsonValue();
    };
    QJsonObject profile{{"engine", used(report.engine)},
                        {"cacheBypass", used(report.cacheBypass)},
                        {"registeredBuffers", used(report.registeredBuffers)},
                        {"fileBytes", qint64(report.fileBytes)},
                        {"runs", report.runs},
                        {"secondsPerRun", report.secondsPerRun},
                        {"tests", tests}};
    if (report.laidOut && !report.engineReason.isEmpty())
        profile.insert("engineReason", report.engineReason);
    if (!report.cacheBypass && !report.bufferedReason.isEmpty())
        profile.insert("bufferedReason", report.bufferedReason);
    return profile;
}
