// frmMain: Dravelo's main window. It is built from its layout resource, runs the start-up
// (language, texts, stored settings), routes the commands of its buttons and of the toolbar that
// serves as its menu bar, and is the window the test runs report to and lock while they run.
// Closing and Exit during a run first let the run stop and clean up; the settings are saved when
// the program ends. Its part in the test runs, the run command and the RunHost side, is in
// frmMainRuns.cpp.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "ChartInput.h"
#include "LogView.h"
#include "RunHost.h"
#include "TestRuns.h"

class Chk1;
class Cmd1;
class DriveBox;
class McToolBar;
class PPB;
class QAction;
class QLabel;
class ChartWindow;
class frmProfile;
class HistoryWindow;
class QMenu;
class QShortcut;
class SvgPicture;
class Txt;

class frmMain : public QWidget, public RunHost {
    Q_OBJECT
  public:
    // Opens the dialog that asks for the name of the file Save As writes, without waiting for
    // it: `chosen` is called with the name once the user has chosen one, never on cancel.
    using SaveFileDialog =
        std::function<void(QWidget* owner, std::function<void(const QString&)> chosen)>;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The window's load: the start-up steps, each carried out on its own, so that one that
    // fails does not keep the others from running. `commandLine` is the program's arguments
    // joined with single spaces.
    void Load(const QString& commandLine);
    // Applies the language's texts to the captions, the tooltip, the menus and the toolbar.
    void Translate();

    // The commands.
    void StartSingle();
    void StartMultiple();
    void ProposeValues();
    void SaveAs();
    void Copy();
    void About();
    // File menu "Drive profile…": the profile window for the folder in the drive/path box.
    void OpenProfile();
    // Ends the program: at once when no test runs, otherwise once the running test has stopped
    // and deleted its files. Also the road of SIGTERM and of the end of the session.
    void Exit();

    void setSaveFileDialog(SaveFileDialog dialog) { saveFileDialog_ = std::move(dialog); }

    // State the commands depend on.
    bool RunActive() const { return runActive_; }
    TestPhases& Phases() { return runs_->Phases(); }
    bool Ended() const { return ended_; }
    bool ProfileActive() const { return profileActive_; }
    frmProfile* ProfileWindow() const;
    QMenu* FileMenu() const { return mnuFile; }
    QMenu* EditMenu() const { return mnuEdit; }
    QMenu* HelpMenu() const { return mnuHelp; }

    // RunHost: what the phases and runs see of the window.
    void LogPrint(const QString& text) override;
    void Progress1ValueChange(double percent) override;
    void OverallProgressValueChange(int16_t percent) override;
    bool ChkDoEventsChecked() override;
    bool DisableCachingChecked() override;
    bool EnableWriteThroughChecked() override;
    bool AbortRequested() override { return AbortRequested_; }
    PhaseResults& Results() override { return results_; }
    QString Txt1Text() override;
    QString Txt2Text() override;
    void SetTxt1Text(const QString& text) override;
    void SetTxt2Text(const QString& text) override;
    QString Drive1Text() override;
    QString TargetFolder() override;
    bool Chk11Checked() override;
    void SetAbortRequested(bool requested) override { AbortRequested_ = requested; }
    bool CloseRequested() override { return closeRequested_ || exitPending_; }
    void SetControlEnabled(RunControl control, bool enabled) override;
    void ShowImage2() override;
    void SetIconAnimation(bool running) override;
    bool AskYesNo(const QString& message) override;
    LogView& Log() override { return log_; }

  signals:
    // The program has saved its settings and its window has closed; the process may end.
    void ProgramEnded();
    // A test run has begun or is over (after its clean-up).
    void RunStarted();
    void RunFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FindControls();
    void NameForScreenReaders();
    void CreateMenus();
    void ConnectCommands();
    void OnToolBarClick(int vButton_Index);
    void PopUpMenu(int vButton_Index);
    void FitDriveListToEntries();
    void OnIconAnimationTick();
    void ShowIconFrame(int frame);
    void RunTest(RunOutcome (TestRuns::*run)());
    void StartUpdateCheck();
    void ShowChart();
    void ShowHistory();
    void SaveSettings();
    void EndProgram();
    // Runs a command so that a failure reaches the user as a message box, never as a crash.
    void Guarded(const std::function<void()>& command);
    void ShowFailure(const QString& what);

    // Controls, by their names in the layout.
    McToolBar* McToolBar1 = nullptr;
    QWidget* frView0 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    Txt* Txt1 = nullptr;
    Txt* Txt2 = nullptr;
    Cmd1* Cmd11 = nullptr;
    Cmd1* Cmd12 = nullptr;
    Cmd1* Cmd13 = nullptr;
    DriveBox* Drive1 = nullptr;
    Chk1* Chk11 = nullptr;
    Chk1* ChkDoEvents = nullptr;
    Chk1* chkDisableCaching = nullptr;
    Chk1* chkEnableWriteThrough = nullptr;
    PPB* Progress1 = nullptr;
    PPB* OverallProgress = nullptr;
    SvgPicture* Image2 = nullptr;
    SvgPicture* iIcon[3] = {nullptr, nullptr, nullptr};  // frames 1 and 2
    static constexpr size_t kRunControlCount = static_cast<size_t>(RunControl::Txt2) + 1;
    std::array<QWidget*, kRunControlCount> runControls_{};

    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileChart = nullptr;
    QAction* mnuFileProfile = nullptr;
    QAction* mnuFileHistory = nullptr;
    QAction* mnuFileExit = nullptr;
    QAction* mnuEditCopy = nullptr;
    QAction* mnuHelpCheckUpdate = nullptr;
    QAction* mnuHelpAbout = nullptr;
    QShortcut* menuKeys_[3] = {nullptr, nullptr, nullptr};

    QTimer IconAnimation;
    int16_t IconFrame = 0;
    QIcon frameIcons_[3];

    bool AbortRequested_ = true;
    bool runActive_ = false;
    bool closeRequested_ = false;  // during the current run
    bool exitPending_ = false;
    bool ended_ = false;
    LogView log_;
    PhaseResults results_;
    std::unique_ptr<TestRuns> runs_;
    // The speed chart of the last completed run, and the window that shows it.
    std::optional<ChartInput> lastChart_;
    QPointer<ChartWindow> chartWindow_;
    // The drive profile's window; the window's controls stay locked while it runs a profile.
    QPointer<frmProfile> profileWindow_;
    bool profileActive_ = false;
    QPointer<HistoryWindow> historyWindow_;
    SaveFileDialog saveFileDialog_;
};
