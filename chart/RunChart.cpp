#include "RunChart.h"

namespace {

std::vector<qint64> Spans(const PhaseMeasurement& phase, ChartTest test) {
    if (test == ChartTest::Multiple) return {phase.microseconds};
    return {phase.fileMicroseconds.begin(), phase.fileMicroseconds.end()};
}

}  // namespace

ChartInput ChartOfRun(const RunReport& report, ChartTest test, const QString& folder,
                      const QDateTime& start) {
    ChartInput input;
    input.folder = folder;
    input.nFiles = report.nFiles;
    input.sizeMB = report.sizeMB;
    input.date = start;
    input.test = test;
    input.writeMicroseconds = Spans(report.write, test);
    input.readMicroseconds = Spans(report.read, test);
    return input;
}
