// The speed chart of one run: MB/s per file for the write and read phases of the single test
// (one bar per phase for the multiple test), with axes, averages, a title and a legend.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

#include "ChartInput.h"

// The size a chart file gets, in pixels.
inline constexpr QSize kChartFileSize{1200, 700};

// The charts' font: the application's family at a size in pixels, so that a chart looks the same
// at any screen resolution.
QFont ChartFont(int pixels, bool bold = false);
// The charts' ink for text and axes, and the grey of their grid lines.
inline const QColor kChartInk(40, 40, 40);
inline const QColor kChartGrid(222, 222, 222);

// The series' colours; data marks and bars are filled with them, so they can be told apart in
// a rendered file too.
QColor WriteSeriesColour();
QColor ReadSeriesColour();

// Draws the chart into `area`. Text needs a QGuiApplication.
void PaintSpeedChart(QPainter& painter, const QRectF& area, const ChartInput& input);

// Writes the chart as SVG or PNG, chosen by the extension of `path` (either case). A file of
// that name is replaced only when the new one is complete. On failure returns false and, when
// `error` is given, says what failed and why.
bool WriteSpeedChart(const ChartInput& input, const QString& path, QString* error);
