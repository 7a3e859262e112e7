// A window for the test phases: records every log line and progress value, holds the options,
// and lets a test act at each pump point (where the phase asks whether to stop).
#pragma once

#include <QStringList>
#include <functional>
#include <vector>

#include "PhaseHost.h"

class RecordingHost : public PhaseHost {
  public:
    void LogPrint(const QString& text) override { lines << text; }
    void Progress1ValueChange(double percent) override { progress1.push_back(percent); }
    void OverallProgressValueChange(int16_t percent) override { overall.push_back(percent); }
    bool ChkDoEventsChecked() override { return doEventsChecked; }
    bool DisableCachingChecked() override { return disableCaching; }
    bool EnableWriteThroughChecked() override { return writeThrough; }
    bool AbortRequested() override {
        ++pumpPoints;
        if (atPumpPoint) atPumpPoint();
        return abort;
    }
    PhaseResults& Results() override { return results; }

    QStringList lines;
    std::vector<double> progress1;
    std::vector<int16_t> overall;
    bool doEventsChecked = false;
    bool disableCaching = true;
    bool writeThrough = false;
    bool abort = false;
    int pumpPoints = 0;
    std::function<void()> atPumpPoint;
    PhaseResults results;
};
