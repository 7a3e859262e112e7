// The JSON report of dravelo-cli --profile: schema 1 with "test": "profile", the classic test's
// phase members null, and the "profile" object with the engine, the settings and every test's
// figures. docs/cli.md describes the members.
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

#include "ProfileReport.h"

struct ProfileJsonInput {
    const ProfileReport& report;
    QString folder;
    QDateTime startTime;
    int closeSignal = 0;
    QString chartError;
    QString chartPath;  // empty when no chart was asked for
    QStringList log;
};

QJsonObject ProfileJsonReport(const ProfileJsonInput& input);
