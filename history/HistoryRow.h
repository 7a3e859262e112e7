// One recorded run as the history lists it: the indexed columns and the headline figures. The
// whole report stays in the database beside them.
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

struct HistoryRow {
    qint64 id = 0;
    QString startTime;    // ISO 8601 with the offset from UTC, as the report gives it
    qint64 startUtc = 0;  // seconds since 1970, for ordering runs from many time zones
    QString host;
    QString folder;
    QString mountPoint;
    QString fileSystem;
    QString deviceName;
    QString deviceModel;
    QString deviceSerial;
    QString deviceUuid;
    QString test;  // "single", "multiple", "profile", or the kind a later test writes
    int files = 0;
    int sizeMB = 0;
    bool cacheBypass = false;
    bool writeThrough = false;
    QString outcome;  // the report's outcome status: "completed", "failed", "interrupted"
    std::optional<double> writeMBps;
    std::optional<double> readMBps;
};

// The row a report stands for; nothing when the object is not a run report this program can
// read (another program's JSON, a schema it does not know, a run without a start time).
std::optional<HistoryRow> RowOfReport(const QJsonObject& report);

// The row as one JSON object: "id", the indexed columns and the figures.
QJsonObject RowJson(const HistoryRow& row);
