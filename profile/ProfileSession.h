// A drive profile started from a front end: the profile runs on a thread of its own and reports
// through queued signals to the host on the starting thread, so that nothing the front end does
// lands in the figures. Stop() asks it to end at once; the file is deleted before the host hears
// ProfileFinished. Destroying a running session stops it and waits for the file to go.
#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

#include "ProfileHost.h"
#include "ProfileSettings.h"

class ProfileSession : public QObject {
    Q_OBJECT
  public:
    explicit ProfileSession(ProfileHost& host, QObject* parent = nullptr);
    ~ProfileSession() override;

    // False when a profile is running already.
    bool Start(const ProfileSettings& settings, const QString& folder);
    void Stop();
    bool Running() const { return thread_ != nullptr; }
    // Waits for the profile's thread to end after Stop(); the host hears nothing more.
    void WaitStopped();

  signals:
    void Progressed(int test, int percent);
    void Logged(const QString& line);
    void TestDone(const ProfileTestResult& result);
    void Finished(const ProfileReport& report);

  private:
    void OnFinished(const ProfileReport& report);

    ProfileHost& host_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<QThread> thread_;
};
