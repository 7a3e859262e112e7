// The settings proposal: the rule, the question it asks, the answers, and the free space it is
// built on, measured on real folders and on tmpfs volumes of exact sizes.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <QFile>
#include <stdexcept>

#include "../lang/lang_test_files.h"
#include "Checked.h"
#include "modGetDiskSpaceFree.h"
#include "modTest.h"
#include "temp_folder.h"

namespace {

constexpr qint64 kMB = 1024 * 1024;

// Answers every question the same way and keeps the messages it was shown.
class ScriptedQuestionBox final : public QuestionBox {
  public:
    explicit ScriptedQuestionBox(bool yes) : yes_(yes) {}
    bool AskYesNo(const QString& message) override {
        messages.append(message);
        return yes_;
    }
    QStringList messages;

  private:
    bool yes_;
};

class ThrowingQuestionBox final : public QuestionBox {
  public:
    bool AskYesNo(const QString&) override { throw std::runtime_error("no display"); }
};

class SettingsProposal : public ::testing::Test {
  protected:
    void SetUp() override { LoadLanguage(QStringLiteral("/nonexistent")); }
};

struct Example {
    int32_t freeMB, files, size;
};
const Example kExamples[] = {
    {0, 0, 1},          {1, 1, 1},
    {4, 2, 2},          {5, 5, 1},
    {8, 2, 4},          {9, 9, 1},
    {10, 5, 2},         {11, 5, 2},
    {100, 12, 8},       {1000, 32, 31},
    {2000, 32, 62},     {10000, 80, 125},
    {100000, 522, 191}, {2000000, 448, 4464},
};

}  // namespace

TEST_F(SettingsProposal, RuleGivesTheKnownProposals) {
    for (const Example& e : kExamples) {
        const Proposal p = ProposeSettings(e.freeMB);
        EXPECT_EQ(p.files, e.files) << e.freeMB << " MB";
        EXPECT_EQ(p.size, e.size) << e.freeMB << " MB";
    }
    // About 32 TB: the corrections give up after the 32001st; the first still fits by then, the
    // second is shown with a total above the free space.
    EXPECT_EQ(ProposeSettings(33816255).files, 33025);
    EXPECT_EQ(ProposeSettings(33816255).size, 1023);
    EXPECT_EQ(ProposeSettings(33817093).files, 33025);
    EXPECT_EQ(ProposeSettings(33817093).size, 1024);
    // About 208 TB: on the way the 32-bit total would overflow; that is reported, not wrapped.
    EXPECT_THROW(ProposeSettings(218103217), ArithmeticFailure);
}

TEST_F(SettingsProposal, MessageWithBuiltInAndFileTexts) {
    const QString builtIn = SuggestionMessage(QStringLiteral("/data/Test/"), 1000, {32, 31});
    EXPECT_EQ(builtIn,
              QStringLiteral("Freier Speicher auf[/data/Test/]: 1000 MB\r\n\r\n"
                             "Vorschlag für die Einstellungen: 32 Dateien á 31 MB= 992 MB\r\n\r\n"
                             "Vorschlag übernehmen?"));

    // Texts from a language file get the blanks around them that the built-in texts carry.
    LanguageFiles files;
    files.Load(
        "18=MB\r\n23=files\r\n35=Free space on\r\n36=Suggested settings:\r\n37=of\r\n"
        "38=Apply the suggestion?\r\n");
    EXPECT_EQ(SuggestionMessage(QStringLiteral("/mnt/usb/"), 2000000, {448, 4464}),
              QStringLiteral("Free space on [/mnt/usb/]: 2000000 MB\r\n\r\n"
                             "Suggested settings: 448 files of 4464 MB = 1999872 MB\r\n\r\n"
                             "Apply the suggestion?"));
}

TEST_F(SettingsProposal, AnswersOnAFolderWithoutFreeSpace) {
    // A folder that does not exist has no free space: 0 files of 1 MB are proposed all the same.
    const QString missing = QStringLiteral("/nonexistent/dravelo/");
    int32_t files = 7, size = 7;
    ScriptedQuestionBox yes(true);
    SuggestSettings(yes, files, size, missing);
    EXPECT_EQ(files, 0);
    EXPECT_EQ(size, 1);
    ASSERT_EQ(yes.messages.size(), 1);
    EXPECT_TRUE(yes.messages[0].startsWith("Freier Speicher auf[/nonexistent/dravelo/]: 0 MB\r\n"));
    EXPECT_TRUE(yes.messages[0].contains("0 Dateien á 1 MB= 0 MB"));

    ScriptedQuestionBox no(false);
    SuggestSettings(no, files, size, missing);
    EXPECT_EQ(no.messages.size(), 1);
    EXPECT_EQ(files, -1);
    EXPECT_EQ(size, -1);

    files = size = 7;
    ThrowingQuestionBox broken;
    EXPECT_NO_THROW(SuggestSettings(broken, files, size, missing));
    EXPECT_EQ(files, -1);
    EXPECT_EQ(size, -1);
}

TEST_F(SettingsProposal, VolumesOfTheExampleSizes) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a tmpfs needs root";
    for (const Example& e : kExamples) {
        if (e.freeMB == 0) continue;  // a tmpfs of size 0 has no limit
        TestMount volume(e.freeMB * kMB);
        ASSERT_TRUE(volume.mounted()) << e.freeMB << " MB";
        int32_t files = 0, size = 0;
        ScriptedQuestionBox yes(true);
        SuggestSettings(yes, files, size, volume.path());
        EXPECT_EQ(files, e.files) << e.freeMB << " MB";
        EXPECT_EQ(size, e.size) << e.freeMB << " MB";
        ASSERT_EQ(yes.messages.size(), 1);
        EXPECT_TRUE(yes.messages[0].contains(QStringLiteral("]: %1 MB\r\n").arg(e.freeMB)));
    }

    // Where the total overflows, nothing is asked and nothing proposed.
    TestMount huge(qint64{218103217} * kMB);
    ASSERT_TRUE(huge.mounted());
    int32_t files = 0, size = 0;
    ScriptedQuestionBox yes(true);
    SuggestSettings(yes, files, size, huge.path());
    EXPECT_TRUE(yes.messages.isEmpty());
    EXPECT_EQ(files, -1);
    EXPECT_EQ(size, -1);
}

TEST_F(SettingsProposal, FreeSpaceOfRealFolders) {
    // Other programs write to this volume meanwhile: the answer lies between two readings.
    TempFolder folder;
    const QByteArray name = QFile::encodeName(folder.path());
    const auto available = [&] {
        struct statvfs info {};
        EXPECT_EQ(::statvfs(name.constData(), &info), 0);
        return qint64(info.f_bavail) * qint64(info.f_frsize);
    };
    const qint64 before = available();
    const qint64 bytes = FreeSpaceBytes(folder.path()).toLongLong();
    const qint64 kb = FreeSpaceKB(folder.path()).toLongLong();
    const qint64 mb = FreeSpaceMB(folder.path()).toLongLong();
    const qint64 after = available();
    EXPECT_GE(bytes, std::min(before, after));
    EXPECT_LE(bytes, std::max(before, after));
    EXPECT_GE(kb, std::min(before, after) / 1024);
    EXPECT_LE(kb, std::max(before, after) / 1024);
    EXPECT_GE(mb, std::min(before, after) / kMB);
    EXPECT_LE(mb, std::max(before, after) / kMB);
    EXPECT_GT(mb, 0);

    for (const QString& missing : {QStringLiteral("/nonexistent/dravelo/"), folder.file("gone/")}) {
        EXPECT_EQ(FreeSpaceBytes(missing), "0");
        EXPECT_EQ(FreeSpaceKB(missing), "0");
        EXPECT_EQ(FreeSpaceMB(missing), "0");
    }

    if (!TestMount::Possible()) GTEST_SKIP() << "mounting a tmpfs needs root";
    TestMount small(2 * kMB);
    ASSERT_TRUE(small.mounted());
    const int32_t freeMB = FreeSpaceMB(small.path()).toInt();
    EXPECT_TRUE(freeMB == 1 || freeMB == 2) << freeMB;
    int32_t files = 0, size = 0;
    ScriptedQuestionBox yes(true);
    SuggestSettings(yes, files, size, small.path());
    EXPECT_GE(files, 1);
    EXPECT_GE(size, 1);
    EXPECT_LE(files * size, freeMB);
}
