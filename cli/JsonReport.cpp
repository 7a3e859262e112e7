#include "JsonReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <cmath>

#include "CloseRequests.h"
#include "DeviceIdentity.h"
#include "MountTable.h"
#include "TestPhases.h"
#include "modFile.h"
#include "modMain.h"

namespace {

constexpr int kBlockBytes = 1024;
constexpr int kBytesPerMB = 1024 * 1024;

QJsonValue NumberOrNull(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

// MB/s of `megabytes` over a span on the monotonic clock; nothing for a span too short to time.
QJsonValue PreciseMBps(double megabytes, int64_t microseconds) {
    if (microseconds <= 0) return QJsonValue();
    return megabytes / (static_cast<double>(microseconds) / 1e6);
}

QJsonArray FileSpans(const PhaseMeasurement& phase, int32_t sizeMB) {
    QJsonArray files;
    for (size_t i = 0; i < phase.fileMicroseconds.size(); ++i) {
        const int64_t microseconds = phase.fileMicroseconds[i];
        const int64_t milliseconds = phase.fileMilliseconds[i];  // recorded in pairs
        const bool read = microseconds != PhaseMeasurement::kNotRead;
        files.append(
            QJsonObject{{"name", TestFileName(QString(), static_cast<int32_t>(i + 1))},
                        {"milliseconds", read ? QJsonValue(qint64(milliseconds)) : QJsonValue()},
                        {"microseconds", read ? QJsonValue(qint64(microseconds)) : QJsonValue()},
                        {"MBps", PreciseMBps(sizeMB, microseconds)}});
    }
    return files;
}

// `seconds` and `mbps` are the phase's stored results, NaN until it completes. A phase that
// never ran has no figures: each is null, not 0.
QJsonObject PhaseJson(const PhaseMeasurement& phase, double seconds, double mbps,
                      const CliOptions& options) {
    const bool completed = std::isfinite(seconds);
    // The megabytes actually read: a file the read phase passed over adds nothing.
    const double megabytes = double(phase.FilesTimed(options.files)) * options.sizeMB;
    const auto spanOrNull = [&](int64_t span) {
        return phase.ran ? QJsonValue(qint64(span)) : QJsonValue();
    };
    return {{"completed", completed},
            {"milliseconds", spanOrNull(phase.milliseconds)},
            {"microseconds", spanOrNull(phase.microseconds)},
            {"secondsPerFile", NumberOrNull(seconds)},
            {"MBps", NumberOrNull(mbps)},
            {"preciseMBps", completed ? PreciseMBps(megabytes, phase.microseconds) : QJsonValue()},
            {"files", FileSpans(phase, options.sizeMB)}};
}

QJsonObject Outcome(const FinishedRun& run) {
    if (run.closeSignal != 0)
        return {{"status", "interrupted"},
                {"signal", closerequests::SignalName(run.closeSignal)},
                {"signalNumber", run.closeSignal}};
    switch (run.outcome) {
        case RunOutcome::Completed:
            return {{"status", "completed"}};
        case RunOutcome::TargetRefused:
            return {{"status", "refused"}, {"reason", RefusalReason(run)}};
        case RunOutcome::InputRefused:
            return {{"status", "failed"}, {"phase", "inputs"}};
        case RunOutcome::Stopped:
            break;
    }
    const bool writeDone = std::isfinite(run.options.multiple ? run.results.MultiWriteSeconds
                                                              : run.results.SingleWriteSeconds);
    QJsonObject failed{{"status", "failed"}, {"phase", writeDone ? "read" : "write"}};
    if (const QString reason = FailureReason(run); !reason.isEmpty()) failed["reason"] = reason;
    return failed;
}

QJsonValue FileSystemType(const QString& folder) {
    const auto mount = MountOf(folder);
    return mount ? QJsonValue(mount->fsType) : QJsonValue();
}

QJsonValue MountPoint(const QString& folder) {
    const auto mount = MountOf(folder);
    return mount ? QJsonValue(mount->mountPoint) : QJsonValue();
}

// The drive behind the folder, so that runs from many machines can be told apart.
QJsonObject DeviceOfFolder(const QString& folder) {
    const auto mount = MountOf(folder);
    const auto numbers = mount ? drivekind::BlockDeviceOf(*mount) : std::nullopt;
    if (!numbers) return DeviceJson(DeviceIdentity());
    return DeviceJson(ReadDeviceIdentity(numbers->first, numbers->second, "/sys", "/dev"));
}

QString DriveKindName(const QString& folder) {
    int16_t kind = drivekind::kUnknown;
    DriveKind(folder, kind);
    switch (kind) {
        case drivekind::kRemovable:
            return QStringLiteral("removable");
        case drivekind::kFixed:
            return QStringLiteral("fixed");
        case drivekind::kRemote:
            return QStringLiteral("remote");
        case drivekind::kCdRom:
            return QStringLiteral("cdrom");
        case drivekind::kRamDisk:
            return QStringLiteral("ramdisk");
        default:
            return QStringLiteral("unknown");
    }
}

// ISO 8601 with the offset from UTC, so that scripts on other machines read the same moment.
QString IsoTimeWithOffset(const QDateTime& moment) {
    return moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonObject IoModeJson(const FinishedRun& run) {
    const std::optional<bool>& direct = run.report.ioMode.directTransferPossible;
    return {{"cacheBypass", run.options.cacheBypass},
            {"writeThrough", run.options.writeThrough},
            {"directTransferPossible", direct ? QJsonValue(*direct) : QJsonValue()}};
}

QJsonObject CleanUpJson(const FinishedRun& run) {
    const RunReport& report = run.report;
    const QString& listing = report.listingFailure;
    return {{"complete", report.filesLeft.isEmpty() && listing.isEmpty()},
            {"filesLeft", QJsonArray::fromStringList(report.filesLeft)},
            {"listingFailure", listing.isEmpty() ? QJsonValue() : QJsonValue(listing)}};
}

// Texts of the system's names keep bytes that are not UTF-8, which JSON cannot carry: they are
// shown as U+FFFD.
QJsonValue Shown(const QJsonValue& value) {
    if (value.isString()) return ShownText(value.toString());
    if (value.isArray()) {
        QJsonArray shown;
        for (const QJsonValue& item : value.toArray()) shown.append(Shown(item));
        return shown;
    }
    if (value.isObject()) {
        QJsonObject shown;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            shown[it.key()] = Shown(it.value());
        return shown;
    }
    return value;
}

}  // namespace

QJsonObject FolderLockJson(FolderLockState state, const QString& why) {
    const QJsonValue reason = why.isEmpty() ? QJsonValue() : QJsonValue(why);
    switch (state) {
        case FolderLockState::Held:
            return {{"status", "held"}, {"reason", QJsonValue()}};
        case FolderLockState::InUse:
            return {{"status", "in use"}, {"reason", reason}};
        case FolderLockState::Unavailable:
            return {{"status", "unavailable"}, {"reason", reason}};
        case FolderLockState::NotHeld:
            break;
    }
    return {{"status", "not taken"}, {"reason", QJsonValue()}};
}

namespace {

QJsonObject LogFileJson(const RunReport& report) {
    switch (report.logFile) {
        case LogFileStatus::Written:
            return {{"status", "written"}, {"path", report.logFilePath}};
        case LogFileStatus::Failed:
            return {{"status", "failed"}, {"path", report.logFilePath}};
        case LogFileStatus::NotRequested:
            break;
    }
    return {{"status", "not requested"}, {"path", QJsonValue()}};
}

QJsonObject ChartJson(const FinishedRun& run) {
    const QString& path = run.options.chartPath;
    if (path.isEmpty()) return {{"status", "not requested"}, {"path", QJsonValue()}};
    return {{"status", run.chartError.isEmpty() ? "drawn" : "failed"}, {"path", path}};
}

}  // namespace

QJsonObject JsonReportObject(const FinishedRun& run) {
    const CliOptions& options = run.options;
    const PhaseResults& r = run.results;
    const bool multiple = options.multiple;
    const QString folder = TestedFolder(options);
    const std::optional<double>& cached = run.report.cachedShareBeforeRead;
    const QJsonObject report{
        {"schema", kJsonSchema},
        {"program", "dravelo-cli"},
        {"version", QStringLiteral(DRAVELO_VERSION)},
        {"startTime", IsoTimeWithOffset(run.startTime)},
        {"test", multiple ? "multiple" : "single"},
        {"host", QSysInfo::machineHostName()},
        {"folder", folder},
        {"mountPoint", MountPoint(folder)},
        {"fileSystem", FileSystemType(folder)},
        {"device", DeviceOfFolder(folder)},
        {"driveKind", DriveKindName(folder)},
        {"ioMode", IoModeJson(run)},
        {"folderLock", FolderLockJson(run.report.folderLock, run.report.folderLockReason)},
        {"inputs", QJsonObject{{"files", options.files},
                               {"sizeMB", options.sizeMB},
                               {"blockBytes", kBlockBytes},
                               {"bytesPerMB", kBytesPerMB}}},
        {"write", PhaseJson(run.report.write, multiple ? r.MultiWriteSeconds : r.SingleWriteSeconds,
                            multiple ? r.MultiWriteMBps : r.SingleWriteMBps, options)},
        {"read", PhaseJson(run.report.read, multiple ? r.MultiReadSeconds : r.SingleReadSeconds,
                           multiple ? r.MultiReadMBps : r.SingleReadMBps, options)},
        {"cachedShareBeforeRead", cached ? QJsonValue(*cached) : QJsonValue()},
        {"outcome", Outcome(run)},
        {"cleanUp", CleanUpJson(run)},
        {"leftovers", run.report.leftovers
                          ? QJsonValue(QJsonArray::fromStringList(*run.report.leftovers))
                          : QJsonValue()},
        {"logFile", LogFileJson(run.report)},
        {"chart", ChartJson(run)},
        {"problems", QJsonArray::fromStringList(Problems(run))},
        {"log", QJsonArray::fromStringList(run.logLines)}};
    return Shown(report).toObject();
}

QByteArray JsonReport(const FinishedRun& run) {
    return QJsonDocument(JsonReportObject(run)).toJson(QJsonDocument::Indented);
}

QByteArray SuggestionJson(const QString& folder, int32_t files, int32_t sizeMB) {
    const bool usable = files >= 1 && sizeMB >= 1;
    const QJsonObject suggestion{{"schema", kJsonSchema},
                                 {"program", "dravelo-cli"},
                                 {"version", QStringLiteral(DRAVELO_VERSION)},
                                 {"folder", folder},
                                 {"files", usable ? QJsonValue(files) : QJsonValue()},
                                 {"sizeMB", usable ? QJsonValue(sizeMB) : QJsonValue()}};
    return QJsonDocument(suggestion).toJson(QJsonDocument::Indented);
}

QJsonValue FileSystemJson(const QString& folder) {
    return FileSystemType(folder);
}

QString DriveKindJson(const QString& folder) {
    return DriveKindName(folder);
}

QJsonValue MountPointJson(const QString& folder) {
    return MountPoint(folder);
}

QJsonObject DeviceOfFolderJson(const QString& folder) {
    return DeviceOfFolder(folder);
}

QString JsonTime(const QDateTime& moment) {
    return IsoTimeWithOffset(moment);
}
