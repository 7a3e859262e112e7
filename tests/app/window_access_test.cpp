// The real window as a screen reader and a keyboard user meet it, its Qt dialogs in the session's
// language, stored numbers too large for the runs, and the log view's long lines.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLibraryInfo>
#include <QLineEdit>

#include "QtTranslation.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace {

// Every node a user can reach (shown, and not hidden away inside a control) has a role and a
// name; returns how many were seen.
int ExpectNamedAndRoled(QAccessibleInterface* node, const QString& path) {
    if (!node || node->state().invisible) return 0;
    const QString here = path + u'/' + QString::number(node->role());
    const bool reachable = node->state().focusable || node->role() == QAccessible::ProgressBar ||
                           node->role() == QAccessible::Window;
    if (reachable) {
        EXPECT_NE(node->role(), QAccessible::NoRole) << here.toStdString();
        EXPECT_FALSE(node->text(QAccessible::Name).trimmed().isEmpty())
            << here.toStdString() << " ("
            << (node->object() ? node->object()->objectName().toStdString() : "") << ")";
    }
    int seen = reachable ? 1 : 0;
    for (int i = 0; i < node->childCount(); ++i) seen += ExpectNamedAndRoled(node->child(i), here);
    return seen;
}

class WindowAccess : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { ClearStore(); }
    void TearDown() override { UseBuiltInTexts(); }
};

}  // namespace

TEST_P(WindowAccess, EveryReachableControlHasARoleAndAName) {
    auto window = OpenWindow(QStringLiteral("lang= ") + QString::fromLatin1(GetParam()));
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window.get());
    EXPECT_EQ(root->role(), QAccessible::Window);  // "frame" to AT-SPI
    // Toolbar buttons, both number boxes and their editors, the calculator, the drive box and
    // its editor, two start buttons, four check boxes, two progress bars.
    EXPECT_GE(ExpectNamedAndRoled(root, QString()), 17);
    auto* files = Control<Txt>(*window, "Txt1");
    EXPECT_EQ(files->SingleLineField()->accessibleName(),
              Control<QLabel>(*window, "Label1")->text());
}

TEST_P(WindowAccess, QtsOwnButtonsSpeakTheLanguageOfTheLanguageFile) {
    const QString file = QString::fromLatin1(GetParam());
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        GTEST_SKIP() << "Qt's German translation (qt6-translations-l10n) is not installed";
    auto window = OpenWindow(QStringLiteral("lang= ") + file);
    const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
    EXPECT_EQ(yes, file.startsWith(u"deutsch") ? QStringLiteral("&Ja") : QStringLiteral("&Yes"));
}

// Every message in the log view is drawn whole within the view: long German refusals wrap at
// word boundaries, a path wider than the view breaks inside, and the newest line stays visible.
TEST_P(WindowAccess, LogViewWrapsLongLinesAndKeepsTheNewestInSight) {
    auto window = OpenWindow(QStringLiteral("lang= ") + QString::fromLatin1(GetParam()));
    const auto* view = Control<QLabel>(*window, "Label3");
    const QFontMetrics metrics(view->font());
    const QString path = QStringLiteral("/media/") + QString(120, u'x') + u'/';
    const QList<int> messages = {7, 54, 8, 12, 13, 41, 66, 84, 85, 11, 14, 21};
    for (int number : messages) {
        const QString message =
            LangText(static_cast<int16_t>(number), false, false,
                     QStringLiteral("Built-in text ") + QString::number(number));
        window->LogPrint(message + u' ' + path);
        window->LogPrint(message);
        const QStringList lines = view->text().split(u'\n');
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), view->contentsRect().width())
                << line.toStdString();
        EXPECT_LE(lines.size() * metrics.lineSpacing(), view->contentsRect().height());
        // The newest message is the view's end, whole.
        EXPECT_TRUE(view->text().simplified().remove(u' ').endsWith(
            QString(message).simplified().remove(u' ')))
            << message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, WindowAccess,
                         ::testing::Values("deutsch.lng", "english.lng"),
                         [](const auto& info) { return std::string(info.param).substr(0, 7); });

TEST(QtTranslation, LanguageByTheStartOfTheFileName) {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm"))
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    const std::pair<const char*, const char*> cases[] = {
        {"deutsch.lng", "de"},      {"Deutsch_Schweiz.lng", "de"},
        {"german.lng", "de"},       {"francais.lng", "fr"},
        {"english.lng", ""},        {"x.lng", ""},
        {"/tmp/espanol.lng", "es"}, {"", ""}};
    for (const auto& [file, code] : cases) EXPECT_EQ(QtLanguageFor(file), code) << file;
}

// A stored number no 32-bit integer holds shows whole; the run refuses it with text 7 and the
// box's text is saved as it is.
TEST(StoredNumbers, TooLargeForTheRunsShowWholeAndAreRefused) {
    SetStored({{"NrFiles", "99999999999999999999"}, {"NrMBytes", "1e300"}});
    UseBuiltInTexts();
    auto window = OpenWindow();
    EXPECT_EQ(Control<Txt>(*window, "Txt1")->Text(), "99999999999999999999");
    EXPECT_EQ(Control<Txt>(*window, "Txt2")->Text(), QStringLiteral("1") + QString(300, u'0'));
    TempFolder folder;
    Control<DriveBox>(*window, "Drive1")->setEditText(folder.path());
    Click(Control<Cmd1>(*window, "Cmd11"));
    EXPECT_TRUE(window->Log().LogText().contains(
        LangText(7, false, false, QStringLiteral("Werte dürfen nicht größer als 32000 sein!"))))
        << window->Log().LogText().toStdString();
    EXPECT_TRUE(TestFilesIn(folder.path()).isEmpty());
    window->close();
    EXPECT_EQ(Stored("NrFiles"), "99999999999999999999");
}

// The control that had the focus when a run locked the window has it again when it unlocks.
TEST(KeyboardFocus, ComesBackAfterARun) {
    ClearStore();
    auto window = OpenWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    TempFolder folder;
    Control<Txt>(*window, "Txt1")->setText(QStringLiteral("1"));
    Control<Txt>(*window, "Txt2")->setText(QStringLiteral("1"));
    Control<DriveBox>(*window, "Drive1")->setEditText(folder.path());
    auto* start = Control<Cmd1>(*window, "Cmd11");
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_FALSE(window->RunActive());
    EXPECT_TRUE(start->hasFocus());
}
