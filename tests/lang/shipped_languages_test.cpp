// The language files that ship with the program, as the build puts them beside it: every text the
// program reads is there, the files are UTF-8 with CR LF, and the German file gives back the
// program's German built-in texts exactly once the lookup has added its blanks.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <map>
#include <set>
#include <vector>

#include "modLang.h"

namespace {

const QString kMissing = QStringLiteral("<no entry>");

// Every index the program looks up.
std::vector<int16_t> IndexesInUse() {
    std::vector<int16_t> indexes;
    auto range = [&](int first, int last) {
        for (int i = first; i <= last; ++i) indexes.push_back(static_cast<int16_t>(i));
    };
    range(2, 32);
    range(35, 41);
    range(43, 48);
    range(50, 50);
    range(52, 86);
    range(87, 119);  // the drive profile
    range(120, 141);
    return indexes;
}

QString ShippedPath(const QString& name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

QByteArray ShippedBytes(const QString& name) {
    QFile file(ShippedPath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return file.readAll();
}

// The raw entries of a file: index → text as written after "=".
std::map<int, QString> RawEntries(const QString& name) {
    std::map<int, QString> entries;
    const QString text = QString::fromUtf8(ShippedBytes(name));
    static const QRegularExpression entry(QStringLiteral("^(\\d+)=(.*)$"));
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const auto match = entry.match(line);
        if (match.hasMatch()) entries[match.captured(1).toInt()] = match.captured(2);
    }
    return entries;
}

struct BuiltIn {
    int16_t index;
    bool leadingSpace;
    bool trailingSpace;
    const char16_t* text;
};

// Each German message and log line with the flags of its lookup. Some texts are looked up with
// different flags in different places; every place must come out right.
const BuiltIn kGermanBuiltIns[] = {
    {2, false, false, u"Ergebnis:"},
    {3, false, true, u"Schreibzeit: "},
    {4, false, true, u"Lesezeit: "},
    {5, false, true, u"Dravelo auf: "},
    {7, false, false, u"Werte dürfen nicht größer als 32000 sein!"},
    {9, false, true, u"Kann Testdatei "},
    {10, false, false, u".tst nicht löschen!"},
    {11, false, false, u"Abbruch..."},
    {12, false, true, u"Kann auf "},
    {13, true, false, u" nicht zugreifen!"},
    {14, false, true, u"Testende: "},
    {15, false, true, u"Durchschnitt: "},
    {16, true, false, u" MB/s"},
    {17, true, false, u" Sek."},
    {18, true, false, u" MB"},
    {18, false, false, u"MB"},
    {19, false, true, u"Lese "},
    {20, false, false, u"Schreibe... "},
    {21, false, true, u"Teststart: "},
    {22, false, true, u"Erstelle "},
    {23, true, true, u" Dateien "},
    {23, true, false, u" Dateien"},
    {24, false, true, u"Zeit: "},
    {25, true, false, u" Sekunden"},
    {26, false, true, u"Lese Datei "},
    {36, false, true, u"Vorschlag für die Einstellungen: "},
    {37, true, true, u" á "},
    {38, false, false, u"Vorschlag übernehmen?"},
    {40, false, true, u"Datei "},
    {41, false, false, u"Fehler bei der Kommunikation der Timerkomponente!"},
    {52, false, false, u"Laufwerk oder Pfad wählen..."},
    {67, false, false,
     u"Die Testphase war zu kurz für die Millisekundenuhr! Bitte mehr oder größere Dateien "
     u"verwenden."},
    {68, false, false, u"das Gerät hat nur einen Teil des Blocks angenommen"},
    {69, false, false,
     u"Dieser Ordner erlaubt keine direkte Übertragung von 1024-Byte-Blöcken am System-Cache "
     u"vorbei (%1)! Abhilfe: „%2“ abwählen (Kommandozeile: --no-cache-bypass)."},
    {86, false, false, u"Ein anderer Test benutzt diesen Ordner gerade!"},
};

// Texts whose built-in wording lacks the blank that the lookup's flag adds to a file's text: the
// file holds the same words, and the flag's blank is wanted.
const BuiltIn kGermanWordsOnly[] = {
    {8, false, false, u"Kann Testdateien nicht löschen!"},
    {35, false, false, u"Freier Speicher auf"},
};

class ShippedLanguage : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(ShippedLanguage, HoldsEveryTextTheProgramReads) {
    LoadLanguage(ShippedPath(GetParam()));
    for (const int16_t index : IndexesInUse()) {
        const QString text = LangText(index, false, false, kMissing);
        EXPECT_NE(text, kMissing) << "no entry " << index;
        EXPECT_FALSE(text.trimmed().isEmpty()) << "empty entry " << index;
    }
}

TEST_P(ShippedLanguage, IsUtf8WithCrLfAndATranslatorHeader) {
    const QByteArray bytes = ShippedBytes(GetParam());
    ASSERT_FALSE(bytes.isEmpty());

    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(DecodeLanguageFile(bytes), text);

    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    EXPECT_EQ(bytes.count("\r"), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Translation By: Dravelo Team]\r\n")));
    EXPECT_FALSE(text.contains(u'\t'));
}

TEST_P(ShippedLanguage, BlanksAtTheEdgesOnlyWhereTheLookupAddsNone) {
    // The lookup adds the blanks its callers ask for, so a text starts with none; it ends with one
    // only where the text is joined to what follows without a flag: 20 is shown as it is, 43 and
    // 44 run straight into a version number.
    const std::set<int> trailingBlank = {20, 43, 44};
    for (const auto& [index, text] : RawEntries(GetParam())) {
        EXPECT_FALSE(text.startsWith(u' ')) << "entry " << index;
        EXPECT_EQ(text.endsWith(u' '), trailingBlank.count(index) == 1) << "entry " << index;
        EXPECT_FALSE(text.endsWith(QStringLiteral("  "))) << "entry " << index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShippedLanguage, ::testing::Values("deutsch.lng", "english.lng"), [](const auto& info) {
        return std::string(info.param).substr(0, std::string(info.param).find('.'));
    });

TEST(ShippedLanguages, BothFilesHoldTheSameEntries) {
    const auto german = RawEntries("deutsch.lng");
    const auto english = RawEntries("english.lng");
    std::set<int> germanIndexes, englishIndexes;
    for (const auto& entry : german) germanIndexes.insert(entry.first);
    for (const auto& entry : english) englishIndexes.insert(entry.first);
    EXPECT_EQ(germanIndexes, englishIndexes);
    // Each index once: a second entry would silently replace the first.
    const QString germanText = QString::fromUtf8(ShippedBytes("deutsch.lng"));
    const QString englishText = QString::fromUtf8(ShippedBytes("english.lng"));
    for (const int index : germanIndexes) {
        const QRegularExpression line(QStringLiteral("(^|\\n)%1=").arg(index));
        EXPECT_EQ(germanText.count(line), 1) << "deutsch.lng entry " << index;
        EXPECT_EQ(englishText.count(line), 1) << "english.lng entry " << index;
    }
}

TEST(ShippedLanguages, GermanFileReproducesTheBuiltInTexts) {
    LoadLanguage(ShippedPath("deutsch.lng"));
    for (const BuiltIn& builtIn : kGermanBuiltIns) {
        const QString expected = QString::fromUtf16(builtIn.text);
        EXPECT_EQ(LangText(builtIn.index, builtIn.leadingSpace, builtIn.trailingSpace, kMissing),
                  expected)
            << "text " << builtIn.index;
    }
    for (const BuiltIn& builtIn : kGermanWordsOnly) {
        EXPECT_EQ(LangText(builtIn.index, false, false, kMissing), QString::fromUtf16(builtIn.text))
            << "text " << builtIn.index;
    }
}

TEST(ShippedLanguages, EnglishFileTranslatesTheMessages) {
    LoadLanguage(ShippedPath("english.lng"));
    for (const BuiltIn& builtIn : kGermanBuiltIns) {
        // 16 and 18 are units, the same in both languages.
        if (builtIn.index == 16 || builtIn.index == 18) continue;
        EXPECT_NE(LangText(builtIn.index, builtIn.leadingSpace, builtIn.trailingSpace, kMissing),
                  QString::fromUtf16(builtIn.text))
            << "text " << builtIn.index;
    }
}
