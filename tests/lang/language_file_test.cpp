// Loading language files and looking texts up: the file format, the three states of an entry,
// the blanks the lookup adds, the table's bounds, the encodings and where a file is found.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "lang_test_files.h"
#include "modLang.h"

namespace {

const QString kMissing = QStringLiteral("built-in");

QString Text(int16_t index) {
    return LangText(index, false, false, kMissing);
}

}  // namespace

TEST(LanguageFile, EntryStatesUnsetEmptyAndText) {
    LanguageFiles files;
    files.Load("2=Ergebnis:\r\n5=Dravelo auf:\r\n12=\r\n");

    // A text, an explicitly empty entry, and a gap between entries that stays unset.
    EXPECT_EQ(Text(2), "Ergebnis:");
    EXPECT_EQ(Text(3), kMissing);
    EXPECT_EQ(Text(4), kMissing);
    EXPECT_EQ(Text(5), "Dravelo auf:");

    // The empty entry does not fall back; only the requested blank remains.
    EXPECT_EQ(LangText(12, false, true, "Kann auf "), " ");
    EXPECT_EQ(LangText(12, false, false, "Kann auf "), "");
    EXPECT_EQ(LangText(12, true, true, ""), "  ");
}

TEST(LanguageFile, BlanksAreAddedToFileTextsOnly) {
    LanguageFiles files;
    files.Load("13=nicht zugreifen!\r\n23=Dateien\r\n");

    EXPECT_EQ(LangText(13, true, false, " nicht zugreifen!"), " nicht zugreifen!");
    EXPECT_EQ(LangText(23, true, true, " Dateien "), " Dateien ");
    EXPECT_EQ(LangText(23, false, true, " Dateien "), "Dateien ");
    EXPECT_EQ(LangText(23, false, false, " Dateien "), "Dateien");

    // Without an entry the built-in text comes back as it is, whatever the flags say.
    EXPECT_EQ(LangText(12, false, true, "Kann auf "), "Kann auf ");
    EXPECT_EQ(LangText(14, true, true, "Testende:"), "Testende:");
}

TEST(LanguageFile, MissingEntryWithoutBuiltInTextIsTranslationError) {
    LanguageFiles files;
    files.Load("27=Anzahl der Dateien:\r\n");

    EXPECT_EQ(LangText(53, false, false, ""), "Translation Error!");
    EXPECT_EQ(LangText(54, true, true, ""), "Translation Error!");
    EXPECT_EQ(LangText(-1, false, false, ""), "Translation Error!");
    EXPECT_EQ(LangText(-1, false, false, "Abbruch..."), "Abbruch...");
}

TEST(LanguageFile, LookupAboveTheHighestEntryFallsBack) {
    LanguageFiles files;
    files.Load("40=Datei\r\n");

    EXPECT_EQ(LangText(40, false, true, "Datei "), "Datei ");
    EXPECT_EQ(LangText(41, false, false, "Fehler bei der Kommunikation der Timerkomponente!"),
              "Fehler bei der Kommunikation der Timerkomponente!");
    EXPECT_EQ(LangText(65, false, false, "No language files found."), "No language files found.");
    EXPECT_EQ(LangText(32767, false, false, kMissing), kMissing);
}

TEST(LanguageFile, EntryTextIsTakenAsWrittenAfterTheFirstEquals) {
    LanguageFiles files;
    files.Load(
        "2=eins|zwei\r\n"
        "3=|a||b|\r\n"
        "4= mit Leerzeichen \r\n"
        "5=a=b=c\r\n"
        " 12 =Kann auf\r\n"
        "6==\r\n");

    EXPECT_EQ(Text(2), "eins\r\nzwei");
    EXPECT_EQ(Text(3), "\r\na\r\n\r\nb\r\n");
    EXPECT_EQ(Text(4), " mit Leerzeichen ");
    EXPECT_EQ(Text(5), "a=b=c");
    EXPECT_EQ(Text(12), "Kann auf");
    EXPECT_EQ(Text(6), "=");
}

TEST(LanguageFile, CommentsHeaderAndOtherLinesAreNoEntries) {
    LanguageFiles files;
    files.Load(
        "[Translation By: Dravelo Team]\r\n"
        "#7=kommentiert\r\n"
        "# 8=auch kommentiert\r\n"
        "\r\n"
        "just some words\r\n"
        "9=Kann Testdatei\r\n"
        "  # 10=no comment: the index is not a number\r\n");

    EXPECT_EQ(Text(7), kMissing);
    EXPECT_EQ(Text(8), kMissing);
    EXPECT_EQ(Text(9), "Kann Testdatei");
    EXPECT_EQ(Text(10), kMissing);
    EXPECT_EQ(Text(0), kMissing);
}

TEST(LanguageFile, NegativeIndexIgnoredAndLaterEntryWins) {
    LanguageFiles files;
    files.Load("3=erste\r\n-3=negativ\r\n-1=\r\n4=vier\r\n3=zweite\r\n");

    EXPECT_EQ(Text(3), "zweite");
    EXPECT_EQ(Text(4), "vier");
    EXPECT_EQ(LangText(-3, false, false, kMissing), kMissing);
    EXPECT_EQ(LangText(-1, false, false, kMissing), kMissing);
}

TEST(LanguageFile, UnreadableIndexIsSkippedWithoutTouchingOtherEntries) {
    LanguageFiles files;
    files.Load(
        "2=gut\r\n"
        "zwei=schlecht\r\n"
        "=ohne Nummer\r\n"
        "32768=zu gross\r\n"
        "-32769=zu klein\r\n"
        "99999999999=viel zu gross\r\n"
        "3 3=zwei Zahlen\r\n"
        "4=auch gut\r\n");

    EXPECT_EQ(Text(2), "gut");
    EXPECT_EQ(Text(0), kMissing);
    EXPECT_EQ(Text(3), kMissing);
    EXPECT_EQ(Text(4), "auch gut");
    EXPECT_EQ(Text(32767), kMissing);
}

TEST(LanguageFile, HighestIndexIs32766) {
    LanguageFiles files;
    files.Load("32767=zu weit\r\n2=klein\r\n32766=ganz oben\r\n");

    EXPECT_EQ(Text(32766), "ganz oben");
    EXPECT_EQ(Text(32767), kMissing);
    EXPECT_EQ(Text(2), "klein");
    EXPECT_EQ(Text(32765), kMissing);
}

TEST(LanguageFile, OnlyEntryForTheHighestIndexIsNotStored) {
    LanguageFiles files;
    files.Load("32767=zu weit\r\n");

    EXPECT_EQ(Text(32767), kMissing);
    EXPECT_EQ(Text(0), kMissing);
}

TEST(LanguageFile, LineEndingsLfCrLfAndCr) {
    LanguageFiles files;
    files.Load("2=lf\n3=crlf\r\n4=cr\r5=last line without end");

    EXPECT_EQ(Text(2), "lf");
    EXPECT_EQ(Text(3), "crlf");
    EXPECT_EQ(Text(4), "cr");
    EXPECT_EQ(Text(5), "last line without end");
}

TEST(LanguageFile, EachLoadReplacesTheTable) {
    LanguageFiles files;
    files.Load("2=erste Datei\r\n");
    ASSERT_EQ(Text(2), "erste Datei");

    LoadLanguage(files.Write("second.lng", "3=zweite Datei\r\n"));
    EXPECT_EQ(Text(2), kMissing);
    EXPECT_EQ(Text(3), "zweite Datei");

    // An empty file and a missing file leave nothing but fallbacks.
    LoadLanguage(files.Write("empty.lng", ""));
    EXPECT_EQ(Text(3), kMissing);

    files.Load("3=wieder da\r\n");
    LoadLanguage(QDir(files.Path()).filePath("does-not-exist.lng"));
    EXPECT_EQ(Text(3), kMissing);
    EXPECT_EQ(LangText(53, false, false, ""), "Translation Error!");
}

TEST(LanguageFile, UnreadableFileFallsBack) {
    LanguageFiles files;
    files.Load("2=vorher\r\n");
    // A folder cannot be read as a file.
    LoadLanguage(files.Path());
    EXPECT_EQ(Text(2), kMissing);
}

TEST(LanguageFileEncoding, ValidUtf8IsReadAsUtf8) {
    LanguageFiles files;
    files.Load("7=Werte dürfen nicht größer als 32000 sein!\r\n37=á\r\n16=€/s\r\n");

    EXPECT_EQ(Text(7), QStringLiteral(u"Werte dürfen nicht größer als 32000 sein!"));
    EXPECT_EQ(Text(37), QStringLiteral(u"á"));
    EXPECT_EQ(Text(16), QStringLiteral(u"€/s"));
}

TEST(LanguageFileEncoding, ByteOrderMarkIsNoPartOfTheFirstLine) {
    LanguageFiles files;
    files.Load(
        "\xEF\xBB\xBF"
        "2=Größe\r\n");

    EXPECT_EQ(Text(2), QStringLiteral(u"Größe"));
}

TEST(LanguageFileEncoding, OtherBytesAreReadAsWindows1252) {
    LanguageFiles files;
    // One byte that cannot be UTF-8 makes the whole file Windows-1252.
    files.Load(
        "7=Werte d\xFCrfen nicht gr\xF6\xDF"
        "er als 32000 sein!\r\n"
        "8=\xE4 \x80 \x84"
        "x\x93 \x96\r\n");

    EXPECT_EQ(Text(7), QStringLiteral(u"Werte dürfen nicht größer als 32000 sein!"));
    EXPECT_EQ(Text(8), QStringLiteral(u"ä € „x“ –"));
}

TEST(LanguageFileEncoding, DecodingByteByByte) {
    EXPECT_EQ(DecodeLanguageFile("\xE4"), QStringLiteral(u"ä"));
    EXPECT_EQ(DecodeLanguageFile("\x80"), QStringLiteral(u"€"));
    EXPECT_EQ(DecodeLanguageFile("\x9F\xFF"), QStringLiteral(u"Ÿÿ"));
    // The five bytes Windows-1252 leaves undefined stay as the characters of the same number.
    EXPECT_EQ(DecodeLanguageFile("\x81\x8D\x8F\x90\x9D"),
              QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D"));
    // A UTF-8 sequence cut short is no UTF-8.
    EXPECT_EQ(DecodeLanguageFile("a\xC3"), QStringLiteral(u"aÃ"));
    EXPECT_EQ(DecodeLanguageFile("\xC3\xA4\xE2\x82\xAC"), QStringLiteral(u"ä€"));
    EXPECT_EQ(DecodeLanguageFile(""), QString());
}

class FindLanguageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(files_.Path()));
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    static QString Absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

    LanguageFiles files_;
    QString previous_;
};

TEST_F(FindLanguageFileTest, CurrentFolderComesFirst) {
    // The build puts deutsch.lng beside the program as well; the current folder wins.
    ASSERT_TRUE(
        QFileInfo::exists(QDir(QCoreApplication::applicationDirPath()).filePath("deutsch.lng")));
    files_.Write("deutsch.lng", "2=hier\r\n");

    const QString found = FindLanguageFile("deutsch.lng");
    EXPECT_EQ(Absolute(found), QDir(files_.Path()).filePath("deutsch.lng"));
    LoadLanguage(found);
    EXPECT_EQ(LangText(2, false, false, ""), "hier");
}

TEST_F(FindLanguageFileTest, ThenBesideTheProgram) {
    const QString found = FindLanguageFile("deutsch.lng");
    EXPECT_EQ(Absolute(found),
              QDir(QCoreApplication::applicationDirPath()).filePath("deutsch.lng"));
    LoadLanguage(found);
    EXPECT_NE(LangText(53, false, false, ""), "Translation Error!");
}

TEST_F(FindLanguageFileTest, UnknownNameAndPathsWithAFolderStayAsGiven) {
    EXPECT_EQ(FindLanguageFile("klingon.lng"), "klingon.lng");

    // A name with a folder is not looked for elsewhere, even when the folder lacks it.
    EXPECT_EQ(FindLanguageFile("sub/deutsch.lng"), "sub/deutsch.lng");
    const QString absent = QDir(files_.Path()).filePath("deutsch.lng");
    EXPECT_EQ(FindLanguageFile(absent), absent);
}
