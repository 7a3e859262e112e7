// The command line's language option: the lookup's rules, paths as values, and which file start-up
// loads for a name.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "modCmd.h"

namespace {

QString LanguageOption(const QString& commandLine) {
    return GetCmdOption("lang=", commandLine, true, false, "deutsch.lng", " ");
}

// Makes a temporary folder the current one for the lifetime of the object.
class CurrentFolder {
  public:
    CurrentFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~CurrentFolder() { QDir::setCurrent(previous_); }
    QString path() const { return dir_.path(); }
    QString touch(const QString& name) const {
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return QFileInfo(file).absoluteFilePath();
    }

  private:
    QTemporaryDir dir_;
    QString previous_;
};

}  // namespace

TEST(GetCmdOption, LanguageValues) {
    const struct {
        const char* commandLine;
        const char* value;
    } cases[] = {
        {"lang= francais.lng", "francais.lng"},
        {"lang=francais.lng", "deutsch.lng"},  // without the blank the option is not there
        {"lang= Francais.LNG", "francais.lng"},
        {"LANG= English.lng", "english.lng"},
        {"lang= x.l", "x.l"},
        {"/lang= english.lng /other", "english.lng"},
        {"lang= a b.lng", "a b.lng"},  // no trimming: the value runs to the end
        {"lang= ", "deutsch.lng"},
        // Paths hold "/": only a blank followed by "/" ends the value.
        {"lang= /home/u/english.lng", "/home/u/english.lng"},
        {"lang= ../english.lng", "../english.lng"},
        {"lang= /home/u/a.lng /other", "/home/u/a.lng"},
        {"lang=  /other", "deutsch.lng"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageOption(c.commandLine), QString(c.value)) << c.commandLine;
    }
}

TEST(GetCmdOption, SwitchesCaseAndTheProcessLine) {
    EXPECT_EQ(GetCmdOption("/quiet", "lang= a.lng /QUIET", false, false, "x", " "), "1");
    EXPECT_EQ(GetCmdOption("/quiet", "lang= a.lng /QUIET", false, true, "x", " "), "");
    EXPECT_EQ(GetCmdOption("/loud", "lang= a.lng /quiet", false, false, "x", " "), "");
    EXPECT_EQ(GetCmdOption("Lang=", "Lang= Mixed.lng", true, true, "d", " "), "Mixed.lng");
    EXPECT_EQ(GetCmdOption("lang=", "Lang= Mixed.lng", true, true, "d", " "), "d");

    EXPECT_EQ(CommandLineText({"/usr/bin/dravelo", "lang=", "english.lng"}), "lang= english.lng");
    EXPECT_EQ(CommandLineText({"/usr/bin/dravelo"}), "");

    // An empty command line stands for the process's own.
    const QString processLine = CommandLineText(QCoreApplication::arguments());
    EXPECT_EQ(GetCmdOption("", "", false, false, "x", " "), processLine.isEmpty() ? "" : "1");
}

TEST(LanguageFileToLoad, LowerCaseThenAsTypedThenBesideTheProgram) {
    CurrentFolder folder;
    const QString francais = folder.touch("francais.lng");
    const QString mixed = folder.touch("Mixed.lng");
    auto absolute = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };

    EXPECT_EQ(absolute(LanguageFileToLoad("lang= Francais.LNG")), francais);
    EXPECT_EQ(absolute(LanguageFileToLoad("LANG= FRANCAIS.LNG /other")), francais);
    // No "mixed.lng" exists, so the name as typed is taken.
    EXPECT_EQ(absolute(LanguageFileToLoad("LANG= Mixed.lng")), mixed);
    EXPECT_EQ(LanguageFileToLoad("lang= " + mixed), mixed);
    // Neither spelling exists: the lower-cased name is tried, and loads nothing.
    EXPECT_EQ(LanguageFileToLoad("lang= Nowhere.lng"), "nowhere.lng");

    // Four characters or fewer load nothing.
    EXPECT_EQ(LanguageFileToLoad("lang= x.l"), "");
    EXPECT_EQ(LanguageFileToLoad("lang= abcd"), "");
    EXPECT_EQ(LanguageFileToLoad("lang= abcde"), "abcde");

    // The default is found beside the program, where the build puts the shipped files.
    const QString fallback = LanguageFileToLoad("lang=english.lng");
    EXPECT_EQ(fallback, QDir(QCoreApplication::applicationDirPath()).filePath("deutsch.lng"));
    EXPECT_TRUE(QFileInfo::exists(fallback));
}
