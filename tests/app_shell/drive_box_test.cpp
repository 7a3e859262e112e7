// The drive/path box on screen: completion while typing, respelling on leaving, and the browse
// entry's list rules with the folder dialog answered by the test.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "DriveBox.h"
#include "event_wait.h"

namespace {

const QString kBrowse = QStringLiteral("Browse...");

class DriveBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window_);
        box_ = new DriveBox(&window_);
        other_ = new QLineEdit(&window_);
        layout->addWidget(box_);
        layout->addWidget(other_);
        box_->setBrowseEntryText(kBrowse);
        box_->setFolderDialog([this](QWidget* owner, const QString& title) {
            owners_ << owner;
            titles_ << title;
            return answers_.isEmpty() ? QString() : answers_.takeFirst();
        });
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    void Fill(const QStringList& folders) {
        for (const QString& folder : folders) box_->AppendEntry(folder);
        box_->AppendBrowseEntry();
    }

    // Empties the box and types the keys into it, as the user does.
    void Type(const QString& keys) {
        box_->setFocus();
        ASSERT_TRUE(RunEventLoopUntil([this] { return box_->hasFocus(); }, 5000));
        box_->lineEdit()->clear();
        QTest::keyClicks(box_, keys);
    }

    void Leave() {
        other_->setFocus();
        ASSERT_TRUE(RunEventLoopUntil([this] { return other_->hasFocus(); }, 5000));
    }

    // Picks an entry from the opened list with the mouse.
    void Pick(int row) {
        box_->showPopup();
        QAbstractItemView* list = box_->view();
        ASSERT_TRUE(RunEventLoopUntil([list] { return list->isVisible(); }, 5000));
        const QRect item = list->visualRect(box_->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        ASSERT_TRUE(RunEventLoopUntil([list] { return !list->isVisible(); }, 5000));
    }

    static QStringList Folders(int first, int last) {
        QStringList folders;
        for (int k = first; k <= last; ++k) folders << QString("/f%1").arg(k);
        return folders;
    }

    QString Text() const { return box_->currentText(); }
    QString Selected() const { return box_->lineEdit()->selectedText(); }

    QWidget window_;
    DriveBox* box_ = nullptr;
    QLineEdit* other_ = nullptr;
    QStringList answers_;
    QStringList titles_;
    QList<QWidget*> owners_;
};

}  // namespace

TEST_F(DriveBoxTest, TypingCompletesFromTheList) {
    Fill({"/data/Temp/", "/data/Disk/", "/media/usb2/", "/data/[old]/"});
    const struct {
        const char* keys;
        const char* text;
        const char* selected;
    } cases[] = {
        {"/data/te", "/data/temp/", "mp/"},
        {"/data/tem", "/data/temp/", "p/"},  // typing on overwrites the completed rest
        {"/DATA/DI", "/DATA/DIsk/", "sk/"},
        {"/x", "/x", ""},                    // no entry starts so
        {"/data/Temp/", "/data/Temp/", ""},  // a full entry adds nothing
        // Wildcards in the typed part; the rest comes from the entry after the typed length.
        {"/data/?i", "/data/?isk/", "sk/"},
        {"/media/usb#", "/media/usb#/", "/"},
        {"/data/[d]", "/data/[d]k/", "k/"},
        {"/data/[", "/data/[", ""},  // an unclosed "[" matches nothing
    };
    for (const auto& c : cases) {
        Type(c.keys);
        EXPECT_EQ(Text(), QString(c.text)) << c.keys;
        EXPECT_EQ(Selected(), QString(c.selected)) << c.keys;
    }
    EXPECT_EQ(box_->count(), 5);
}

TEST_F(DriveBoxTest, BackspaceAndDeleteRemoveTheCompletion) {
    Fill({"/data/Temp/"});
    Type("/data/te");
    ASSERT_EQ(Text(), "/data/temp/");
    QTest::keyClick(box_, Qt::Key_Backspace);
    EXPECT_EQ(Text(), "/data/te");
    QTest::keyClick(box_, Qt::Key_Backspace);
    EXPECT_EQ(Text(), "/data/t");

    QTest::keyClicks(box_, "e");
    ASSERT_EQ(Text(), "/data/temp/");
    QTest::keyClick(box_, Qt::Key_Delete);
    EXPECT_EQ(Text(), "/data/te");
    QTest::keyClicks(box_, "m");
    EXPECT_EQ(Text(), "/data/temp/");
    EXPECT_EQ(Selected(), "p/");
}

TEST_F(DriveBoxTest, LeavingRespellsOnlyATextThatNamesNoFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkdir("Disk"));
    const QString listedDisk = root.path() + "/disk";
    Fill({"/nowhere/Temp/", listedDisk});

    Type("/NOWHERE/TEMP/");
    Leave();
    EXPECT_EQ(Text(), "/nowhere/Temp/");

    // "Disk" exists as typed: it is the folder meant, not the listed "disk".
    Type(root.path() + "/Disk");
    Leave();
    EXPECT_EQ(Text(), root.path() + "/Disk");

    Type(root.path() + "/DISK");
    Leave();
    EXPECT_EQ(Text(), listedDisk);

    Type("/nowhere/other");
    Leave();
    EXPECT_EQ(Text(), "/nowhere/other");

    // Leaving is no pick: the selection stays, and the browse entry's text opens no dialog.
    box_->SelectPosition(0);
    Type("browse...");
    Leave();
    EXPECT_EQ(Text(), kBrowse);
    EXPECT_EQ(box_->currentIndex(), 0);
    EXPECT_EQ(box_->PrevPathSelected(), -1);

    // Return and Tab respell the same way and leave the caret at the end; Return adds nothing.
    Type("/nowhere/temp/");
    QTest::keyClick(box_, Qt::Key_Return);
    EXPECT_EQ(Text(), "/nowhere/Temp/");
    EXPECT_EQ(box_->lineEdit()->cursorPosition(), Text().size());
    EXPECT_EQ(box_->count(), 3);
    Type("/NOWHERE/temp/");
    QTest::keyClick(box_, Qt::Key_Tab);
    EXPECT_EQ(Text(), "/nowhere/Temp/");
    EXPECT_TRUE(titles_.isEmpty());
}

TEST_F(DriveBoxTest, SelectionAndTarget) {
    EXPECT_EQ(Text(), QDir::homePath() + "/");
    Fill({"/a", "/b"});
    // Filling selects nothing: the design-time text stays until a position is selected.
    EXPECT_EQ(Text(), DriveBox::DesignTimeText());
    EXPECT_EQ(box_->PrevPathSelected(), -1);

    box_->SelectPosition(1);
    EXPECT_EQ(Text(), "/b");
    EXPECT_EQ(box_->PrevPathSelected(), 1);
    Type("  /b/c  ");
    EXPECT_EQ(box_->PrevPathSelected(), -1);
    EXPECT_EQ(box_->TargetFolder(), "/b/c/");

    box_->SelectPosition(3);
    EXPECT_EQ(box_->currentIndex(), -1);
    EXPECT_EQ(Text(), DriveBox::DesignTimeText());
    EXPECT_EQ(box_->PrevPathSelected(), -1);
    EXPECT_EQ(box_->TargetFolder(), DriveBox::DesignTimeText());
    EXPECT_EQ(box_->Entries(), QStringList({"/a", "/b", kBrowse}));
    EXPECT_EQ(box_->FolderEntries(), QStringList({"/a", "/b"}));
    EXPECT_TRUE(titles_.isEmpty());
}

TEST_F(DriveBoxTest, BrowsingKeepsAtMostTenFoldersNewestLast) {
    Fill(Folders(1, 10));
    answers_ << "/new";
    box_->SelectPosition(10);
    EXPECT_EQ(box_->Entries(), Folders(2, 10) << "/new" << kBrowse);
    EXPECT_EQ(Text(), "/new");
    EXPECT_EQ(box_->PrevPathSelected(), 9);
    EXPECT_EQ(titles_, QStringList({"Laufwerk oder Pfad wählen..."}));
    EXPECT_EQ(owners_, QList<QWidget*>({&window_}));

    // A listed folder moves to the end and nothing is dropped.
    answers_ << "/f4";
    box_->SelectPosition(10);
    EXPECT_EQ(box_->Entries(),
              QStringList({"/f2", "/f3"}) + Folders(5, 10) + QStringList({"/new", "/f4", kBrowse}));

    // Comparison is exact: a folder differing in case is a folder of its own.
    answers_ << "/F4";
    box_->SelectPosition(10);
    EXPECT_EQ(box_->FolderEntries().mid(8), QStringList({"/f4", "/F4"}));
    EXPECT_EQ(box_->count(), 11);
    EXPECT_EQ(titles_.size(), 3);
}

TEST_F(DriveBoxTest, CancelledDialogKeepsTheBrowseEntryAndPickingItAgainReopens) {
    Fill({"/a"});
    box_->SelectPosition(1);
    EXPECT_EQ(titles_.size(), 1);
    EXPECT_EQ(box_->Entries(), QStringList({"/a", kBrowse}));
    EXPECT_EQ(Text(), kBrowse);
    EXPECT_EQ(box_->PrevPathSelected(), 1);

    answers_ << "/b";
    Pick(1);
    EXPECT_EQ(titles_.size(), 2);
    EXPECT_EQ(box_->Entries(), QStringList({"/a", "/b", kBrowse}));
    EXPECT_EQ(Text(), "/b");

    // Picking a folder is just a choice; no dialog.
    Pick(0);
    EXPECT_EQ(Text(), "/a");
    EXPECT_EQ(titles_.size(), 2);
}
