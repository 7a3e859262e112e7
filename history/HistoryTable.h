// Runs as the user reads them, in the chosen language: the columns of the run list and two runs
// side by side with the ratio of each figure. The terminal prints these, the window shows them.
#pragma once

#include <QList>
#include <QStringList>
#include <optional>

#include "HistoryRow.h"

// The headings of the run list: ID, time, host, device, folder, test, inputs, figures, outcome.
QStringList HistoryHeadings();
// One run's cells under those headings.
QStringList HistoryCells(const HistoryRow& row);

// The second figure divided by the first; nothing when either is missing or the first is 0.
std::optional<double> FigureRatio(const std::optional<double>& first,
                                  const std::optional<double>& second);

// Two runs side by side: a line of IDs, then one line per heading with both values and, for the
// figures, their ratio.
QList<QStringList> ComparisonLines(const HistoryRow& first, const HistoryRow& second);
