// What the test runs see of the window that runs them: the phases' view of it, plus the inputs,
// the controls they lock, the pictures they switch and the question box. The main window and
// the command-line front end implement it; tests drive the runs through it directly.
#pragma once

#include <QString>

#include "PhaseHost.h"

class LogView;

// The controls a run locks while its phases run.
enum class RunControl {
    Chk11,
    ChkDoEvents,
    chkDisableCaching,
    chkEnableWriteThrough,
    Cmd11,
    Cmd12,
    Cmd13,
    Drive1,
    Txt1,
    Txt2,
};

class QuestionBox {
  public:
    // Shows the message with Yes and No; true for Yes.
    virtual bool AskYesNo(const QString& message) = 0;

  protected:
    ~QuestionBox() = default;
};

class RunHost : public PhaseHost, public QuestionBox {
  public:
    virtual QString Txt1Text() = 0;  // number of files, as typed
    virtual QString Txt2Text() = 0;  // size of each file in MB, as typed
    virtual void SetTxt1Text(const QString& text) = 0;
    virtual void SetTxt2Text(const QString& text) = 0;
    virtual QString Drive1Text() = 0;  // the drive/path box, as shown
    // The folder to test, ending in "/"; a run asks once and keeps the answer.
    virtual QString TargetFolder() = 0;
    virtual bool Chk11Checked() = 0;  // write the log file to the tested folder

    virtual void SetAbortRequested(bool requested) = 0;
    // Whether the user asked to close or end the program during this run. Unlike
    // AbortRequested, which is set from the end of the phases on, it ends the clean-up's
    // retries.
    virtual bool CloseRequested() = 0;
    virtual void SetControlEnabled(RunControl control, bool enabled) = 0;
    virtual void ShowImage2() = 0;
    // Running: the window icon alternates; stopped: it shows the first frame again.
    virtual void SetIconAnimation(bool running) = 0;

    // The log view and the whole text of the current run.
    virtual LogView& Log() = 0;

  protected:
    ~RunHost() = default;
};
