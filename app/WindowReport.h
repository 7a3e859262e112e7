// A window run as the run history keeps it: the report fields the history indexes and shows,
// in the shape of the terminal's JSON report, so that runs of both front ends sit in one list.
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

#include "ProfileReport.h"
#include "RunReport.h"
#include "TestRuns.h"

struct WindowRun {
    RunReport report;
    RunOutcome outcome = RunOutcome::Stopped;
    bool multiple = false;
    QString folder;  // as tested, ending in "/"
    QDateTime startTime;
    QStringList logLines;
};

QJsonObject WindowRunReport(const WindowRun& run);

// Records a run that passed its checks; a history that cannot be written is named on standard
// error and never interrupts the window.
void RecordWindowRun(const WindowRun& run);

// A drive profile of the window in the shape of the terminal's profile report, for the history
// and for the profile window's Save as JSON.
QJsonObject WindowProfileReport(const ProfileReport& report, const QString& folder,
                                const QDateTime& startTime);

// Records a profile that got as far as its test file, as RecordWindowRun does a run.
void RecordWindowProfile(const ProfileReport& report, const QString& folder,
                         const QDateTime& startTime);
