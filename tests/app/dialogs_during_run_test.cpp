// Dialogs opened while a test runs: each opens without a loop of its own, so the phase goes on
// at its next pump point, the run ends with the dialog still open, and its figures are those of
// a run without a dialog. The update check, which waits for the network, is off while it runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include "ChartWindow.h"
#include "LogView.h"
#include "TestPhases.h"
#include "scripted_clock.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

// The lines that carry the run's figures: each file's time and the averages.
QStringList Figures(frmMain& window) {
    return window.Log()
        .LogText()
        .split(QStringLiteral("\r\n"))
        .filter(QRegularExpression(QStringLiteral("^(Zeit|Durchschnitt): ")));
}

QWidget* OpenDialog() {
    QWidget* dialog = QApplication::activeModalWidget();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

void CloseDialogs() {
    while (QWidget* dialog = OpenDialog()) {
        dialog->close();
        RunEventLoopUntil([dialog] { return OpenDialog() != dialog; }, 5000);
    }
}

struct DialogCase {
    const char* name;
    std::function<void(frmMain&)> open;
};

class DialogDuringRun : public ::testing::TestWithParam<DialogCase> {};

TEST_P(DialogDuringRun, LeavesThePhaseRunningAndItsFiguresUnchanged) {
    UseBuiltInTexts();
    ClearStore();
    TempFolder folder;
    // Every reading advances the clocks by a quarter of a second, whatever happens in between.
    // The clock outlives the window, which releases it when it closes.
    int32_t ticks = 0;
    int64_t micros = 0;
    ScriptedClock clock([&] { return ticks += 250; });
    const auto window = OpenWindow();
    window->Phases().SetTickSourceFactory(clock.Factory());
    window->Phases().SetPreciseClock([&] { return micros += 250'000; });
    Control<Txt>(*window, "Txt1")->setText(QStringLiteral("2"));
    Control<Txt>(*window, "Txt2")->setText(QStringLiteral("1"));
    Control<DriveBox>(*window, "Drive1")->setEditText(folder.path());
    QSignalSpy finished(window.get(), &frmMain::RunFinished);

    Click(Control<Cmd1>(*window, "Cmd11"));
    ASSERT_EQ(finished.count(), 1);
    const QStringList alone = Figures(*window);
    ASSERT_EQ(alone.size(), 8) << alone.join(u'|').toStdString();
    window->FileMenu()->actions().at(1)->trigger();  // the chart window, for its Save…

    QAction* checkUpdate = window->HelpMenu()->actions().first();
    bool updateCheckOffered = true;
    QWidget* dialogDuringRun = nullptr;
    QObject::connect(
        window.get(), &frmMain::RunStarted, window.get(),
        [&] {
            QTimer::singleShot(0, window.get(), [&] {
                updateCheckOffered = checkUpdate->isEnabled();
                GetParam().open(*window);
                RunEventLoopUntil([] { return OpenDialog() != nullptr; }, 5000);
                dialogDuringRun = OpenDialog();
            });
        },
        Qt::SingleShotConnection);
    // A dialog that held the phase in its own loop would keep the run from ending: close it late.
    QTimer::singleShot(10000, window.get(), CloseDialogs);
    Click(Control<Cmd1>(*window, "Cmd11"));

    ASSERT_EQ(finished.count(), 2);
    EXPECT_NE(dialogDuringRun, nullptr);
    EXPECT_EQ(OpenDialog(), dialogDuringRun) << "the run ended only after the dialog closed";
    EXPECT_EQ(Figures(*window), alone);
    EXPECT_FALSE(updateCheckOffered);
    EXPECT_TRUE(checkUpdate->isEnabled());
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    CloseDialogs();
}

ChartWindow* TheChartWindow(frmMain& window) {
    return window.findChild<ChartWindow*>();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DialogDuringRun,
    ::testing::Values(DialogCase{"About", [](frmMain& window) { window.About(); }},
                      DialogCase{"SaveAs", [](frmMain& window) { window.SaveAs(); }},
                      DialogCase{"Proposal", [](frmMain& window) { window.ProposeValues(); }},
                      DialogCase{"ChartSave",
                                 [](frmMain& window) {
                                     TheChartWindow(window)->findChild<QPushButton*>()->click();
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
