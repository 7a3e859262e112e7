#include "ProfileSession.h"

#include <QCoreApplication>

#include "ProfileRun.h"

ProfileSession::ProfileSession(ProfileHost& host, QObject* parent) : QObject(parent), host_(host) {
    qRegisterMetaType<ProfileTestResult>();
    qRegisterMetaType<ProfileReport>();
    connect(
        this, &ProfileSession::Progressed, this,
        [this](int test, int percent) { host_.ProfileProgress(test, percent); },
        Qt::QueuedConnection);
    connect(
        this, &ProfileSession::Logged, this,
        [this](const QString& line) { host_.ProfileLog(line); }, Qt::QueuedConnection);
    connect(
        this, &ProfileSession::TestDone, this,
        [this](const ProfileTestResult& result) { host_.ProfileTestDone(result); },
        Qt::QueuedConnection);
    connect(this, &ProfileSession::Finished, this, &ProfileSession::OnFinished,
            Qt::QueuedConnection);
}

ProfileSession::~ProfileSession() {
    Stop();
    WaitStopped();
}

bool ProfileSession::Start(const ProfileSettings& settings, const QString& folder) {
    if (thread_) return false;
    stop_ = false;
    thread_.reset(QThread::create([this, settings, folder] {
        ProfileObserver observer;
        observer.progress = [this](int test, int percent) { emit Progressed(test, percent); };
        observer.log = [this](const QString& line) { emit Logged(line); };
        observer.testDone = [this](const ProfileTestResult& result) { emit TestDone(result); };
        emit Finished(RunProfile(settings, folder, observer, stop_));
    }));
    thread_->start();
    return true;
}

void ProfileSession::Stop() {
    stop_ = true;
}

void ProfileSession::WaitStopped() {
    if (!thread_) return;
    thread_->wait();
    thread_.reset();
    // Reports still queued belong to a profile nobody waits for any more.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

void ProfileSession::OnFinished(const ProfileReport& report) {
    if (thread_) thread_->wait();
    thread_.reset();
    host_.ProfileFinished(report);
}
