#include "ProfileCommand.h"

#include <unistd.h>

#include <QDateTime>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>

#include "CloseRequests.h"
#include "FinishedRun.h"
#include "ProfileChart.h"
#include "ProfileHost.h"
#include "ProfileJson.h"
#include "ProfileSession.h"
#include "ProfileTable.h"
#include "StandardOutput.h"
#include "modLang.h"

namespace {

// How often the terminal looks for a close request while the profile runs on its own thread.
constexpr int kCloseRequestPollMs = 50;

// Progress and problems on standard error; the report itself goes through standardoutput.
void PrintError(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// The terminal's side of a profile: progress on standard error when it is a terminal, the
// report kept for the table or the JSON report once the profile has ended.
class TerminalProfileHost final : public ProfileHost {
  public:
    TerminalProfileHost(const ProfileSettings& settings, QEventLoop& loop)
        : settings_(settings), loop_(loop), terminal_(::isatty(STDERR_FILENO) == 1) {}

    void ProfileProgress(int test, int percent) override {
        if (!terminal_) return;
        const QString name = settings_.tests[static_cast<size_t>(test)].Name();
        PrintError(QStringLiteral("\r\033[K%1 (%2/%3) %4 %")
                       .arg(name)
                       .arg(test + 1)
                       .arg(settings_.tests.size())
                       .arg(percent));
        progressShown_ = true;
    }
    void ProfileLog(const QString& line) override { lines_ << line; }
    void ProfileTestDone(const ProfileTestResult&) override {}
    void ProfileFinished(const ProfileReport& report) override {
        if (progressShown_) PrintError(QStringLiteral("\r\033[K"));
        report_ = report;
        loop_.quit();
    }

    const ProfileReport& Report() const { return report_; }
    const QStringList& Lines() const { return lines_; }

  private:
    const ProfileSettings& settings_;
    QEventLoop& loop_;
    const bool terminal_;
    bool progressShown_ = false;
    ProfileReport report_;
    QStringList lines_;
};

ProfileSettings SettingsOf(const CliOptions& options) {
    ProfileSettings settings;
    settings.tests = *PresetTests(options.profilePreset);
    settings.fileBytes = int64_t(options.profileSizeMB) << 20;
    settings.runs = options.profileRuns;
    settings.secondsPerRun = options.profileSeconds;
    return settings;
}

QString OutcomeLine(const ProfileReport& report, int closeSignal) {
    if (closeSignal != 0 || report.outcome == ProfileOutcome::Stopped)
        return LangText(105, false, false,
                        QStringLiteral("The profile was stopped; its test file is deleted."));
    if (report.outcome == ProfileOutcome::Failed)
        return LangText(106, false, true, QStringLiteral("The profile failed:")) + report.failure;
    return LangText(119, false, false, QStringLiteral("The profile completed."));
}

int ExitStatusOf(const ProfileReport& report, int closeSignal, const QString& chartError) {
    if (closeSignal != 0) return exitstatus::kSignalBase + closeSignal;
    if (!report.fileRemoved || !chartError.isEmpty()) return exitstatus::kLeftovers;
    return report.outcome == ProfileOutcome::Completed ? exitstatus::kCompleted
                                                       : exitstatus::kFailed;
}

}  // namespace

int RunProfileCommand(const CliOptions& options, const HistoryRunOptions& history) {
    if (const int signal = closerequests::FirstSignal()) return exitstatus::kSignalBase + signal;
    const ProfileSettings settings = SettingsOf(options);
    const QString folder = TestedFolder(options);
    const QDateTime startTime = QDateTime::currentDateTime();
    QEventLoop loop;
    TerminalProfileHost host(settings, loop);
    ProfileSession session(host);
    QTimer closeRequests;
    QObject::connect(&closeRequests, &QTimer::timeout, [&session] {
        if (closerequests::FirstSignal() != 0) session.Stop();
    });
    closeRequests.start(kCloseRequestPollMs);
    session.Start(settings, folder);
    loop.exec();
    closeRequests.stop();

    const ProfileReport& report = host.Report();
    const int closeSignal = closerequests::FirstSignal();
    QString chartError;
    if (!options.chartPath.isEmpty() && closeSignal == 0) {
        chartError = report.outcome == ProfileOutcome::Completed
                         ? WriteProfileChart(report, folder, options.chartPath)
                         : QStringLiteral("the profile did not complete");
    }
    const QString outcome = OutcomeLine(report, closeSignal);
    QJsonObject json = ProfileJsonReport({report, folder, startTime, closeSignal, chartError,
                                          options.chartPath, host.Lines() + QStringList{outcome}});
    // A folder refused before the test file existed leaves nothing worth keeping.
    const bool kept = KeepRun(json, history, !report.filePath.isEmpty());
    if (options.json) {
        standardoutput::Write(QJsonDocument(json).toJson(QJsonDocument::Indented));
    } else {
        QStringList lines = ProfileTableLines(report, folder);
        lines << QString() << outcome;
        standardoutput::Write((lines.join(u'\n') + u'\n').toLocal8Bit());
    }
    if (report.folderLock == FolderLockState::Unavailable)
        PrintError(QStringLiteral("dravelo-cli: testing %1 without holding it against other runs: "
                                  "%2\n")
                       .arg(folder, report.folderLockReason));
    if (report.outcome == ProfileOutcome::Failed)
        PrintError(QStringLiteral("dravelo-cli: profile failed: %1\n").arg(report.failure));
    if (!report.fileRemoved)
        PrintError(QStringLiteral("dravelo-cli: test file not deleted: %1\n").arg(report.filePath));
    if (!chartError.isEmpty())
        PrintError(QStringLiteral("dravelo-cli: chart not drawn: %1: %2\n")
                       .arg(options.chartPath, chartError));
    const int status = ExitStatusOf(report, closerequests::FirstSignal(), chartError);
    return !kept && status == exitstatus::kCompleted ? exitstatus::kLeftovers : status;
}
