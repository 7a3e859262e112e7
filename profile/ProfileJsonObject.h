// The "profile" object of the JSON report: the engine, the settings and every completed test's
// figures, as docs/cli.md describes them. The terminal's report and the window's Save share it.
#pragma once

#include <QJsonObject>

#include "ProfileReport.h"

QJsonObject ProfileJsonObject(const ProfileReport& report);
