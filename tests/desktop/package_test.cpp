// The Debian package built by `cpack -G DEB` from this build, unpacked with `dpkg-deb -x` into a
// temporary root (never installed into the system), and its terminal program run from there.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "temp_folder.h"
#include "tool_run.h"

namespace {

QString Field(const QString& package, const char* field) {
    return RunTool("dpkg-deb", {"--field", package, field}).out.trimmed();
}

// The unpacked program runs in a clean setting: no registered component of the user's, the
// texts and the component found from the program's own folder.
QProcessEnvironment CleanEnvironment(const QString& configFolder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configFolder);
    environment.insert("LC_ALL", "C.UTF-8");
    return environment;
}

}  // namespace

TEST(DebianPackage, UnpacksIntoAnyRootAndRuns) {
    if (const QString missing =
            MissingTool({{"dpkg-deb", "dpkg"}, {"dpkg-shlibdeps", "dpkg-dev"}, {"file", "file"}});
        !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();

    const TempFolder work;
    const ToolRun cpack = RunTool(
        DRAVELO_CPACK,
        {"-G", "DEB", "--config", DRAVELO_BUILD_DIR "/CPackConfig.cmake", "-B", work.file("out")});
    ASSERT_EQ(cpack.exitCode, 0) << Describe(cpack);
    const QStringList packages = QDir(work.file("out")).entryList({"*.deb"}, QDir::Files);
    ASSERT_EQ(packages.size(), 1) << Describe(cpack);
    const QString package = work.file("out/" + packages.first());

    EXPECT_EQ(Field(package, "Package"), "dravelo");
    EXPECT_EQ(Field(package, "Version"), "1.0.14");
    // Computed from the programs' libraries, so Qt and the C library are among them.
    const QString depends = Field(package, "Depends");
    EXPECT_TRUE(depends.contains("libqt6core6")) << depends.toStdString();
    EXPECT_TRUE(depends.contains("libqt6widgets6")) << depends.toStdString();
    EXPECT_TRUE(depends.contains("libc6")) << depends.toStdString();

    const ToolRun unpack = RunTool("dpkg-deb", {"-x", package, work.file("root")});
    ASSERT_EQ(unpack.exitCode, 0) << Describe(unpack);
    const QString cli = work.file("root/usr/bin/dravelo-cli");
    ASSERT_TRUE(QFile::exists(work.file("root/usr/bin/dravelo")));

    // From a folder of its own, far from the build, with English texts from the package's data
    // folder.
    const TempFolder elsewhere, config, tested;
    const QProcessEnvironment environment = CleanEnvironment(config.path());
    const ToolRun version = RunTool(cli, {"--version"}, elsewhere.path(), environment);
    EXPECT_EQ(version.exitCode, 0) << Describe(version);
    EXPECT_TRUE(version.out.contains("1.0.14")) << Describe(version);

    // A packaged program has no clock seam, so its phases must be long enough for the real
    // millisecond clock on any machine: one file of 64 MB is 65536 read calls, which take
    // several milliseconds even when every block comes from the system cache.
    const ToolRun run = RunTool(cli,
                                {"--lang", "english.lng", "--no-cache-bypass", "--files", "1",
                                 "--size", "64", tested.path()},
                                elsewhere.path(), environment);
    EXPECT_EQ(run.exitCode, 0) << Describe(run);
    EXPECT_TRUE(run.out.contains("Average:")) << Describe(run);
    EXPECT_TRUE(QDir(tested.path()).entryList({"*.tst"}, QDir::Files).isEmpty());
}
