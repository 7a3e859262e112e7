// A window run as the run history keeps it: the report fields the history indexes and shows,
// in the shape of the terminal's JSON report, so that runs of both front ends sit in one list.
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

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
