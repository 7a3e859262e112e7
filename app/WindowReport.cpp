#include "WindowReport.h"

#include <QJsonArray>
#include <QSysInfo>
#include <cstdio>

#include "DeviceIdentity.h"
#include "MountTable.h"
#include "ProfileJsonObject.h"
#include "RunHistory.h"
#include "VersionFile.h"
#include "modMain.h"

namespace {

// MB/s over the phase's millisecond span, as the window shows it; nothing for a phase that did
// not complete or was too short to time.
QJsonValue PhaseMBps(const PhaseMeasurement& phase, const RunReport& report) {
    if (!phase.completed || phase.milliseconds <= 0) return QJsonValue();
    return double(report.nFiles) * report.sizeMB * 1000.0 / double(phase.milliseconds);
}

QJsonObject PhaseJson(const PhaseMeasurement& phase, const RunReport& report) {
    return {{"completed", phase.completed},
            {"milliseconds", qint64(phase.milliseconds)},
            {"microseconds", qint64(phase.microseconds)},
            {"MBps", PhaseMBps(phase, report)}};
}

QJsonObject OutcomeJson(const WindowRun& run) {
    if (run.outcome == RunOutcome::Completed) return {{"status", "completed"}};
    return {{"status", "failed"}, {"phase", run.report.write.completed ? "read" : "write"}};
}

QJsonObject DeviceOf(const std::optional<MountEntry>& mount) {
    const auto numbers = mount ? drivekind::BlockDeviceOf(*mount) : std::nullopt;
    if (!numbers) return DeviceJson(DeviceIdentity());
    return DeviceJson(ReadDeviceIdentity(numbers->first, numbers->second, "/sys", "/dev"));
}

QJsonObject ProfileOutcomeJson(const ProfileReport& report) {
    switch (report.outcome) {
        case ProfileOutcome::Completed:
            return {{"status", "completed"}};
        case ProfileOutcome::Failed:
            return {{"status", "failed"}, {"reason", report.failure}};
        case ProfileOutcome::Stopped:
            break;
    }
    return {{"status", "interrupted"}};
}

QString IsoTime(const QDateTime& moment) {
    return moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate);
}

void RecordReport(const QJsonObject& report) {
    RunHistory history;
    if (!history.OpenForWriting() || !history.Record(report))
        std::fprintf(stderr, "dravelo: the run was not recorded in the history: %s\n",
                     qPrintable(history.Error()));
}

}  // namespace

QJsonObject WindowRunReport(const WindowRun& run) {
    const std::optional<MountEntry> mount = MountOf(run.folder);
    const RunReport& report = run.report;
    return {{"schema", 1},
            {"program", "dravelo"},
            {"version", VersionText(kInstalledVersion)},
            {"startTime",
             run.startTime.toOffsetFromUtc(run.startTime.offsetFromUtc()).toString(Qt::ISODate)},
            {"test", run.multiple ? "multiple" : "single"},
            {"host", QSysInfo::machineHostName()},
            {"folder", run.folder},
            {"mountPoint", mount ? QJsonValue(mount->mountPoint) : QJsonValue()},
            {"fileSystem", mount ? QJsonValue(mount->fsType) : QJsonValue()},
            {"device", DeviceOf(mount)},
            {"ioMode", QJsonObject{{"cacheBypass", report.ioMode.cacheBypass},
                                   {"writeThrough", report.ioMode.writeThrough}}},
            {"inputs", QJsonObject{{"files", report.nFiles}, {"sizeMB", report.sizeMB}}},
            {"write", PhaseJson(report.write, report)},
            {"read", PhaseJson(report.read, report)},
            {"outcome", OutcomeJson(run)},
            {"cleanUp", QJsonObject{{"complete", report.filesLeft.isEmpty()},
                                    {"filesLeft", QJsonArray::fromStringList(report.filesLeft)}}},
            {"log", QJsonArray::fromStringList(run.logLines)}};
}

void RecordWindowRun(const WindowRun& run) {
    if (run.outcome == RunOutcome::TargetRefused || run.outcome == RunOutcome::InputRefused) return;
    RecordReport(WindowRunReport(run));
}

QJsonObject WindowProfileReport(const ProfileReport& report, const QString& folder,
                                const QDateTime& startTime) {
    const std::optional<MountEntry> mount = MountOf(folder);
    const QJsonArray filesLeft = report.fileRemoved ? QJsonArray() : QJsonArray{report.filePath};
    return {{"schema", 1},
            {"program", "dravelo"},
            {"version", VersionText(kInstalledVersion)},
            {"startTime", IsoTime(startTime)},
            {"test", "profile"},
            {"host", QSysInfo::machineHostName()},
            {"folder", folder},
            {"mountPoint", mount ? QJsonValue(mount->mountPoint) : QJsonValue()},
            {"fileSystem", mount ? QJsonValue(mount->fsType) : QJsonValue()},
            {"device", DeviceOf(mount)},
            {"outcome", ProfileOutcomeJson(report)},
            {"cleanUp", QJsonObject{{"complete", report.fileRemoved}, {"filesLeft", filesLeft}}},
            {"profile", ProfileJsonObject(report)}};
}

void RecordWindowProfile(const ProfileReport& report, const QString& folder,
                         const QDateTime& startTime) {
    // A folder refused before the test file existed leaves nothing worth keeping.
    if (report.filePath.isEmpty()) return;
    RecordReport(WindowProfileReport(report, folder, startTime));
}
