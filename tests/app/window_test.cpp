// The main window's start-up, closing, runs, menus and keyboard, on the real window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

#include <csignal>

#include "ChartWindow.h"
#include "FormWidgets.h"
#include "TerminationSignal.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseBuiltInTexts();
        ClearStore();
    }
};

QString HomeEntry() {
    return QDir::homePath() + u'/';
}

// Fills the inputs for a small run in `folder`.
void PrepareRun(frmMain& window, const TempFolder& folder, const QString& files) {
    Control<Txt>(window, "Txt1")->setText(files);
    Control<Txt>(window, "Txt2")->setText(QStringLiteral("1"));
    Control<DriveBox>(window, "Drive1")->setEditText(folder.path());
}

// Runs `atPumpPoint` once, from inside the next run's first pump point.
void AtFirstPumpPoint(frmMain& window, std::function<void()> atPumpPoint) {
    QObject::connect(
        &window, &frmMain::RunStarted, &window,
        [&window, atPumpPoint] { QTimer::singleShot(0, &window, atPumpPoint); },
        Qt::SingleShotConnection);
}

}  // namespace

TEST_F(WindowTest, FirstStartWithAnEmptyStoreShowsTheDefaults) {
    const auto window = OpenWindow();
    EXPECT_EQ(window->windowTitle(), "Dravelo v.1.0.14");
    EXPECT_EQ(Control<Txt>(*window, "Txt1")->Text(), "20");
    EXPECT_EQ(Control<Txt>(*window, "Txt2")->Text(), "10");
    auto* box = Control<DriveBox>(*window, "Drive1");
    EXPECT_EQ(box->Entries(), QStringList({HomeEntry(), "Translation Error!"}));
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(box->currentText(), HomeEntry());
    EXPECT_FALSE(Control<QWidget>(*window, "Image2")->isVisible());
    EXPECT_TRUE(Control<Chk1>(*window, "chkDisableCaching")->Checked());
    EXPECT_FALSE(Control<Chk1>(*window, "Chk11")->Checked());
    EXPECT_TRUE(window->AbortRequested());
    // Fixed size, white client area.
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->grab().toImage().pixelColor(2, window->height() - 2), QColor(Qt::white));
}

TEST_F(WindowTest, ClosingSavesTheInputsAndTheFoldersWithoutTheBrowseEntry) {
    SetStored({{"NrPrevPath", "3"},
               {"PrevPath1", "/data/a/"},
               {"PrevPath2", "/data/b/"},
               {"PrevPath3", "/data/c/"},
               {"PrevPath5", "kept"},
               {"PrevPathSelected", "1"}});
    const auto window = OpenWindow();
    auto* box = Control<DriveBox>(*window, "Drive1");
    EXPECT_EQ(box->currentText(), "/data/b/");
    Control<Txt>(*window, "Txt1")->setText(QStringLiteral("7"));
    Control<Txt>(*window, "Txt2")->setText(QStringLiteral("2,5"));
    QSignalSpy ended(window.get(), &frmMain::ProgramEnded);

    EXPECT_TRUE(window->close());
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(Stored("NrFiles"), "7");
    EXPECT_EQ(Stored("NrMBytes"), "2,5");
    EXPECT_EQ(Stored("NrPrevPath"), "3");
    EXPECT_EQ(Stored("PrevPath1"), "/data/a/");
    EXPECT_EQ(Stored("PrevPath3"), "/data/c/");
    EXPECT_FALSE(Stored("PrevPath4").isValid());  // the browse entry is never stored
    EXPECT_EQ(Stored("PrevPath5"), "kept");       // keys beyond N stay
    EXPECT_EQ(Stored("PrevPathSelected"), "1");
}

TEST_F(WindowTest, BadStoredValuesFollowTheFailureRules) {
    struct Case {
        std::map<QString, QString> stored;
        QString txt1, txt2;
        QStringList entries;
        int selected;
        QString shown;
    };
    const QString browse = QStringLiteral("Translation Error!");
    const Case cases[] = {
        // Not a number: the box keeps its empty design-time text.
        {{{"NrFiles", "zwanzig"}, {"NrMBytes", "1x"}},
         "",
         "",
         {HomeEntry(), browse},
         0,
         HomeEntry()},
        // Rounded down.
        {{{"NrFiles", "7.9"}, {"NrMBytes", "-2.5"}},
         "7",
         "-3",
         {HomeEntry(), browse},
         0,
         HomeEntry()},
        // A count that is no number reads no folder.
        {{{"NrPrevPath", "drei"}, {"PrevPath1", "/data/a/"}},
         "20",
         "10",
         {HomeEntry(), browse},
         0,
         HomeEntry()},
        // Empty folders are left out; keys beyond the count are not read.
        {{{"NrPrevPath", "2"}, {"PrevPath1", ""}, {"PrevPath2", "/x/"}, {"PrevPath3", "/y/"}},
         "20",
         "10",
         {"/x/", browse},
         0,
         "/x/"},
        // A selection outside the list, or no number: nothing selected, the design-time text.
        {{{"PrevPathSelected", "5"}}, "20", "10", {HomeEntry(), browse}, -1, HomeEntry()},
        {{{"PrevPathSelected", "-1"}}, "20", "10", {HomeEntry(), browse}, -1, HomeEntry()},
        {{{"PrevPathSelected", "erste"}}, "20", "10", {HomeEntry(), browse}, -1, HomeEntry()},
    };
    for (const Case& c : cases) {
        SetStored(c.stored);
        const auto window = OpenWindow();
        const auto* box = Control<DriveBox>(*window, "Drive1");
        SCOPED_TRACE((c.stored.begin()->first + "=" + c.stored.begin()->second).toStdString());
        EXPECT_EQ(Control<Txt>(*window, "Txt1")->Text(), c.txt1);
        EXPECT_EQ(Control<Txt>(*window, "Txt2")->Text(), c.txt2);
        EXPECT_EQ(box->Entries(), c.entries);
        EXPECT_EQ(box->currentIndex(), c.selected);
        EXPECT_EQ(box->currentText(), c.shown);
    }
}

TEST_F(WindowTest, StartSingleFillsTheLogViewAndLeavesNoTestFile) {
    TempFolder folder;
    const auto window = OpenWindow();
    PrepareRun(*window, folder, QStringLiteral("2"));
    bool lockedDuringRun = false;
    bool image2DuringRun = false;
    AtFirstPumpPoint(*window, [&] {
        lockedDuringRun = !Control<Cmd1>(*window, "Cmd11")->isEnabled() &&
                          !Control<DriveBox>(*window, "Drive1")->isEnabled() &&
                          !Control<Txt>(*window, "Txt1")->isEnabled() && window->RunActive();
        image2DuringRun = Control<QWidget>(*window, "Image2")->isVisible();
    });
    QSignalSpy finished(window.get(), &frmMain::RunFinished);
    // The File menu's chart entry is offered once a run has completed.
    auto* bar = Control<McToolBar>(*window, "McToolBar1");
    QAction* chart = window->FileMenu()->actions().at(1);
    const auto chartOffered = [&] {
        ClickToolBarButton(bar, 0);
        window->FileMenu()->close();
        return chart->isEnabled();
    };
    EXPECT_FALSE(chartOffered());

    Click(Control<Cmd1>(*window, "Cmd11"));

    ASSERT_EQ(finished.count(), 1);
    ASSERT_TRUE(chartOffered());
    chart->trigger();
    const auto charts = window->findChildren<ChartWindow*>();
    ASSERT_EQ(charts.size(), 1);
    EXPECT_TRUE(charts.first()->isVisible());
    EXPECT_EQ(charts.first()->Input().nFiles, 2);
    EXPECT_EQ(charts.first()->Input().writeMicroseconds.size(), 2u);
    EXPECT_EQ(charts.first()->Input().folder, folder.path());
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(image2DuringRun);
    const QStringList view = Control<QLabel>(*window, "Label3")->text().split(u'\n');
    ASSERT_EQ(view.size(), 5) << view.join(u'|').toStdString();
    EXPECT_EQ(view[0], "Ergebnis:");
    EXPECT_TRUE(view[1].startsWith("Schreibzeit: "));
    EXPECT_TRUE(view[4].endsWith(" MB/s"));
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    EXPECT_TRUE(Control<Cmd1>(*window, "Cmd11")->isEnabled());
    EXPECT_TRUE(Control<DriveBox>(*window, "Drive1")->isEnabled());
    EXPECT_TRUE(window->AbortRequested());
    EXPECT_TRUE(Control<QWidget>(*window, "Image2")->isVisible());
}

TEST_F(WindowTest, ACloseRequestDuringARunIsRefusedAndStopsTheRun) {
    TempFolder folder;
    const auto window = OpenWindow();
    PrepareRun(*window, folder, QStringLiteral("3"));
    bool closed = true;
    AtFirstPumpPoint(*window, [&] { closed = window->close(); });

    Click(Control<Cmd1>(*window, "Cmd11"));

    EXPECT_FALSE(closed);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Ended());
    EXPECT_TRUE(window->Log().LogText().contains("Abbruch..."));
    EXPECT_FALSE(window->Log().LogText().contains("Ergebnis:"));
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    EXPECT_FALSE(Stored("NrFiles").isValid());
    // Closing again afterwards saves and ends.
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Stored("NrFiles"), "3");
}

TEST_F(WindowTest, ExitDuringARunStopsItDeletesItsFilesThenSavesAndEnds) {
    TempFolder folder;
    const auto window = OpenWindow();
    PrepareRun(*window, folder, QStringLiteral("3"));
    QSignalSpy ended(window.get(), &frmMain::ProgramEnded);
    bool endedAtOnce = true;
    AtFirstPumpPoint(*window, [&] {
        window->FileMenu()->actions().last()->trigger();  // Exit
        endedAtOnce = window->Ended();
    });

    Click(Control<Cmd1>(*window, "Cmd11"));

    EXPECT_FALSE(endedAtOnce);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(window->Ended());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Log().LogText().contains("Abbruch..."));
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    EXPECT_EQ(Stored("NrFiles"), "3");
    EXPECT_EQ(Stored("PrevPath1"), HomeEntry());
}

TEST_F(WindowTest, SigtermDuringARunTakesTheRoadOfExit) {
    TempFolder folder;
    const auto window = OpenWindow();
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::Received, window.get(), &frmMain::Exit);
    PrepareRun(*window, folder, QStringLiteral("3"));
    AtFirstPumpPoint(*window, [] { std::raise(SIGTERM); });

    Click(Control<Cmd1>(*window, "Cmd11"));

    EXPECT_TRUE(window->Ended());
    EXPECT_TRUE(window->Log().LogText().contains("Abbruch..."));
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    EXPECT_EQ(Stored("NrFiles"), "3");
}

TEST_F(WindowTest, TheBrowseEntrySelectedAtCloseOpensTheFolderDialogAtStart) {
    TempFolder chosen;
    SetStored({{"NrPrevPath", "1"}, {"PrevPath1", "/data/a/"}, {"PrevPathSelected", "1"}});
    frmMain window;
    QString title;
    Control<DriveBox>(window, "Drive1")->setFolderDialog([&](QWidget* owner, const QString& t) {
        title = owner == &window ? t : QString();
        return chosen.path();
    });
    window.Load(QStringLiteral("lang= x.l"));
    EXPECT_EQ(title, "Laufwerk oder Pfad wählen...");
    EXPECT_EQ(Control<DriveBox>(window, "Drive1")->Entries(),
              QStringList({"/data/a/", chosen.path(), "Translation Error!"}));
    EXPECT_EQ(Control<DriveBox>(window, "Drive1")->currentText(), chosen.path());
}

TEST_F(WindowTest, TheProposalIsAskedInAMessageBoxAndAppliedOnYes) {
    TempFolder folder;
    const auto window = OpenWindow();
    Control<DriveBox>(*window, "Drive1")->setEditText(folder.path());
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        QString question;
        WhenModalOpens(window.get(), [&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_TRUE(box);
            question = box->windowTitle() + u'|' + box->text();
            box->button(answer)->click();
        });
        Click(Control<Cmd1>(*window, "Cmd13"));
        EXPECT_TRUE(RunEventLoopUntil([&] { return !question.isEmpty(); }, 5000));
        RunEventLoopUntil([&] { return QApplication::activeModalWidget() == nullptr; }, 5000);
        EXPECT_TRUE(question.startsWith("Dravelo|Freier Speicher auf[" + folder.path() + "]: "))
            << question.toStdString();
        if (answer == QMessageBox::No) {
            EXPECT_EQ(Control<Txt>(*window, "Txt1")->Text(), "20");
        }
    }
    bool files = false, size = false;
    EXPECT_GE(Control<Txt>(*window, "Txt1")->Text().toInt(&files), 1);
    EXPECT_GE(Control<Txt>(*window, "Txt2")->Text().toInt(&size), 1);
    EXPECT_TRUE(files && size);
}

TEST_F(WindowTest, TheIconAnimationAlternatesWindowIconAndPictureTogether) {
    const auto window = OpenWindow();
    SvgPicture* frames[] = {Control<SvgPicture>(*window, "iIcon(1)"),
                            Control<SvgPicture>(*window, "iIcon(2)")};
    const auto image = [](const QIcon& icon) { return icon.pixmap(32).toImage(); };
    // The frame shown: the window's icon, and the picture that lies on top of the other.
    const auto shown = [&](int frame) {
        const QObjectList& siblings = frames[0]->parentWidget()->children();
        const bool onTop =
            siblings.indexOf(frames[frame - 1]) > siblings.indexOf(frames[2 - frame]);
        return onTop && image(window->windowIcon()) == image(frames[frame - 1]->Icon());
    };
    window->SetIconAnimation(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(1); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(2); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(1); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(2); }));
    window->SetIconAnimation(false);  // stopping shows the first frame again
    EXPECT_TRUE(shown(1));
}

TEST_F(WindowTest, MenusPopUpBelowTheirButtonAndOfferExportOnlyWithAView) {
    const auto window = OpenWindow();
    auto* bar = Control<McToolBar>(*window, "McToolBar1");
    QMenu* menus[] = {window->FileMenu(), window->EditMenu(), window->HelpMenu()};
    const auto exportEnabled = [&] {
        return std::pair(menus[0]->actions().first()->isEnabled(),
                         menus[1]->actions().first()->isEnabled());
    };
    for (int i = 0; i < 3; ++i) {
        ClickToolBarButton(bar, i);
        ASSERT_TRUE(menus[i]->isVisible()) << i;
        EXPECT_EQ(menus[i]->pos(), bar->mapToGlobal(QPoint(bar->GetButtonLeft(i), bar->height())));
        menus[i]->close();
    }
    EXPECT_EQ(exportEnabled(), std::pair(false, false));

    window->LogPrint(QStringLiteral("Zeile"));
    for (int i = 0; i < 2; ++i) {
        ClickToolBarButton(bar, i);
        menus[i]->close();
    }
    EXPECT_EQ(exportEnabled(), std::pair(true, true));

    // Copy and Save As export the whole log text.
    window->Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "Zeile\r\n");
    TempFolder folder;
    window->setSaveFileDialog([&](QWidget*, auto chosen) { chosen(folder.file("report.txt")); });
    window->SaveAs();
    QFile saved(folder.file("report.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "Zeile\r\n\r\n");
    // A file that cannot be written is reported in a message box.
    window->setSaveFileDialog(
        [&](QWidget*, auto chosen) { chosen(folder.file("missing/report.txt")); });
    QString reported;
    WhenModalOpens(window.get(), [&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_TRUE(box);
        reported = box->text();
        box->accept();
    });
    window->SaveAs();
    EXPECT_TRUE(RunEventLoopUntil([&] { return !reported.isEmpty(); }, 5000));
    EXPECT_TRUE(reported.contains(folder.file("missing/report.txt")));

    window->LogPrint(QStringLiteral("<clear>"));
    for (int i = 0; i < 2; ++i) {
        ClickToolBarButton(bar, i);
        menus[i]->close();
    }
    EXPECT_EQ(exportEnabled(), std::pair(false, false));
}

TEST_F(WindowTest, TheKeyboardReachesTheInputsTheButtonsAndTheMenus) {
    const auto window = OpenWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const char* order[] = {"Txt1",
                           "Txt2",
                           "Cmd13",
                           "Drive1",
                           "Cmd11",
                           "Cmd12",
                           "Chk11",
                           "ChkDoEvents",
                           "chkDisableCaching",
                           "chkEnableWriteThrough"};
    Control<Txt>(*window, "Txt1")->setFocus();
    for (const char* name : order) {
        QWidget* control = Control<QWidget>(*window, name);
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(focused == control || control->isAncestorOf(focused) ||
                    focused == control->focusProxy())
            << name;
        QTest::keyClick(focused, Qt::Key_Tab);
    }

    // Return on a focused start button starts the run: here one whose inputs are refused.
    Control<Txt>(*window, "Txt1")->setText(QStringLiteral("viele"));
    auto* start = Control<Cmd1>(*window, "Cmd11");
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(Control<QLabel>(*window, "Label3")->text(),
              "Werte dürfen nicht größer als 32000 sein!");

    // F10 opens the File menu, Right moves on to the Edit menu.
    QTest::keyClick(window.get(), Qt::Key_F10);
    ASSERT_TRUE(window->FileMenu()->isVisible());
    QTest::keyClick(window->FileMenu(), Qt::Key_Right);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->EditMenu()->isVisible(); }));
    EXPECT_FALSE(window->FileMenu()->isVisible());
    window->EditMenu()->close();
}
