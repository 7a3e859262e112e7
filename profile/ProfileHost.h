// What a drive profile sees of the front end that runs it: progress, log lines, each test's
// figures as they come and the final report. The window and the terminal implement it; tests
// drive the session through it directly. Every call arrives on the thread that started the
// session, never on a worker.
#pragma once

#include <QString>

#include "ProfileReport.h"

class ProfileHost {
  public:
    // Test `test` (index into the settings' tests) is `percent` done.
    virtual void ProfileProgress(int test, int percent) = 0;
    virtual void ProfileLog(const QString& line) = 0;
    virtual void ProfileTestDone(const ProfileTestResult& result) = 0;
    // The profile ended; its file is deleted (or the report says it could not be).
    virtual void ProfileFinished(const ProfileReport& report) = 0;

  protected:
    ~ProfileHost() = default;
};
