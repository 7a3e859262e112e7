// The chart of a drive profile: per test, a read and a write bar of MB/s (10^6 bytes) side by
// side, with the latency percentiles beneath, drawn into a widget, an SVG or a PNG file.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>

#include "ProfileReport.h"

// Draws the chart into `area`. Text needs a QGuiApplication.
void PaintProfileChart(QPainter& painter, const QRectF& area, const ProfileReport& report,
                       const QString& folder);

// Writes the chart as SVG or PNG, chosen by the extension of `path`, replacing a file of that
// name only when the new one is complete. Empty on success, otherwise what failed and why.
QString WriteProfileChart(const ProfileReport& report, const QString& folder, const QString& path);
