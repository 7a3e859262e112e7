#include "ProfileJson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSysInfo>

#include "CloseRequests.h"
#include "JsonReport.h"
#include "ProfileJsonObject.h"

namespace {

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

QJsonObject ProfileJsonReport(const ProfileJsonInput& input) {
    const ProfileReport& report = input.report;
    const QJsonArray filesLeft = report.fileRemoved ? QJsonArray() : QJsonArray{report.filePath};
    const QJsonObject json{
        {"schema", kJsonSchema},
        {"program", "dravelo-cli"},
        {"version", QStringLiteral(DRAVELO_VERSION)},
        {"startTime", JsonTime(input.startTime)},
        {"test", "profile"},
        {"host", QSysInfo::machineHostName()},
        {"folder", input.folder},
        {"mountPoint", MountPointJson(input.folder)},
        {"fileSystem", FileSystemJson(input.folder)},
        {"device", DeviceOfFolderJson(input.folder)},
        {"driveKind", DriveKindJson(input.folder)},
        // The classic test's members: the profile has its own in "profile".
        {"ioMode", QJsonValue()},
        {"inputs", QJsonValue()},
        {"write", QJsonValue()},
        {"read", QJsonValue()},
        {"cachedShareBeforeRead", QJsonValue()},
        {"outcome", OutcomeJson(input)},
        {"folderLock", FolderLockJson(report.folderLock, report.folderLockReason)},
        // A profile writes one file of its own and never looks for numbered test files.
        {"leftovers", QJsonValue()},
        {"cleanUp", QJsonObject{{"complete", report.fileRemoved},
                                {"filesLeft", filesLeft},
                                {"listingFailure", QJsonValue()}}},
        {"logFile", QJsonObject{{"status", "not requested"}, {"path", QJsonValue()}}},
        {"chart", ChartJson(input)},
        {"problems", QJsonArray::fromStringList(Problems(input))},
        {"log", QJsonArray::fromStringList(input.log)},
        {"profile", ProfileJsonObject(report)}};
    return json;
}
