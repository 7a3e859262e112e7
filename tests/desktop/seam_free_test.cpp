// The tests' seams (the stepping clock of dravelo-cli, the file layer's fault seam) live only in
// test-only targets: no program that the build installs carries one, neither in the build's bin/
// nor in an installed tree, whatever the build's options.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include "tool_run.h"

namespace {

struct Seams {
    bool clockVariable = false;  // the stepping clock's environment variable
    bool faultSymbols = false;   // a function or variable of namespace faults
};

Seams SeamsIn(const QString& file) {
    Seams seams;
    const ToolRun text = RunTool(QStringLiteral("strings"), {"-a", file});
    EXPECT_EQ(text.exitCode, 0) << file.toStdString() << Describe(text);
    seams.clockVariable = text.out.contains(u"DRAVELO_CLI_CLOCK_STEP_MS");
    const ToolRun symbols = RunTool(QStringLiteral("nm"), {"-C", "--defined-only", file});
    EXPECT_EQ(symbols.exitCode, 0) << file.toStdString() << Describe(symbols);
    seams.faultSymbols = symbols.out.contains(u"faults::");
    return seams;
}

bool IsProgramFile(const QString& path) {
    QFile file(path);
    return !QFileInfo(path).isSymLink() && file.open(QIODevice::ReadOnly) &&
           file.read(4) == QByteArrayLiteral("\177ELF");
}

class SeamFree : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString missing = MissingTool({{"strings", "binutils"}, {"nm", "binutils"}});
        if (!missing.isEmpty()) GTEST_SKIP() << missing.toStdString();
    }
};

}  // namespace

// Without this the checks below could pass because they look for the wrong thing.
TEST_F(SeamFree, TheChecksFindTheSeamsInTheTestOnlyTargets) {
    EXPECT_TRUE(SeamsIn(QStringLiteral(DRAVELO_CLOCKED_CLI)).clockVariable);
    EXPECT_TRUE(SeamsIn(QStringLiteral(DRAVELO_FAULT_TWIN)).faultSymbols);
}

TEST_F(SeamFree, NoInstalledProgramCarriesASeamInTheBuildOrTheInstalledTree) {
    QTemporaryDir prefix;
    const ToolRun install = RunTool(QStringLiteral(DRAVELO_CMAKE),
                                    {"--install", DRAVELO_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(install.exitCode, 0) << Describe(install);

    QStringList programs;
    QDirIterator installed(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (installed.hasNext()) {
        const QString file = installed.next();
        if (!IsProgramFile(file)) continue;
        programs << file;
        const QString built =
            QStringLiteral(DRAVELO_BUILD_DIR "/bin/") + QFileInfo(file).fileName();
        if (QFileInfo::exists(built)) programs << built;
    }
    // dravelo, dravelo-cli and Tickwell at least, each installed and built.
    ASSERT_GE(programs.size(), 6) << programs.join(u'\n').toStdString();
    for (const QString& program : programs) {
        const Seams seams = SeamsIn(program);
        EXPECT_FALSE(seams.clockVariable) << program.toStdString();
        EXPECT_FALSE(seams.faultSymbols) << program.toStdString();
    }
}
