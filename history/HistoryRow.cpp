#include "HistoryRow.h"

#include <QDateTime>
#include <QJsonArray>
#include <cmath>

namespace {

constexpr int kReportSchema = 1;

QString Text(const QJsonValue& value) {
    return value.isString() ? value.toString() : QString();
}

std::optional<double> Figure(const QJsonValue& value) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) return std::nullopt;
    return value.toDouble();
}

QJsonValue TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue FigureOrNull(const std::optional<double>& figure) {
    return figure ? QJsonValue(*figure) : QJsonValue();
}

// A drive profile's headline: its first test (sequential 1 MiB blocks in every preset), in MiB/s
// so that the column keeps the classic tests' MB of 2^20 bytes. Size and cache bypass come from
// the profile's one test file.
void ReadProfileFigures(const QJsonObject& profile, HistoryRow& row) {
    row.files = 1;
    row.sizeMB = int(profile.value("fileBytes").toDouble() / (1024.0 * 1024.0));
    row.cacheBypass = profile.value("cacheBypass").toBool();
    const QJsonObject first = profile.value("tests").toArray().at(0).toObject();
    row.writeMBps = Figure(first.value("write").toObject().value("MiBps"));
    row.readMBps = Figure(first.value("read").toObject().value("MiBps"));
}

}  // namespace

std::optional<HistoryRow> RowOfReport(const QJsonObject& report) {
    if (report.value("schema").toInt() != kReportSchema) return std::nullopt;
    const QDateTime start = QDateTime::fromString(Text(report.value("startTime")), Qt::ISODate);
    const QString test = Text(report.value("test"));
    if (!start.isValid() || test.isEmpty()) return std::nullopt;
    HistoryRow row;
    row.startTime = Text(report.value("startTime"));
    row.startUtc = start.toSecsSinceEpoch();
    row.host = Text(report.value("host"));
    row.folder = Text(report.value("folder"));
    row.mountPoint = Text(report.value("mountPoint"));
    row.fileSystem = Text(report.value("fileSystem"));
    const QJsonObject device = report.value("device").toObject();
    row.deviceName = Text(device.value("name"));
    row.deviceModel = Text(device.value("model"));
    row.deviceSerial = Text(device.value("serial"));
    row.deviceUuid = Text(device.value("uuid"));
    row.test = test;
    const QJsonObject inputs = report.value("inputs").toObject();
    row.files = inputs.value("files").toInt();
    row.sizeMB = inputs.value("sizeMB").toInt();
    const QJsonObject ioMode = report.value("ioMode").toObject();
    row.cacheBypass = ioMode.value("cacheBypass").toBool();
    row.writeThrough = ioMode.value("writeThrough").toBool();
    row.outcome = Text(report.value("outcome").toObject().value("status"));
    row.writeMBps = Figure(report.value("write").toObject().value("MBps"));
    row.readMBps = Figure(report.value("read").toObject().value("MBps"));
    if (test == QLatin1String("profile"))
        ReadProfileFigures(report.value("profile").toObject(), row);
    return row;
}

QJsonObject RowJson(const HistoryRow& row) {
    return {{"id", row.id},
            {"startTime", row.startTime},
            {"host", TextOrNull(row.host)},
            {"folder", TextOrNull(row.folder)},
            {"mountPoint", TextOrNull(row.mountPoint)},
            {"fileSystem", TextOrNull(row.fileSystem)},
            {"device", QJsonObject{{"name", TextOrNull(row.deviceName)},
                                   {"model", TextOrNull(row.deviceModel)},
                                   {"serial", TextOrNull(row.deviceSerial)},
                                   {"uuid", TextOrNull(row.deviceUuid)}}},
            {"test", row.test},
            {"files", row.files},
            {"sizeMB", row.sizeMB},
            {"cacheBypass", row.cacheBypass},
            {"writeThrough", row.writeThrough},
            {"outcome", TextOrNull(row.outcome)},
            {"writeMBps", FigureOrNull(row.writeMBps)},
            {"readMBps", FigureOrNull(row.readMBps)}};
}
