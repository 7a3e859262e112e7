// A window for the test runs: the inputs are plain fields, every control's enabled state and
// every lock or unlock is recorded, and the log goes through a real log view.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "LogView.h"
#include "RunHost.h"
#include "modMain.h"
#include "recording_host.h"

class RecordingRunHost : public RunHost {
  public:
    // The phases' part.
    void LogPrint(const QString& text) override {
        log.LogPrint(text);
        lines << text;
    }
    void Progress1ValueChange(double percent) override { phase.Progress1ValueChange(percent); }
    void OverallProgressValueChange(int16_t percent) override {
        phase.OverallProgressValueChange(percent);
    }
    bool ChkDoEventsChecked() override { return phase.doEventsChecked; }
    bool DisableCachingChecked() override { return phase.disableCaching; }
    bool EnableWriteThroughChecked() override { return phase.writeThrough; }
    bool AbortRequested() override {
        if (atPumpPoint && running) atPumpPoint();
        return abort;
    }
    PhaseResults& Results() override { return phase.results; }

    // The runs' part.
    QString Txt1Text() override { return txt1; }
    QString Txt2Text() override { return txt2; }
    void SetTxt1Text(const QString& text) override { txt1 = text; }
    void SetTxt2Text(const QString& text) override { txt2 = text; }
    QString Drive1Text() override { return drive1; }
    QString TargetFolder() override { return ::TargetFolder(drive1); }
    bool Chk11Checked() override { return chk11; }
    void SetAbortRequested(bool requested) override {
        abort = requested;
        running = !requested;
    }
    bool CloseRequested() override { return closeRequested; }
    void SetControlEnabled(RunControl control, bool enabled) override {
        enabledChanges.emplace_back(control, enabled);
        disabled[control] = !enabled;
    }
    void ShowImage2() override { image2Shown = true; }
    void SetIconAnimation(bool on) override { iconAnimations.push_back(on); }
    bool AskYesNo(const QString& message) override {
        questions << message;
        return answerYes;
    }
    LogView& Log() override { return log; }

    bool AnyControlDisabled() const {
        for (const auto& [control, off] : disabled)
            if (off) return true;
        return false;
    }

    RecordingHost phase;  // options, progress and results as the phase tests keep them
    LogView log;
    QStringList lines;
    QString txt1 = QStringLiteral("2");
    QString txt2 = QStringLiteral("1");
    QString drive1;
    bool chk11 = false;
    bool abort = true;
    bool running = false;
    bool closeRequested = false;
    std::function<void()> atPumpPoint;
    std::vector<std::pair<RunControl, bool>> enabledChanges;
    std::map<RunControl, bool> disabled;
    bool image2Shown = false;
    std::vector<bool> iconAnimations;
    QStringList questions;
    bool answerYes = true;
};
