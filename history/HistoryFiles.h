// What the history writes for other programs: CSV for spreadsheets and the Prometheus text
// format for the node exporter's textfile collector, each written so that a reader never sees
// half a file.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <vector>

#include "HistoryRow.h"

// One header line and one line per run, RFC 4180 quoting, CR LF line ends.
QByteArray CsvOfRows(const std::vector<HistoryRow>& rows);

// The run's figures in the Prometheus text exposition format, metric names under "dravelo_",
// base units, HELP and TYPE for each, labelled by host, folder, device, file system and test.
QByteArray PrometheusText(const QJsonObject& report);

// Writes `bytes` to a temporary file in the same folder whose name does not end like `path`'s,
// syncs it and renames it over `path`, readable by every user (a collector runs as another
// user). False with `error` when it cannot; `path` is then left as it was.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error);
