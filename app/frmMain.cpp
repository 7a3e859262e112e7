#include "frmMain.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QShortcut>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

#include "AppSettings.h"
#include "ChartWindow.h"
#include "Chk1.h"
#include "Cmd1.h"
#include "DriveBox.h"
#include "FormLayout.h"
#include "FormWidgets.h"
#include "HistoryWindow.h"
#include "McToolBar.h"
#include "PPB.h"
#include "QtTranslation.h"
#include "RunHistory.h"
#include "Txt.h"
#include "UpdateDialogs.h"
#include "VersionFile.h"
#include "frmAbout.h"
#include "frmProfile.h"
#include "modCmd.h"
#include "modLang.h"
#include "modTest.h"

namespace {

// Message boxes name the program, not the window with its version.
const QString kProgramTitle = QStringLiteral("Dravelo");
constexpr int kIconAnimationMs = 100;
constexpr int kMenuCount = 3;

// A start-up or closing step that fails is skipped; the next one runs all the same.
void Step(const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
    }
}

template <typename T>
T* Named(const QWidget* form, const QString& name) {
    T* control = form->findChild<T*>(name);
    if (!control) throw LayoutError("the layout lacks the control " + name.toStdString());
    return control;
}

// To a screen reader the main window is a frame, as any application's main window is.
QAccessibleInterface* MainWindowAccessible(const QString&, QObject* object) {
    if (auto* form = qobject_cast<frmMain*>(object))
        return new QAccessibleWidget(form, QAccessible::Window);
    return nullptr;
}

// Dialogs open without a loop of their own: a phase running underneath goes on with its next
// pump point instead of waiting inside the dialog while its clock runs.
void DefaultSaveFileDialog(QWidget* owner, std::function<void(const QString&)> chosen) {
    auto* dialog = new QFileDialog(owner, LangText(59, false, false, QStringLiteral("Save As...")));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(QStringLiteral("*.txt"));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    QObject::connect(dialog, &QFileDialog::fileSelected, owner, std::move(chosen));
    dialog->open();
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent), saveFileDialog_(DefaultSaveFileDialog) {
    static const bool accessible = [] {
        QAccessible::installFactory(&MainWindowAccessible);
        return true;
    }();
    (void)accessible;
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    FormLayout::Build(this, QStringLiteral("frmMain.layout"));
    FindControls();
    CreateMenus();
    ConnectCommands();
    IconAnimation.setInterval(kIconAnimationMs);
    connect(&IconAnimation, &QTimer::timeout, this, &frmMain::OnIconAnimationTick);
    runs_ = std::make_unique<TestRuns>(*this);
#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Exit(); });
#endif
    // However the event loop is told to end, the settings are saved once.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!ended_) Step([this] { SaveSettings(); });
        ended_ = true;
    });
}

frmMain::~frmMain() = default;

void frmMain::FindControls() {
    McToolBar1 = Named<McToolBar>(this, QStringLiteral("McToolBar1"));
    frView0 = Named<QWidget>(this, QStringLiteral("frView(0)"));
    Label1 = Named<QLabel>(this, QStringLiteral("Label1"));
    Label2 = Named<QLabel>(this, QStringLiteral("Label2"));
    Label3 = Named<QLabel>(this, QStringLiteral("Label3"));
    Txt1 = Named<Txt>(this, QStringLiteral("Txt1"));
    Txt2 = Named<Txt>(this, QStringLiteral("Txt2"));
    Cmd11 = Named<Cmd1>(this, QStringLiteral("Cmd11"));
    Cmd12 = Named<Cmd1>(this, QStringLiteral("Cmd12"));
    Cmd13 = Named<Cmd1>(this, QStringLiteral("Cmd13"));
    Drive1 = Named<DriveBox>(this, QStringLiteral("Drive1"));
    Chk11 = Named<Chk1>(this, QStringLiteral("Chk11"));
    ChkDoEvents = Named<Chk1>(this, QStringLiteral("ChkDoEvents"));
    chkDisableCaching = Named<Chk1>(this, QStringLiteral("chkDisableCaching"));
    chkEnableWriteThrough = Named<Chk1>(this, QStringLiteral("chkEnableWriteThrough"));
    Progress1 = Named<PPB>(this, QStringLiteral("Progress1"));
    OverallProgress = Named<PPB>(this, QStringLiteral("OverallProgress"));
    Image2 = Named<SvgPicture>(this, QStringLiteral("Image2"));
    // The controls a run locks, in the order of RunControl.
    runControls_ = {
        Chk11, ChkDoEvents, chkDisableCaching, chkEnableWriteThrough, Cmd11, Cmd12, Cmd13, Drive1,
        Txt1,  Txt2};
    for (int frame = 1; frame <= 2; ++frame) {
        iIcon[frame] = Named<SvgPicture>(this, QStringLiteral("iIcon(%1)").arg(frame));
        frameIcons_[frame] = iIcon[frame]->Icon();
    }
}

void frmMain::CreateMenus() {
    mnuFile = new QMenu(this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileSaveAs = mnuFile->addAction(QStringLiteral("Speichern unter..."));
    mnuFileChart = mnuFile->addAction(QStringLiteral("Diagramm…"));
    mnuFileProfile = mnuFile->addAction(QStringLiteral("Laufwerksprofil…"));
    mnuFileProfile->setObjectName(QStringLiteral("mnuFileProfile"));
    mnuFileHistory = mnuFile->addAction(QStringLiteral("Verlauf…"));
    mnuFileHistory->setObjectName(QStringLiteral("mnuFileHistory"));
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    mnuFileExit = mnuFile->addAction(QStringLiteral("Beenden"));
    mnuEdit = new QMenu(this);
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditCopy = mnuEdit->addAction(QStringLiteral("Kopieren"));
    mnuHelp = new QMenu(this);
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpCheckUpdate = mnuHelp->addAction(QStringLiteral("Nach Updates suchen"));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuHelpSep1"));
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("Über..."));
    for (QMenu* menu : {mnuFile, mnuEdit, mnuHelp}) {
        // Popups are windows of their own and do not take the window's font by themselves.
        menu->setFont(font());
        menu->installEventFilter(this);
    }
    // The toolbar takes no focus: the keyboard reaches the menus through F10 and Alt with a
    // caption's first letter, and Left and Right move between them.
    McToolBar1->setFocusPolicy(Qt::NoFocus);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { PopUpMenu(0); });
    for (int i = 0; i < kMenuCount; ++i) {
        menuKeys_[i] = new QShortcut(this);
        connect(menuKeys_[i], &QShortcut::activated, this, [this, i] { PopUpMenu(i); });
    }
}

void frmMain::ConnectCommands() {
    connect(Cmd11, &Cmd1::Click, this, &frmMain::StartSingle);
    connect(Cmd12, &Cmd1::Click, this, &frmMain::StartMultiple);
    connect(Cmd13, &Cmd1::Click, this, &frmMain::ProposeValues);
    connect(McToolBar1, &McToolBar::Click, this, &frmMain::OnToolBarClick);
    connect(mnuFileSaveAs, &QAction::triggered, this, &frmMain::SaveAs);
    connect(mnuFileChart, &QAction::triggered, this, &frmMain::ShowChart);
    connect(mnuFileProfile, &QAction::triggered, this, &frmMain::OpenProfile);
    connect(mnuFileHistory, &QAction::triggered, this, &frmMain::ShowHistory);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::Exit);
    connect(mnuEditCopy, &QAction::triggered, this, &frmMain::Copy);
    connect(mnuHelpCheckUpdate, &QAction::triggered, this, &frmMain::StartUpdateCheck);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::About);
    QAbstractItemModel* entries = Drive1->model();
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(entries, changed, this, &frmMain::FitDriveListToEntries);
    connect(entries, &QAbstractItemModel::dataChanged, this, &frmMain::FitDriveListToEntries);
}

// The box is narrow: its drop-down list is as wide as the longest entry, so that the folders and
// the browse entry show whole.
void frmMain::FitDriveListToEntries() {
    QAbstractItemView* list = Drive1->view();
    int width = list->sizeHintForColumn(0) + 2 * list->frameWidth();
    if (Drive1->count() > Drive1->maxVisibleItems())
        width += list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(width);
}

// ---- Start-up and end -------------------------------------------------------------------------

void frmMain::Load(const QString& commandLine) {
    Step([this] { AbortRequested_ = true; });
    Step([this] {
        Progress1->setShowBorder(false);
        OverallProgress->setShowBorder(false);
    });
    QString languageFile;
    Step([&] { languageFile = LanguageFileToLoad(commandLine); });
    Step([&] {
        if (!languageFile.isEmpty()) LoadLanguage(languageFile);
    });
    Step([&] { UseQtTranslationFor(languageFile); });
    Step([this] { Translate(); });
    Step([this] { frView0->raise(); });
    Step([this] { setWindowTitle(QStringLiteral("Dravelo v.") + VersionText(kInstalledVersion)); });
    const AppSettings settings;
    Step([&] {
        if (const auto files = settings.NrFiles()) Txt1->setText(*files);
    });
    Step([&] {
        if (const auto size = settings.NrMBytes()) Txt2->setText(*size);
    });
    Step([&] {
        for (const QString& folder : settings.PrevPaths()) Drive1->AppendEntry(folder);
    });
    Step([this] {
        if (Drive1->count() == 0) Drive1->AppendEntry(DriveBox::DesignTimeText());
    });
    Step([this] {
        Drive1->setBrowseEntryText(LangText(53, false, false, QString()));
        Drive1->AppendBrowseEntry();
    });
    Step([&] {
        // A stored position that is no number selects nothing, as one outside the list does.
        const auto selected = settings.PrevPathSelected();
        const bool usable = selected && *selected >= 0 && *selected < Drive1->count();
        Drive1->SelectPosition(usable ? static_cast<int>(*selected) : -1);
    });
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A running profile stops and removes its file before the window goes.
    if (profileWindow_) profileWindow_->StopAndWait();
    if (ended_) {
        event->accept();
        return;
    }
    if (runActive_) {
        // Refused: the running test stops at its next check; the user closes again afterwards.
        AbortRequested_ = true;
        closeRequested_ = true;
        event->ignore();
        return;
    }
    Step([this] { SaveSettings(); });
    ended_ = true;
    event->accept();
    emit ProgramEnded();
}

void frmMain::Exit() {
    AbortRequested_ = true;
    if (profileWindow_) profileWindow_->StopAndWait();
    // During a run the program ends when the run has stopped and deleted its test files.
    if (runActive_) {
        exitPending_ = true;
        return;
    }
    if (!ended_) EndProgram();
}

void frmMain::EndProgram() {
    Step([this] { SaveSettings(); });
    ended_ = true;
    close();
    emit ProgramEnded();
}

void frmMain::SaveSettings() {
    AppSettings settings;
    settings.Save(Txt1->Text(), Txt2->Text(), Drive1->FolderEntries(), Drive1->PrevPathSelected());
}

// ---- Texts ------------------------------------------------------------------------------------

void frmMain::Translate() {
    Label1->setText(LangText(27, false, false, QStringLiteral("Number of files:")));
    Label2->setText(LangText(28, false, false, QStringLiteral("Size of files (MB):")));
    NameForScreenReaders();
    Chk11->setCaption(LangText(29, false, false, QStringLiteral("Write logfile to test device")));
    ChkDoEvents->setCaption(LangText(30, false, false, QStringLiteral("Increase test priority")));
    Cmd11->setCaption(LangText(32, false, false, QStringLiteral("Start Single")));
    Cmd12->setCaption(LangText(31, false, false, QStringLiteral("Start Multiple")));
    Cmd13->setToolTipText(
        LangText(39, false, false, QStringLiteral("Automatically find proper values")));
    chkDisableCaching->setCaption(
        LangText(55, false, false, QStringLiteral("Disable system cache")));
    chkEnableWriteThrough->setCaption(
        LangText(56, false, false, QStringLiteral("Enable write through")));
    mnuFileSaveAs->setText(LangText(59, false, false, QStringLiteral("Save As...")));
    mnuFileChart->setText(LangText(70, false, false, QStringLiteral("Chart…")));
    mnuFileProfile->setText(LangText(87, false, false, QStringLiteral("Drive profile…")));
    mnuFileHistory->setText(LangText(136, false, false, QStringLiteral("History…")));
    mnuFileExit->setText(LangText(60, false, false, QStringLiteral("Exit")));
    mnuEditCopy->setText(LangText(57, false, false, QStringLiteral("Copy")));
    mnuHelpAbout->setText(LangText(61, false, false, QStringLiteral("About...")));
    mnuHelpCheckUpdate->setText(LangText(58, false, false, QStringLiteral("Check for update")));
    const QString captions[kMenuCount] = {LangText(62, false, false, QStringLiteral("File")),
                                          LangText(63, false, false, QStringLiteral("Edit")),
                                          LangText(64, false, false, QStringLiteral("Help"))};
    for (int i = 0; i < kMenuCount; ++i) {
        McToolBar1->setButton_Index(i);
        McToolBar1->setButtonCaption(captions[i]);
    }
    McToolBar1->setButton_Index(-1);
    for (int i = 0; i < kMenuCount; ++i) {
        const QString caption = captions[i].trimmed();
        menuKeys_[i]->setKey(
            caption.isEmpty() ? QKeySequence()
                              : QKeySequence(QStringLiteral("Alt+") + caption.left(1).toUpper()));
    }
}

// Screen readers name every control a user can reach; where the window shows no text beside a
// control, the name comes from the texts all the same.
void frmMain::NameForScreenReaders() {
    Label1->setBuddy(Txt1);
    Label2->setBuddy(Txt2);
    Txt1->ShareAccessibleName();
    Txt2->ShareAccessibleName();
    const QString folder = LangText(52, false, false, QStringLiteral("Choose drive or path..."));
    Drive1->setAccessibleName(folder);
    if (QLineEdit* editor = Drive1->lineEdit()) editor->setAccessibleName(folder);
    Progress1->setAccessibleName(LangText(140, false, false, QStringLiteral("Current file")));
    OverallProgress->setAccessibleName(LangText(141, false, false, QStringLiteral("Whole run")));
}

// ---- Menus ------------------------------------------------------------------------------------

void frmMain::OnToolBarClick(int vButton_Index) {
    PopUpMenu(vButton_Index);
}

void frmMain::PopUpMenu(int vButton_Index) {
    const bool viewHoldsText = !log_.ViewText().isEmpty();
    QMenu* menu = nullptr;
    switch (vButton_Index) {
        case 0:
            mnuFileSaveAs->setEnabled(viewHoldsText);
            mnuFileChart->setEnabled(lastChart_.has_value());
            mnuFileProfile->setEnabled(!runActive_);
            menu = mnuFile;
            break;
        case 1:
            mnuEditCopy->setEnabled(viewHoldsText);
            menu = mnuEdit;
            break;
        case 2:
            menu = mnuHelp;
            break;
        default:
            return;
    }
    const QPoint below(McToolBar1->GetButtonLeft(vButton_Index), McToolBar1->height());
    menu->popup(McToolBar1->mapToGlobal(below));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right) return QWidget::eventFilter(watched, event);
    const QMenu* menus[kMenuCount] = {mnuFile, mnuEdit, mnuHelp};
    for (int i = 0; i < kMenuCount; ++i) {
        if (watched != menus[i]) continue;
        const int next = (i + (key == Qt::Key_Right ? 1 : kMenuCount - 1)) % kMenuCount;
        static_cast<QMenu*>(watched)->close();
        QTimer::singleShot(0, this, [this, next] { PopUpMenu(next); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Commands ---------------------------------------------------------------------------------

void frmMain::StartSingle() {
    RunTest(&TestRuns::SingleRun);
}

void frmMain::StartMultiple() {
    RunTest(&TestRuns::MultipleRun);
}

frmProfile* frmMain::ProfileWindow() const {
    return profileWindow_;
}

void frmMain::OpenProfile() {
    if (runActive_ || ended_) return;
    // A closed window kept its last figures; another folder gets a fresh window.
    const QString folder = Drive1->TargetFolder();
    if (profileWindow_ && !profileActive_ && profileWindow_->Folder() != folder)
        delete profileWindow_.data();
    if (!profileWindow_) {
        profileWindow_ = new frmProfile(folder, this);
        connect(profileWindow_, &frmProfile::RunningChanged, this, [this](bool running) {
            profileActive_ = running;
            for (QWidget* control : runControls_) control->setEnabled(!running);
        });
    }
    profileWindow_->show();
    profileWindow_->raise();
    profileWindow_->activateWindow();
}

// The question opens without waiting for the answer; Yes applies the proposal then.
void frmMain::ProposeValues() {
    Guarded([this] {
        const QString folder = Drive1->TargetFolder();
        const auto suggestion = SuggestionFor(folder);
        if (!suggestion || suggestion->proposal.files < 1 || suggestion->proposal.size < 1) return;
        const Proposal proposal = suggestion->proposal;
        auto* box = new QMessageBox(QMessageBox::Information, kProgramTitle,
                                    SuggestionMessage(folder, suggestion->freeMB, proposal),
                                    QMessageBox::Yes | QMessageBox::No, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        connect(box, &QMessageBox::finished, this, [this, proposal](int answer) {
            if (answer != QMessageBox::Yes) return;
            SetTxt1Text(QString::number(proposal.files));
            SetTxt2Text(QString::number(proposal.size));
        });
        box->open();
    });
}

void frmMain::SaveAs() {
    Guarded([this] {
        saveFileDialog_(this, [this](const QString& path) {
            Guarded([this, path] {
                if (path.isEmpty() || SaveLogText(path, log_.LogText())) return;
                ShowFailure(
                    LangText(84, false, true,
                             QStringLiteral("Die Datei konnte nicht gespeichert werden: ")) +
                    path);
            });
        });
    });
}

void frmMain::Copy() {
    Guarded([this] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(log_.LogText());
    });
}

void frmMain::About() {
    Guarded([this] {
        auto* dialog = new frmAbout(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void frmMain::StartUpdateCheck() {
    Guarded([this] { CheckForUpdate(this); });
}

// One chart window at a time, which follows the runs that complete while it is open.
void frmMain::ShowChart() {
    Guarded([this] {
        if (!lastChart_) return;
        if (!chartWindow_) {
            chartWindow_ = new ChartWindow(this);
            chartWindow_->setAttribute(Qt::WA_DeleteOnClose);
        }
        chartWindow_->SetInput(*lastChart_);
        chartWindow_->show();
        chartWindow_->raise();
    });
}

// One history window at a time; not modal, so that runs go on while it is open.
void frmMain::ShowHistory() {
    Guarded([this] {
        if (!historyWindow_) {
            historyWindow_ = new HistoryWindow(RunHistory::DefaultPath(), this);
            historyWindow_->setAttribute(Qt::WA_DeleteOnClose);
        } else {
            historyWindow_->Refresh();
        }
        historyWindow_->show();
        historyWindow_->raise();
    });
}

void frmMain::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& failure) {
        ShowFailure(LangText(85, false, true, QStringLiteral("Unerwarteter Fehler: ")) +
                    QString::fromLocal8Bit(failure.what()));
    } catch (...) {
        ShowFailure(LangText(85, false, true, QStringLiteral("Unerwarteter Fehler: ")));
    }
}

// The box opens without waiting: a command that fails during a run must not hold the phase.
void frmMain::ShowFailure(const QString& what) {
    auto* box = new QMessageBox(QMessageBox::Critical, kProgramTitle, what, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool frmMain::AskYesNo(const QString& message) {
    QMessageBox box(QMessageBox::Information, kProgramTitle, message,
                    QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}
