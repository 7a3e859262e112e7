// The chart input of a finished run: its inputs and the spans its phases measured on the
// monotonic clock, per file for the single-file test and per phase for the multiple-file test.
#pragma once

#include "ChartInput.h"
#include "RunReport.h"

ChartInput ChartOfRun(const RunReport& report, ChartTest test, const QString& folder,
                      const QDateTime& start);
