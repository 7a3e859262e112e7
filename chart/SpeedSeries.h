// The figures a chart plots: MB/s per file (or per phase), grouped into points when there are
// more files than the chart has room for, and the phase's average.
#pragma once

#include <QtGlobal>
#include <vector>

#include "ChartInput.h"

// Files firstFile to lastFile (1-based) plotted as one point: their speed together (their MB
// over their time) and the slowest and fastest of them.
struct SpeedPoint {
    int firstFile = 0;
    int lastFile = 0;
    double together = 0;
    double slowest = 0;
    double fastest = 0;
};

struct SpeedSeries {
    std::vector<SpeedPoint> points;
    double average = 0;  // all timed MB over all timed time, as the run's own average
    int untimed = 0;     // spans of 0 or less, left out
};

// How many files one point stands for: 1 while there are no more files than `pixels`, otherwise
// enough that each point gets `pixelsPerPoint` pixels.
int FilesPerPoint(int files, double pixels, int pixelsPerPoint);

// The speeds of `spans` microseconds each moving `megabytesPerSpan`, grouped `filesPerPoint` at
// a time.
SpeedSeries ComputeSpeedSeries(const std::vector<qint64>& spans, double megabytesPerSpan,
                               int filesPerPoint);

// MB moved in one span of the input: one file's size, or every file's for the multiple test.
double MegabytesPerSpan(const ChartInput& input);
