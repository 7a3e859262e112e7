#include "SpeedSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMicrosecondsPerSecond = 1e6;

double Speed(double megabytes, double microseconds) {
    return megabytes / (microseconds / kMicrosecondsPerSecond);
}

// One point over spans [first, last); empty (lastFile 0) when none of them was timed.
SpeedPoint GroupPoint(const std::vector<qint64>& spans, size_t first, size_t last,
                      double megabytesPerSpan) {
    SpeedPoint point;
    double microseconds = 0;
    int timed = 0;
    point.slowest = std::numeric_limits<double>::infinity();
    for (size_t i = first; i < last; ++i) {
        if (spans[i] <= 0) continue;
        const double speed = Speed(megabytesPerSpan, static_cast<double>(spans[i]));
        point.slowest = std::min(point.slowest, speed);
        point.fastest = std::max(point.fastest, speed);
        microseconds += static_cast<double>(spans[i]);
        ++timed;
    }
    if (timed == 0) return {};
    point.firstFile = static_cast<int>(first) + 1;
    point.lastFile = static_cast<int>(last);
    point.together = Speed(megabytesPerSpan * timed, microseconds);
    return point;
}

}  // namespace

int FilesPerPoint(int files, double pixels, int pixelsPerPoint) {
    const int points = std::max(1, static_cast<int>(pixels) / std::max(1, pixelsPerPoint));
    if (files <= static_cast<int>(pixels)) return 1;
    return static_cast<int>((static_cast<qint64>(files) + points - 1) / points);
}

SpeedSeries ComputeSpeedSeries(const std::vector<qint64>& spans, double megabytesPerSpan,
                               int filesPerPoint) {
    SpeedSeries series;
    const size_t step = static_cast<size_t>(std::max(1, filesPerPoint));
    for (size_t first = 0; first < spans.size(); first += step) {
        const SpeedPoint point =
            GroupPoint(spans, first, std::min(spans.size(), first + step), megabytesPerSpan);
        if (point.lastFile > 0) series.points.push_back(point);
    }
    series.average = GroupPoint(spans, 0, spans.size(), megabytesPerSpan).together;
    series.untimed = static_cast<int>(
        std::count_if(spans.begin(), spans.end(), [](qint64 span) { return span <= 0; }));
    return series;
}

double MegabytesPerSpan(const ChartInput& input) {
    const double size = std::max(0, input.sizeMB);
    return input.test == ChartTest::Multiple ? size * std::max(0, input.nFiles) : size;
}
