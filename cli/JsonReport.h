// The report for scripts: one JSON object per run, versioned by its "schema" field. Field names
// and meanings stay as they are within a schema version; docs/cli.md describes them.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include "FinishedRun.h"

constexpr int kJsonSchema = 1;

QByteArray JsonReport(const FinishedRun& run);
QJsonObject JsonReportObject(const FinishedRun& run);

// The proposal of --suggest for `folder`; files and size are -1 when there is none.
QByteArray SuggestionJson(const QString& folder, int32_t files, int32_t sizeMB);

// Members that every report shares, for the drive profile's report: the folder's file system
// type, mount point and device (null when unknown), its drive kind, and a moment as ISO 8601
// with its offset from UTC.
QJsonValue FileSystemJson(const QString& folder);
QJsonValue MountPointJson(const QString& folder);
QJsonObject DeviceOfFolderJson(const QString& folder);
QString DriveKindJson(const QString& folder);
QString JsonTime(const QDateTime& moment);
// The run's hold on its folder: status "held", "in use", "unavailable" or "not taken", and the
// reason where one was given.
QJsonObject FolderLockJson(FolderLockState state, const QString& why);
