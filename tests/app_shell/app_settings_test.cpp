// The stored settings: where they live, what a save writes, and what each stored text reads as.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include "AppSettings.h"

namespace {

// Tests read and write the store as another program would: the raw keys of the group.
class AppSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }

    static void Clear() {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Quarnell", "Quarnell");
        raw.clear();
    }
    static void Store(const QList<QPair<QString, QString>>& values) {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Quarnell", "Quarnell");
        raw.beginGroup("Dravelo");
        for (const auto& [key, value] : values) raw.setValue(key, value);
    }
    static QString ConfigFile() {
        return qEnvironmentVariable("XDG_CONFIG_HOME") + "/Quarnell/Quarnell.conf";
    }
};

}  // namespace

TEST_F(AppSettingsTest, EmptyStoreGivesTheDefaults) {
    const AppSettings settings;
    EXPECT_EQ(settings.NrFiles(), "20");
    EXPECT_EQ(settings.NrMBytes(), "10");
    EXPECT_EQ(settings.PrevPaths(), QStringList());
    EXPECT_EQ(settings.PrevPathSelected(), 0);
    EXPECT_EQ(settings.updateUrl(), "");
}

TEST_F(AppSettingsTest, SaveWritesTextKeysAndLeavesKeysBeyondTheList) {
    Store({{"PrevPath4", "/old"}, {"UpdateURL", "http://127.0.0.1:8080/download/Dravelo.zip.ver"}});
    {
        AppSettings settings;
        EXPECT_TRUE(settings.Save("25", "7x", {"/a", "/b, c", "/dä;t\\a"}, 2));
    }
    QFile file(ConfigFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << ConfigFile().toStdString();
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* line : {"[Dravelo]", "NrFiles=25", "NrMBytes=7x", "NrPrevPath=3",
                             "PrevPath1=/a", "PrevPathSelected=2", "PrevPath4=/old"}) {
        EXPECT_TRUE(text.contains(line)) << line << " in " << text.toStdString();
    }

    const AppSettings reread;
    EXPECT_EQ(reread.NrFiles(), "25");
    EXPECT_EQ(reread.NrMBytes(), std::nullopt);  // saved as typed, not a number
    EXPECT_EQ(reread.PrevPaths(), QStringList({"/a", "/b, c", "/dä;t\\a"}));
    EXPECT_EQ(reread.PrevPathSelected(), 2);
    EXPECT_EQ(reread.updateUrl(), "http://127.0.0.1:8080/download/Dravelo.zip.ver");
}

TEST_F(AppSettingsTest, StoredNumbersAreRoundedDownOrRejected) {
    // The number boxes get the digits of any size; a run refuses what it cannot use.
    const QString hugeDigits = QStringLiteral("1") + QString(300, u'0');
    const struct {
        const char* text;
        std::optional<qint64> value;
        std::optional<QString> digits;
    } cases[] = {
        {"12", 12, "12"},
        {"12.7", 12, "12"},
        {" 8 ", 8, "8"},
        {"-2.5", -3, "-3"},
        {"-0.5", -1, "-1"},
        {"-7", -7, "-7"},
        {"1e3", 1000, "1000"},
        {"1.25e2", 125, "125"},
        {"abc", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"12abc", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"1e300", std::nullopt, hugeDigits},
        {"99999999999999999999", std::nullopt, "99999999999999999999"},
        {"-99999999999999999999.5", std::nullopt, "-100000000000000000000"},
    };
    for (const auto& c : cases) {
        Store({{"NrFiles", c.text}, {"NrMBytes", c.text}, {"PrevPathSelected", c.text}});
        const AppSettings settings;
        EXPECT_EQ(settings.NrFiles(), c.digits) << c.text;
        EXPECT_EQ(settings.NrMBytes(), c.digits) << c.text;
        EXPECT_EQ(settings.PrevPathSelected(), c.value) << c.text;
    }
}

TEST_F(AppSettingsTest, PathCountDecidesWhichPathsAreRead) {
    Store({{"PrevPath1", "/one"},
           {"PrevPath2", ""},
           {"PrevPath3", "/three"},
           {"PrevPath4", "/four"},
           {"PrevPath05", "/padded"},
           {"PrevPath10", "/ten"}});
    const struct {
        const char* count;
        QStringList paths;
    } cases[] = {
        {"3", {"/one", "/three"}},  // the empty path is left out
        {"3.9", {"/one", "/three"}},
        {"4", {"/one", "/three", "/four"}},
        {"0", {}},
        {"-1", {}},
        {"many", {}},
        // A huge count reads the keys there are, in number order, and nothing else.
        {"1e18", {"/one", "/three", "/four", "/ten"}},
    };
    for (const auto& c : cases) {
        Store({{"NrPrevPath", c.count}});
        EXPECT_EQ(AppSettings().PrevPaths(), c.paths) << c.count;
    }
}
