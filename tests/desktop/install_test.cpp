// `cmake --install` of this build into a temporary prefix: every file where a desktop expects
// it, and the launcher, the metadata and the manual pages accepted by the platform's validators.
#include <gtest/gtest.h>

#include <QDir>
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
        "share/man/man1/dravelo.1",
        "share/man/man1/dravelo-cli.1",
        "share/bash-completion/completions/dravelo-cli",
        "share/doc/dravelo/fleet.md",
        "share/doc/dravelo/examples/dravelo-fleet.service",
        "share/doc/dravelo/examples/dravelo-fleet.timer",
    };
    for (const QString& file : files)
        EXPECT_TRUE(QFileInfo(Installed(file)).isFile()) << file.toStdString();
    EXPECT_FALSE(QDir(Installed("lib")).entryList({"libtickwell.so*"}).isEmpty());

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
        Validation{"man", "man-db", {"--warnings", "-l", "share/man/man1/dravelo.1"}},
        Validation{"man", "man-db", {"--warnings", "-l", "share/man/man1/dravelo-cli.1"}}),
    [](const auto& info) {
        const QString file = QFileInfo(info.param.arguments.last()).fileName();
        return QString(file).replace(QRegularExpression("[^A-Za-z0-9]"), "_").toStdString();
    });
