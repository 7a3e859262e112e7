// `cmake --install` of this build into a temporary prefix: every file where a desktop expects
// it, and the launcher, the metadata and the manual pages accepted by the platform's validators.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "tool_run.h"

namespace {

const QString kAppId = QStringLiteral("com.quarnell.Dravelo");

class InstalledTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        prefix_ = std::make_unique<QTemporaryDir>();
        install_ = RunTool(QStringLiteral(DRAVELO_CMAKE),
                           {"--install", DRAVELO_BUILD_DIR, "--prefix", prefix_->path()});
    }
    static void TearDownTestSuite() { prefix_.reset(); }

    void SetUp() override { ASSERT_EQ(install_.exitCode, 0) << Describe(install_); }

    static QString Installed(const QString& relative) { return prefix_->filePath(relative); }

    static inline std::unique_ptr<QTemporaryDir> prefix_;
    static inline ToolRun install_;
};

}  // namespace

TEST_F(InstalledTree, HoldsEveryFileInItsPlace) {
    const QStringList files = {
        "bin/dravelo",
        "bin/dravelo-cli",
        "share/dravelo/deutsch.lng",
        "share/dravelo/english.lng",
        "share/applications/" + kAppId + ".desktop",
        "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
        "share/metainfo/" + kAppId + ".metainfo.xml",
        "share/man/man1/dravelo.1.gz",
        "share/man/man1/dravelo-cli.1.gz",
        "share/doc/dravelo/copyright",
        "share/doc/dravelo/changelog.Debian.gz",
        "share/bash-completion/completions/dravelo-cli",
        "share/doc/dravelo/fleet.md",
        "share/doc/dravelo/cli.md",
        "share/doc/dravelo/examples/dravelo-fleet.service",
        "share/doc/dravelo/examples/dravelo-fleet.timer",
    };
    for (const QString& file : files)
        EXPECT_TRUE(QFileInfo(Installed(file)).isFile()) << file.toStdString();
    EXPECT_FALSE(QDir(Installed(DRAVELO_INSTALL_LIBDIR)).entryList({"libtickwell.so*"}).isEmpty());

    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString file =
            QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId);
        const QImage icon(Installed(file));
        EXPECT_EQ(icon.size(), QSize(size, size)) << file.toStdString();
        int opaque = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) opaque += qAlpha(icon.pixel(x, y)) == 255;
        EXPECT_GT(opaque, size * size / 3) << file.toStdString();
    }
}

struct Validation {
    const char* tool;
    const char* package;
    QStringList arguments;  // the installed file last
};

void PrintTo(const Validation& validation, std::ostream* out) {
    *out << validation.tool << ' ' << validation.arguments.last().toStdString();
}

class Validators : public InstalledTree, public ::testing::WithParamInterface<Validation> {};

TEST_P(Validators, AcceptTheInstalledFileWithoutAWord) {
    const Validation& validation = GetParam();
    if (const QString missing = MissingTool({{validation.tool, validation.package}});
        !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    QStringList arguments = validation.arguments;
    arguments.last() = Installed(arguments.last());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    environment.insert("MANWIDTH", "80");
    const ToolRun run = RunTool(validation.tool, arguments, QString(), environment);
    EXPECT_EQ(run.exitCode, 0) << Describe(run);
    EXPECT_TRUE(run.err.isEmpty()) << Describe(run);
    // man prints the page itself; the validators print nothing, or only their success line.
    if (QString(validation.tool) != u"man") {
        const QRegularExpression complaint("(^|\\n)\\s*[EW]:|error|warning",
                                           QRegularExpression::CaseInsensitiveOption);
        EXPECT_FALSE(run.out.contains(complaint)) << Describe(run);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Desktop, Validators,
    ::testing::Values(
        Validation{"desktop-file-validate",
                   "desktop-file-utils",
                   {"share/applications/" + kAppId + ".desktop"}},
        Validation{"appstreamcli",
                   "appstream",
                   {"validate", "--no-net", "share/metainfo/" + kAppId + ".metainfo.xml"}},
        Validation{"man", "man-db", {"--warnings", "-l", "share/man/man1/dravelo.1.gz"}},
        Validation{"man", "man-db", {"--warnings", "-l", "share/man/man1/dravelo-cli.1.gz"}}),
    [](const auto& info) {
        const QString file = QFileInfo(info.param.arguments.last()).fileName();
        return QString(file).replace(QRegularExpression("[^A-Za-z0-9]"), "_").toStdString();
    });

namespace {

// The manual page's source as plain words: "\-" is a minus, font changes are dropped.
QString ManualPageWords(const QString& compressed) {
    QString text = RunTool("gzip", {"-dc", compressed}).out;
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    text.remove(QRegularExpression(QStringLiteral("\\f[BIRP]")));
    return text;
}

}  // namespace

// Every option, exit status, signal and environment variable that --help names is in the
// manual page, and so is the update check's time limit.
TEST_F(InstalledTree, ManualPageNamesEverythingTheHelpNames) {
    const ToolRun help = RunTool(Installed("bin/dravelo-cli"), {"--help"});
    ASSERT_EQ(help.exitCode, 0) << Describe(help);
    const QString page = ManualPageWords(Installed("share/man/man1/dravelo-cli.1.gz"));
    const auto found = [&help](const char* pattern) {
        QStringList words;
        for (auto match = QRegularExpression(pattern).globalMatch(help.out); match.hasNext();)
            words << match.next().captured(0);
        words.removeDuplicates();
        return words;
    };
    const QStringList statuses = found("(?<=\\n  )[0-3](?= )");
    EXPECT_EQ(statuses, (QStringList{"0", "1", "2", "3"}));
    for (const QString& status : statuses)
        EXPECT_TRUE(page.contains(".B " + status + "\n")) << "exit status " << status.toStdString();
    const QStringList words = found(
        "(?<=[\\s\\[|])--?[a-zA-Z][a-z-]*|\\b1[2-4][0-9]\\b|\\bSIG[A-Z]+|\\bDRAVELO_[A-Z_]+|"
        "\\bUpdateURL\\b|\\b30 s\\b");
    EXPECT_GT(words.size(), 25) << words.join(' ').toStdString();
    for (const QString& word : words)
        EXPECT_TRUE(page.contains(word)) << word.toStdString() << " is missing from the page";
}

// Completion in an interactive bash with bash-completion loaded: a folder with blanks in its
// name is one candidate, never one per word.
TEST_F(InstalledTree, BashCompletesFoldersWithBlanksWhole) {
    const QString loader = QStringLiteral("/usr/share/bash-completion/bash_completion");
    if (!QFile::exists(loader)) GTEST_SKIP() << "bash-completion is not installed";
    QTemporaryDir folders;
    for (const char* name : {"my folder", "my  other one"})
        QDir(folders.path()).mkpath(QString::fromUtf8(name));
    QFile chart(folders.filePath("my chart.png"));
    ASSERT_TRUE(chart.open(QIODevice::WriteOnly));
    chart.close();
    const QString script = QStringLiteral(
        "source %1; source %2; COMP_WORDS=(dravelo-cli %3 my); COMP_CWORD=%4; "
        "_dravelo_cli; printf '<%s>\\n' \"${COMPREPLY[@]}\"");
    const QString completion = Installed("share/bash-completion/completions/dravelo-cli");
    const QStringList folderNames = {"<my  other one>", "<my folder>"};
    const struct {
        QString before;
        int word;
        QStringList candidates;
    } rows[] = {{"", 1, folderNames},
                {"--chart", 2, {"<my  other one>", "<my chart.png>", "<my folder>"}}};
    for (const auto& row : rows) {
        const ToolRun bash = RunTool(
            "bash",
            {"--norc", "-i", "-c", script.arg(loader, completion, row.before).arg(row.word)},
            folders.path());
        QStringList lines = bash.out.split('\n', Qt::SkipEmptyParts);
        lines.sort();
        EXPECT_EQ(lines, row.candidates) << Describe(bash);
    }
}
