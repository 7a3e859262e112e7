#include "HistoryFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kBytesPerMB = 1024.0 * 1024.0;

QByteArray CsvField(const QString& text) {
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}

QString FigureText(const std::optional<double>& figure) {
    return figure ? QString::number(*figure, 'f', 3) : QString();
}

// A label value with the three characters the format escapes.
QByteArray LabelValue(const QString& text) {
    QByteArray value = text.toUtf8();
    value.replace("\\", "\\\\").replace("\"", "\\\"").replace("\n", "\\n");
    return value;
}

QByteArray Labels(const QJsonObject& report) {
    const QJsonObject device = report.value("device").toObject();
    const QString deviceName = device.value("name").toString();
    const QString test = report.value("test").toString();
    return "host=\"" + LabelValue(report.value("host").toString()) + "\",folder=\"" +
           LabelValue(report.value("folder").toString()) + "\",device=\"" + LabelValue(deviceName) +
           "\",filesystem=\"" + LabelValue(report.value("fileSystem").toString()) + "\",test=\"" +
           LabelValue(test) + "\"";
}

QByteArray Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void AddGauge(QByteArray& out, const char* name, const char* help, const QByteArray& labels,
              std::optional<double> value) {
    out += QByteArray("# HELP ") + name + ' ' + help + '\n';
    out += QByteArray("# TYPE ") + name + " gauge\n";
    if (value) out += name + ('{' + labels + "} ") + Number(*value) + '\n';
}

// The phase's bytes per second: the precise figure from the monotonic clock where the report
// has one, else the millisecond one.
std::optional<double> BytesPerSecond(const QJsonObject& phase) {
    for (const char* key : {"preciseMBps", "MBps"}) {
        const QJsonValue value = phase.value(key);
        if (value.isDouble() && std::isfinite(value.toDouble()))
            return value.toDouble() * kBytesPerMB;
    }
    return std::nullopt;
}

// The drive profile's figures per test and direction: the medians as gauges and the completion
// latency as a summary whose quantiles are the report's percentiles (the maximum as 1).
struct ProfileSample {
    QByteArray labels;
    QJsonObject figures;  // one direction of one test
};

std::vector<ProfileSample> ProfileSamples(const QJsonObject& report, const QByteArray& labels) {
    std::vector<ProfileSample> samples;
    for (const QJsonValue& test : report.value("profile").toObject().value("tests").toArray()) {
        for (const char* direction : {"read", "write"}) {
            const QJsonValue figures = test.toObject().value(direction);
            if (!figures.isObject()) continue;
            samples.push_back({labels + ",profile_test=\"" +
                                   LabelValue(test.toObject().value("name").toString()) +
                                   "\",direction=\"" + direction + '"',
                               figures.toObject()});
        }
    }
    return samples;
}

void AddHelpAndType(QByteArray& out, const char* name, const char* help, const char* type) {
    out += QByteArray("# HELP ") + name + ' ' + help + '\n';
    out += QByteArray("# TYPE ") + name + ' ' + type + '\n';
}

void AddSample(QByteArray& out, const QByteArray& name, const QByteArray& labels,
               const QJsonValue& value, double scale = 1) {
    if (value.isDouble() && std::isfinite(value.toDouble()))
        out += name + '{' + labels + "} " + Number(value.toDouble() * scale) + '\n';
}

void AddProfileMetrics(QByteArray& out, const std::vector<ProfileSample>& samples) {
    AddHelpAndType(out, "dravelo_profile_iops",
                   "Requests per second of the last drive profile, median of its runs.", "gauge");
    for (const ProfileSample& s : samples)
        AddSample(out, "dravelo_profile_iops", s.labels, s.figures.value("IOPS"));
    AddHelpAndType(out, "dravelo_profile_bytes_per_second",
                   "Transfer speed of the last drive profile, median of its runs.", "gauge");
    for (const ProfileSample& s : samples)
        AddSample(out, "dravelo_profile_bytes_per_second", s.labels, s.figures.value("MBps"), 1e6);
    AddHelpAndType(out, "dravelo_profile_latency_seconds",
                   "Completion latency of the last drive profile's requests.", "summary");
    const std::pair<const char*, const char*> quantiles[] = {
        {"0.5", "p50"}, {"0.9", "p90"}, {"0.99", "p99"}, {"0.999", "p99_9"}, {"1", "max"}};
    for (const ProfileSample& s : samples) {
        const QJsonObject latency = s.figures.value("latencyMicroseconds").toObject();
        for (const auto& [quantile, key] : quantiles)
            AddSample(out, "dravelo_profile_latency_seconds",
                      s.labels + ",quantile=\"" + quantile + '"', latency.value(key), 1e-6);
        const QJsonValue requests = s.figures.value("requests");
        if (!requests.isDouble()) continue;
        AddSample(out, "dravelo_profile_latency_seconds_sum", s.labels,
                  requests.toDouble() * latency.value("mean").toDouble() * 1e-6);
        AddSample(out, "dravelo_profile_latency_seconds_count", s.labels, requests);
    }
}

}  // namespace

QByteArray CsvOfRows(const std::vector<HistoryRow>& rows) {
    QByteArray csv =
        "id,startTime,host,folder,mountPoint,fileSystem,deviceName,deviceModel,deviceSerial,"
        "deviceUuid,test,files,sizeMB,cacheBypass,writeThrough,outcome,writeMBps,readMBps\r\n";
    for (const HistoryRow& row : rows) {
        const QStringList fields{QString::number(row.id),
                                 row.startTime,
                                 row.host,
                                 row.folder,
                                 row.mountPoint,
                                 row.fileSystem,
                                 row.deviceName,
                                 row.deviceModel,
                                 row.deviceSerial,
                                 row.deviceUuid,
                                 row.test,
                                 QString::number(row.files),
                                 QString::number(row.sizeMB),
                                 row.cacheBypass ? "true" : "false",
                                 row.writeThrough ? "true" : "false",
                                 row.outcome,
                                 FigureText(row.writeMBps),
                                 FigureText(row.readMBps)};
        QByteArrayList line;
        for (const QString& field : fields) line.append(CsvField(field));
        csv += line.join(',') + "\r\n";
    }
    return csv;
}

QByteArray PrometheusText(const QJsonObject& report) {
    const QByteArray labels = Labels(report);
    const QString status = report.value("outcome").toObject().value("status").toString();
    const QDateTime start =
        QDateTime::fromString(report.value("startTime").toString(), Qt::ISODate);
    QByteArray out;
    if (report.value("test").toString() == QLatin1String("profile")) {
        AddProfileMetrics(out, ProfileSamples(report, labels));
    } else {
        AddGauge(out, "dravelo_write_bytes_per_second", "Write speed of the last run.", labels,
                 BytesPerSecond(report.value("write").toObject()));
        AddGauge(out, "dravelo_read_bytes_per_second", "Read speed of the last run.", labels,
                 BytesPerSecond(report.value("read").toObject()));
    }
    AddGauge(out, "dravelo_run_success", "1 when the last run completed, 0 otherwise.", labels,
             status == QLatin1String("completed") ? 1.0 : 0.0);
    AddGauge(
        out, "dravelo_last_run_timestamp_seconds", "Start of the last run, Unix time.", labels,
        start.isValid() ? std::optional<double>(double(start.toSecsSinceEpoch())) : std::nullopt);
    return out;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo target(path);
    // The collector reads every "*.prom" in the folder: the temporary name must not be one.
    QTemporaryFile temporary(target.absolutePath() + "/." + target.fileName() + ".XXXXXX.tmp");
    auto fail = [&](const QString& reason) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, reason);
        return false;
    };
    if (!temporary.open()) return fail(temporary.errorString());
    if (temporary.write(bytes) != bytes.size() || !temporary.flush())
        return fail(temporary.errorString());
    if (::fsync(temporary.handle()) != 0) return fail(QString::fromLocal8Bit(strerror(errno)));
    temporary.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                             QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (::rename(QFile::encodeName(temporary.fileName()).constData(),
                 QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    temporary.setAutoRemove(false);
    return true;
}
