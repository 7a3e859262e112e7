// The window's texts: Translate from a language file or the built-in captions, and the About
// dialog with and without a language file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTimer>

#include "frmAbout.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

const QString kMissingLanguageHint = QStringLiteral(
    "No language files found. Please ensure that the *.lng files exist in the folder where this "
    "program is running from!");

QString ButtonCaption(McToolBar* bar, int index) {
    bar->setButton_Index(index);
    const QString caption = bar->ButtonCaption();
    bar->setButton_Index(-1);
    return caption;
}

QString WriteLanguageFile(const TempFolder& folder, const QByteArray& lines) {
    folder.write(QStringLiteral("only.lng"), lines);
    return folder.file(QStringLiteral("only.lng"));
}

// Opens About through the Help menu and hands the open dialog to `inspect` before pressing OK.
void WithAboutOpen(frmMain& window, const std::function<void(frmAbout&)>& inspect) {
    bool seen = false;
    WhenModalOpens(&window, [&](QWidget* modal) {
        auto* dialog = qobject_cast<frmAbout*>(modal);
        ASSERT_TRUE(dialog);
        seen = true;
        inspect(*dialog);
        Click(dialog->findChild<QWidget*>(QStringLiteral("cmdOK")));
    });
    window.HelpMenu()->actions().last()->trigger();
    EXPECT_TRUE(RunEventLoopUntil([&] { return seen; }, 5000))
        << "About did not open as a modal dialog";
    RunEventLoopUntil([] { return QApplication::activeModalWidget() == nullptr; }, 5000);
}

}  // namespace

TEST(TranslateTest, AFileWithOnlyEntry27ChangesOnlyLabel1) {
    TempFolder folder;
    UseBuiltInTexts();
    const QString file = WriteLanguageFile(folder, "27=Zahl der Testdateien:\r\n");
    const auto window = OpenWindow(QStringLiteral("lang= ") + file);

    EXPECT_EQ(Control<QLabel>(*window, "Label1")->text(), "Zahl der Testdateien:");
    EXPECT_EQ(Control<QLabel>(*window, "Label2")->text(), "Size of files (MB):");
    EXPECT_EQ(Control<Chk1>(*window, "Chk11")->Caption(), "Write logfile to test device");
    EXPECT_EQ(Control<Chk1>(*window, "ChkDoEvents")->Caption(), "Increase test priority");
    EXPECT_EQ(Control<Cmd1>(*window, "Cmd11")->Caption(), "Start Single");
    EXPECT_EQ(Control<Cmd1>(*window, "Cmd12")->Caption(), "Start Multiple");
    EXPECT_EQ(Control<Cmd1>(*window, "Cmd13")->ToolTipText(), "Automatically find proper values");
    EXPECT_EQ(Control<Chk1>(*window, "chkDisableCaching")->Caption(), "Disable system cache");
    EXPECT_EQ(Control<Chk1>(*window, "chkEnableWriteThrough")->Caption(), "Enable write through");
    QStringList menuTexts;
    for (QMenu* menu : {window->FileMenu(), window->EditMenu(), window->HelpMenu()})
        for (const QAction* action : menu->actions())
            if (!action->isSeparator()) menuTexts << action->text();
    EXPECT_EQ(menuTexts, QStringList({"Save As...", "Chart…", "Drive profile…", "History…", "Exit",
                                      "Copy", "Check for update", "About..."}));
    auto* bar = Control<McToolBar>(*window, "McToolBar1");
    EXPECT_EQ(bar->Button_Index(), -1);
    EXPECT_EQ(ButtonCaption(bar, 0), "File");
    EXPECT_EQ(ButtonCaption(bar, 1), "Edit");
    EXPECT_EQ(ButtonCaption(bar, 2), "Help");
    // Text 53 has no built-in text.
    EXPECT_EQ(Control<DriveBox>(*window, "Drive1")->Entries().last(), "Translation Error!");
}

TEST(TranslateTest, TheShippedGermanFileNamesTheStartButtonsTheOtherWayRound) {
    const auto window = OpenWindow(QStringLiteral("lang= deutsch.lng"));
    EXPECT_EQ(Control<Cmd1>(*window, "Cmd11")->Caption(), LangText(32, false, false, {}));
    EXPECT_EQ(Control<Cmd1>(*window, "Cmd12")->Caption(), LangText(31, false, false, {}));
    EXPECT_EQ(Control<Cmd1>(*window, "Cmd11")->Caption(), "Einzeltest");
}

TEST(AboutTest, ShowsItsTextsWithAndWithoutALanguageFile) {
    struct Case {
        QByteArray file;  // empty: no language file
        QString caption;
        QString description;
    };
    const Case cases[] = {
        {"", "About...", kMissingLanguageHint},
        {"61=Info\r\n", "Info", kMissingLanguageHint},
        {"61=Info\r\n65=Misst Laufwerke.\r\n", "Info", "Misst Laufwerke."},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        UseBuiltInTexts();
        const auto window = OpenWindow(c.file.isEmpty() ? QStringLiteral("lang= x.l")
                                                        : QStringLiteral("lang= ") +
                                                              WriteLanguageFile(folder, c.file));
        WithAboutOpen(*window, [&](frmAbout& about) {
            EXPECT_EQ(about.windowTitle(), c.caption);
            EXPECT_EQ(about.DescriptionText(), c.description);
            EXPECT_EQ(about.VersionText(), "v. 1.0.14");
            EXPECT_EQ(about.parentWidget(), window.get());
            EXPECT_TRUE(about.isModal());
        });
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}
