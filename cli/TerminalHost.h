// The window of the command-line front end: log lines go to standard output as they come, a
// live progress line to standard error when it is a terminal, and the options come from the
// command line.
#pragma once

#include <QStringList>
#include <cstdio>

#include "CommandLine.h"
#include "LogView.h"
#include "RunHost.h"

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

    QString Txt1Text() override { return txt1_; }
    QString Txt2Text() override { return txt2_; }
    void SetTxt1Text(const QString& text) override { txt1_ = text; }
    void SetTxt2Text(const QString& text) override { txt2_ = text; }
    QString Drive1Text() override { return options_.folder; }
    QString TargetFolder() override;
    bool Chk11Checked() override { return options_.logFile; }
    void SetAbortRequested(bool requested) override { abortRequested_ = requested; }
    bool CloseRequested() override;
    void SetControlEnabled(RunControl, bool) override {}
    void ShowImage2() override {}
    void SetIconAnimation(bool running) override;
    bool AskYesNo(const QString&) override { return false; }
    LogView& Log() override { return log_; }

    // Every line printed, in order, without the view's "<clear>" commands.
    const QStringList& Lines() const { return lines_; }

  private:
    void DrawProgress();
    void EraseProgress();

    CliOptions options_;
    QString txt1_;
    QString txt2_;
    PhaseResults results_;
    LogView log_;
    QStringList lines_;
    bool abortRequested_ = true;
    bool progressShown_ = false;
    int progress1_ = -1;
    int overall_ = -1;
    const bool terminal_;
};
