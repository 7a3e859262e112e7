// frmMain's part in the test runs: the command that carries one out and records it, and the
// RunHost side of the window that the phases and runs report to and lock while they run.
#include "frmMain.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QTextLayout>

#include "ChartWindow.h"
#include "Chk1.h"
#include "DriveBox.h"
#include "FormWidgets.h"
#include "HistoryWindow.h"
#include "PPB.h"
#include "RunChart.h"
#include "Txt.h"
#include "WindowReport.h"

namespace {

// One line of the log as the view shows it: broken at word boundaries to the view's width, and
// anywhere inside a word wider than the view (a long path).
QStringList WrappedToWidth(const QString& line, const QLabel& view) {
    QTextLayout layout(line, view.font(), const_cast<QLabel*>(&view));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList parts;
    layout.beginLayout();
    for (QTextLine part = layout.createLine(); part.isValid(); part = layout.createLine()) {
        part.setLineWidth(view.contentsRect().width());
        QString text = line.mid(part.textStart(), part.textLength());
        while (text.endsWith(u' ')) text.chop(1);
        parts << text;
    }
    layout.endLayout();
    return parts;
}

}  // namespace

// The run goes on inside this call; other commands run nested in its pump points.
void frmMain::RunTest(RunOutcome (TestRuns::*run)()) {
    if (runActive_ || profileActive_ || ended_) return;
    runActive_ = true;
    // The update check waits for the network in a loop of its own, which would hold the phase.
    mnuHelpCheckUpdate->setEnabled(false);
    closeRequested_ = false;
    // The run locks the controls, which takes the focus away; it comes back afterwards.
    const QPointer<QWidget> focused = focusWidget();
    emit RunStarted();
    const QDateTime start = QDateTime::currentDateTime();
    const QString folder = Drive1->TargetFolder();
    RunOutcome outcome = RunOutcome::Stopped;
    Guarded([&] { outcome = ((*runs_).*run)(); });
    if (outcome == RunOutcome::Completed) {
        const ChartTest test =
            run == &TestRuns::MultipleRun ? ChartTest::Multiple : ChartTest::Single;
        lastChart_ = ChartOfRun(runs_->Report(), test, folder, start);
        if (chartWindow_) chartWindow_->SetInput(*lastChart_);
    }
    Guarded([&] {
        RecordWindowRun({runs_->Report(), outcome, run == &TestRuns::MultipleRun, folder, start,
                         log_.LogText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)});
        if (historyWindow_) historyWindow_->Refresh();
    });
    runActive_ = false;
    mnuHelpCheckUpdate->setEnabled(true);
    AbortRequested_ = true;
    if (focused && focused->isEnabled() && focused->isVisible()) focused->setFocus();
    emit RunFinished();
    if (exitPending_) EndProgram();
}

// ---- What the runs see ------------------------------------------------------------------------

void frmMain::LogPrint(const QString& text) {
    log_.LogPrint(text);
    QStringList shown;
    for (const QString& line : log_.ViewText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        shown << WrappedToWidth(line, *Label3);
    // The view keeps its size: when the wrapped lines do not fit, the oldest scroll out of sight.
    const int fitting =
        std::max(1, Label3->contentsRect().height() / QFontMetrics(Label3->font()).lineSpacing());
    if (shown.size() > fitting) shown = shown.mid(shown.size() - fitting);
    Label3->setText(shown.join(u'\n'));
}

void frmMain::Progress1ValueChange(double percent) {
    Progress1->ValueChange(percent);
}

void frmMain::OverallProgressValueChange(int16_t percent) {
    OverallProgress->ValueChange(percent);
}

bool frmMain::ChkDoEventsChecked() {
    return ChkDoEvents->Checked();
}

bool frmMain::DisableCachingChecked() {
    return chkDisableCaching->Checked();
}

bool frmMain::EnableWriteThroughChecked() {
    return chkEnableWriteThrough->Checked();
}

QString frmMain::Txt1Text() {
    return Txt1->Text();
}

QString frmMain::Txt2Text() {
    return Txt2->Text();
}

void frmMain::SetTxt1Text(const QString& text) {
    Txt1->setText(text);
}

void frmMain::SetTxt2Text(const QString& text) {
    Txt2->setText(text);
}

QString frmMain::Drive1Text() {
    return Drive1->currentText();
}

QString frmMain::TargetFolder() {
    return Drive1->TargetFolder();
}

bool frmMain::Chk11Checked() {
    return Chk11->Checked();
}

void frmMain::SetControlEnabled(RunControl control, bool enabled) {
    runControls_.at(static_cast<size_t>(control))->setEnabled(enabled);
}

void frmMain::ShowImage2() {
    // The layout puts it over Image1 and under the log view's text.
    Image2->show();
}

void frmMain::SetIconAnimation(bool running) {
    if (running) {
        IconAnimation.start();
        return;
    }
    IconAnimation.stop();
    ShowIconFrame(1);
}

void frmMain::OnIconAnimationTick() {
    if (++IconFrame > 2) IconFrame = 1;
    ShowIconFrame(IconFrame);
}

void frmMain::ShowIconFrame(int frame) {
    setWindowIcon(frameIcons_[frame]);
    iIcon[frame]->raise();
}
