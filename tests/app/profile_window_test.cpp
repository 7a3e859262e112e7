// The drive profile's window, opened from the File menu: a profile fills its table while the main
// window's controls stay locked, and Stop or closing either window removes the profile's file.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "RunHistory.h"
#include "event_wait.h"
#include "frmProfile.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

QStringList ProfileFiles(const QString& folder) {
    return QDir(folder).entryList({"DraveloProfile*"}, QDir::Files | QDir::Hidden);
}

// The profile window for `folder`, opened through the File menu, set to a small profile.
frmProfile* OpenFromMenu(frmMain& window, const TempFolder& folder, int seconds) {
    Control<DriveBox>(window, "Drive1")->setEditText(folder.path());
    QAction* item = window.FileMenu()->findChild<QAction*>("mnuFileProfile");
    if (!item) return nullptr;
    item->trigger();
    frmProfile* profile = window.ProfileWindow();
    if (!profile) return nullptr;
    profile->findChild<QComboBox*>("profilePreset")->setCurrentText("realworld");
    profile->findChild<QSpinBox*>("profileSize")->setValue(8);
    profile->findChild<QSpinBox*>("profileRuns")->setValue(1);
    profile->findChild<QSpinBox*>("profileSeconds")->setValue(seconds);
    return profile;
}

TEST(ProfileWindow, AProfileFromTheMenuFillsTheTableWhileTheMainWindowIsLocked) {
    TempFolder folder;
    auto window = OpenWindow();
    frmProfile* profile = OpenFromMenu(*window, folder, 1);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->Folder(), folder.path());
    Click(profile->findChild<QPushButton*>("profileStart"));
    EXPECT_TRUE(window->ProfileActive());
    EXPECT_FALSE(Control<Cmd1>(*window, "Cmd11")->isEnabled());
    EXPECT_FALSE(Control<DriveBox>(*window, "Drive1")->isEnabled());
    ASSERT_TRUE(RunEventLoopUntil([&] { return !profile->Running(); }, 60000));
    EXPECT_TRUE(Control<Cmd1>(*window, "Cmd11")->isEnabled());
    const auto* table = profile->findChild<QTableWidget*>("profileTable");
    ASSERT_EQ(table->rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 2; ++column)
            EXPECT_GT(table->item(row, column)
                          ? table->item(row, column)->data(Qt::UserRole).toDouble()
                          : 0,
                      0)
                << row << "," << column;
    Click(profile->findChild<QPushButton*>("profileCopy"));
    EXPECT_TRUE(QApplication::clipboard()->text().contains("RND4K Q1T1 MIX70"));
    EXPECT_TRUE(ProfileFiles(folder.path()).isEmpty());
    // The history keeps the profile beside the classic runs, its first test as the headline.
    RunHistory history;
    ASSERT_TRUE(history.OpenForReading()) << history.Error().toStdString();
    const std::vector<HistoryRow> rows = history.List(HistoryFilter{{}, folder.path(), 0});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].test, "profile");
    EXPECT_EQ(rows[0].outcome, "completed");
    EXPECT_GT(rows[0].readMBps.value_or(0), 0);
    EXPECT_GT(rows[0].writeMBps.value_or(0), 0);
}

TEST(ProfileWindow, StopAndClosingEitherWindowRemoveTheProfilesFile) {
    TempFolder folder;
    folder.write("keep.txt", "mine");
    auto window = OpenWindow();
    enum class End { Stop, CloseProfile, CloseMain };
    for (End end : {End::Stop, End::CloseProfile, End::CloseMain}) {
        frmProfile* profile = OpenFromMenu(*window, folder, 60);
        ASSERT_TRUE(profile);
        Click(profile->findChild<QPushButton*>("profileStart"));
        ASSERT_TRUE(
            RunEventLoopUntil([&] { return ProfileFiles(folder.path()).size() == 1; }, 30000));
        switch (end) {
            case End::Stop:
                Click(profile->findChild<QPushButton*>("profileStop"));
                ASSERT_TRUE(RunEventLoopUntil([&] { return !profile->Running(); }, 20000));
                break;
            case End::CloseProfile:
                profile->close();
                break;
            case End::CloseMain:
                window->close();
                break;
        }
        EXPECT_TRUE(ProfileFiles(folder.path()).isEmpty()) << int(end);
        EXPECT_FALSE(window->ProfileActive());
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"keep.txt"});
    }
}

}  // namespace
