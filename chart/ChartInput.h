// What the speed chart is drawn from: a completed run's inputs and its measured spans, in plain
// values, so that the window, the terminal front end and tests can all fill it.
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <vector>

enum class ChartTest { Single, Multiple };

struct ChartInput {
    QString folder;
    int nFiles = 0;
    int sizeMB = 0;
    QDateTime date;
    ChartTest test = ChartTest::Single;
    // Single test: one span per file in file order (a stopped phase has fewer).
    // Multiple test: one span for the whole phase.
    // A span of 0 or less could not be timed and is left out of the figures.
    std::vector<qint64> writeMicroseconds;
    std::vector<qint64> readMicroseconds;
};
