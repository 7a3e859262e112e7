// The window of the command-line front end: log lines go to standard output as they come, a
// live progress line to standard error when it is a terminal, and the options come from the
// command line.
#pragma once

#include <QStringList>
#include <cstdio>

#include "LogView.h"
#include "RunHost.h"

struct CliOptions {
    bool multiple = false;
    QString files = QStringLiteral("20");
    QString sizeMB = QStringLiteral("10");
    bool cacheBypass = true;
    bool writeThrough = false;
    bool priority = false;
    bool logFile = false;
    QString language = QStringLiteral("deutsch.lng");
    bool json = false;
    QString folder;
};

class TerminalHost final : public RunHost {
  public:
    explicit TerminalHost(const CliOptions& options);

    void LogPrint(const QString& text) override;
    void Progress1ValueChange(double percent) override;
    void OverallProgressValueChange(int16_t percent) override;
    bool ChkDoEventsChecked() override { return options_.priority; }
    bool DisableCachingChecked() override { return options_.cacheBypass; }
    bool EnableWriteThroughChecked() override { return options_.writeThrough; }
    bool AbortRequested() override;
    PhaseResults& Results() override { return results_; }

    QString Txt1Text() override { return options_.files; }
    QString Txt2Text() override { return options_.sizeMB; }
    void SetTxt1Text(const QString& text) override { options_.files = text; }
    void SetTxt2Text(const QString& text) override { options_.sizeMB = text; }
    QString Drive1Text() override { return options_.folder; }
    bool Chk11Checked() override { return options_.logFile; }
    void SetAbortRequested(bool requested) override { abortRequested_ = requested; }
    void SetControlEnabled(RunControl, bool) override {}
    void ShowImage2() override {}
    void SetIconAnimation(bool running) override;
    bool AskYesNo(const QString&) override { return false; }
    LogView& Log() override { return log_; }

    // Every line printed, in order, without the view's "<clear>" commands.
    const QStringList& Lines() const { return lines_; }

    // Ctrl-C and SIGTERM ask the running phase to stop, as closing the window does.
    static void InstallInterruptHandlers();
    static bool Interrupted();

  private:
    void DrawProgress();
    void EraseProgress();

    CliOptions options_;
    PhaseResults results_;
    LogView log_;
    QStringList lines_;
    bool abortRequested_ = true;
    bool progressShown_ = false;
    int progress1_ = -1;
    int overall_ = -1;
    const bool terminal_;
};
