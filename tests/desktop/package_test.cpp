// The Debian packages built by `cpack -G DEB` from this build: accepted by lintian, unpacked
// into a temporary root and run from there, and installed into this system (as root) over the
// single package of earlier versions, run from PATH, removed and purged without a trace.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>

#include "temp_folder.h"
#include "tool_run.h"

namespace {

const QString kVersion = QStringLiteral("1.0.14-1");
const QStringList kPackages = {"dravelo", "libtickwell1", "libtickwell-dev"};

// lintian's warnings that these packages accept, and why.
const std::map<QString, const char*> kAcceptedWarnings = {
    // The packages are built by CPack, not uploaded to Debian: there is no bug that asked for
    // them, for the first changelog entry to close.
    {"initial-upload-closes-no-bugs", "no Debian upload"},
};

QString Field(const QString& package, const char* field) {
    return RunTool("dpkg-deb", {"--field", package, field}).out.trimmed();
}

// The program runs in a clean setting: no registered component of the user's, English texts.
QProcessEnvironment CleanEnvironment(const QString& configFolder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", configFolder);
    environment.insert("LC_ALL", "C.UTF-8");
    return environment;
}

// The .deb files of one `cpack -G DEB` run, by package name.
class DebianPackages : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        work_ = new TempFolder;
        cpack_ =
            RunTool(DRAVELO_CPACK, {"-G", "DEB", "--config", DRAVELO_BUILD_DIR "/CPackConfig.cmake",
                                    "-B", work_->file("out")});
        for (const QString& file : QDir(work_->file("out")).entryList({"*.deb"}, QDir::Files))
            files_[file.section('_', 0, 0)] = work_->file("out/" + file);
    }
    static void TearDownTestSuite() { delete work_; }

    void SetUp() override {
        if (const QString missing = MissingTool(
                {{"dpkg-deb", "dpkg"}, {"dpkg-shlibdeps", "dpkg-dev"}, {"file", "file"}});
            !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        ASSERT_EQ(cpack_.exitCode, 0) << Describe(cpack_);
        ASSERT_EQ(files_.size(), 3u) << Describe(cpack_);
        for (const QString& package : kPackages)
            ASSERT_TRUE(files_.count(package)) << Describe(cpack_);
    }

    static QString Deb(const QString& package) { return files_.at(package); }

    static inline TempFolder* work_ = nullptr;
    static inline ToolRun cpack_;
    static inline std::map<QString, QString> files_;
};

// Purges the packages when a test ends, however it ends.
struct PurgeAtEnd {
    ~PurgeAtEnd() { RunTool("dpkg", QStringList{"--purge"} + kPackages); }
};

// A stand-in for the single package of earlier versions: version 1.0.14 without a Debian
// revision, owning the library and the header that libtickwell1 and libtickwell-dev take over.
QString OldSinglePackage(const TempFolder& work) {
    const QString root = work.file("old");
    QDir().mkpath(root + "/DEBIAN");
    for (const QString& file : {QStringLiteral("/usr/" DRAVELO_INSTALL_LIBDIR "/libtickwell.so.1"),
                                QStringLiteral("/usr/include/tickwell/tickwell.h")}) {
        QDir().mkpath(QFileInfo(root + file).absolutePath());
        QFile owned(root + file);
        owned.open(QIODevice::WriteOnly);
        owned.write("taken over by the split packages\n");
    }
    QFile control(root + "/DEBIAN/control");
    control.open(QIODevice::WriteOnly);
    control.write(
        "Package: dravelo\nVersion: 1.0.14\nArchitecture: all\nMaintainer: Dravelo Team "
        "<dravelo@quarnell.org>\nDescription: the single package of earlier versions\n");
    control.close();
    const QString deb = work.file("dravelo_1.0.14_all.deb");
    const ToolRun build = RunTool("dpkg-deb", {"--root-owner-group", "--build", root, deb});
    return build.exitCode == 0 ? deb : QString();
}

QString Status(const QString& package) {
    return RunTool("dpkg-query", {"-W", "-f", "${db:Status-Abbrev}", package}).out.trimmed();
}

}  // namespace

TEST_F(DebianPackages, NameTheirVersionDependenciesAndLibrary) {
    for (const QString& package : kPackages) {
        EXPECT_EQ(Field(Deb(package), "Package"), package);
        EXPECT_EQ(Field(Deb(package), "Version"), kVersion);
    }
    // Computed from the programs' libraries, plus what the programs load at run time.
    const QString depends = Field(Deb("dravelo"), "Depends");
    for (const char* needed :
         {"libqt6widgets6", "libc6", "libtickwell1 (= 1.0.14-1)", "qt6-translations-l10n"})
        EXPECT_TRUE(depends.contains(needed)) << needed << " in " << depends.toStdString();
    EXPECT_EQ(Field(Deb("dravelo"), "Recommends"), "xdg-utils");
    EXPECT_TRUE(Field(Deb("libtickwell1"), "Depends").contains("libqt6core6"));
    for (const char* package : {"libtickwell1", "libtickwell-dev"}) {
        EXPECT_EQ(Field(Deb(package), "Breaks"), "dravelo (<< 1.0.14-1)") << package;
        EXPECT_EQ(Field(Deb(package), "Replaces"), "dravelo (<< 1.0.14-1)") << package;
    }
    EXPECT_EQ(RunTool("dpkg-deb", {"--info", Deb("libtickwell1"), "shlibs"}).out.trimmed(),
              "libtickwell 1 libtickwell1 (>= 1.0.14-1)");
    EXPECT_EQ(RunTool("dpkg-deb", {"--info", Deb("libtickwell1"), "triggers"}).out.trimmed(),
              "activate-noawait ldconfig");
}

TEST_F(DebianPackages, LintianFindsNoErrorAndNoWarning) {
    if (const QString missing = MissingTool({{"lintian", "lintian"}}); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    // The registration tool's manual page comes with Tickwell's sources; until it is there,
    // lintian rightly misses it.
    const bool regsvrPage = QFile::exists(DRAVELO_SOURCE_DIR "/packaging/tickwell-regsvr.1");
    for (const QString& package : kPackages) {
        const ToolRun lint = RunTool("lintian", {"--no-tag-display-limit", Deb(package)});
        static const QRegularExpression tagLine("^([EW]): [^:]+: ([a-z0-9-]+)",
                                                QRegularExpression::MultilineOption);
        QStringList faults;
        for (auto match = tagLine.globalMatch(lint.out); match.hasNext();) {
            const auto found = match.next();
            const QString tag = found.captured(2);
            const bool accepted =
                found.captured(1) == u"W" &&
                (kAcceptedWarnings.count(tag) || (!regsvrPage && tag == u"no-manual-page"));
            if (!accepted) faults << found.captured(0);
        }
        EXPECT_TRUE(faults.isEmpty()) << package.toStdString() << ":\n" << lint.out.toStdString();
        EXPECT_NE(lint.exitCode, -1) << Describe(lint);
    }
}

TEST_F(DebianPackages, UnpackIntoAnyRootAndRun) {
    for (const char* package : {"dravelo", "libtickwell1"}) {
        const ToolRun unpack = RunTool("dpkg-deb", {"-x", Deb(package), work_->file("root")});
        ASSERT_EQ(unpack.exitCode, 0) << Describe(unpack);
    }
    const QString cli = work_->file("root/usr/bin/dravelo-cli");
    ASSERT_TRUE(QFile::exists(work_->file("root/usr/bin/dravelo")));

    // From a folder of its own, far from the build, with the component library and the English
    // texts found from the program's own folder.
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

TEST_F(DebianPackages, InstallOverTheSinglePackageRunAndPurgeWithoutATrace) {
    if (::geteuid() != 0) GTEST_SKIP() << "installing packages needs root";
    if (const QString missing = MissingTool({{"apt-get", "apt"}, {"runuser", "util-linux"}});
        !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    if (!Status("dravelo").isEmpty() || !Status("libtickwell1").isEmpty())
        GTEST_SKIP() << "Dravelo is installed on this system; the test leaves it alone";
    const PurgeAtEnd purge;
    const QString old = OldSinglePackage(*work_);
    ASSERT_FALSE(old.isEmpty());
    const ToolRun installOld = RunTool("dpkg", {"--install", old});
    ASSERT_EQ(installOld.exitCode, 0) << Describe(installOld);

    QProcessEnvironment apt = QProcessEnvironment::systemEnvironment();
    apt.insert("DEBIAN_FRONTEND", "noninteractive");
    QStringList install = {"install", "-y", "--no-install-recommends"};
    for (const QString& package : kPackages) install << Deb(package);
    const ToolRun upgrade = RunTool("apt-get", install, QString(), apt);
    ASSERT_EQ(upgrade.exitCode, 0) << Describe(upgrade);
    for (const QString& package : kPackages)
        EXPECT_EQ(Status(package), "ii") << package.toStdString();
    EXPECT_TRUE(RunTool("ldconfig", {"-p"}).out.contains("libtickwell.so.1"));

    // From PATH, as root and as a user without a home folder.
    const TempFolder config, tested;
    const QProcessEnvironment environment = CleanEnvironment(config.path());
    // One file of 64 MB, long enough for the real millisecond clock, as above.
    const ToolRun run = RunTool("dravelo-cli",
                                {"--lang", "english.lng", "--no-cache-bypass", "--files", "1",
                                 "--size", "64", tested.path()},
                                tested.path(), environment);
    EXPECT_EQ(run.exitCode, 0) << Describe(run);
    EXPECT_TRUE(run.out.contains("Average:")) << Describe(run);
    const ToolRun asUser = RunTool("runuser", {"-u", "nobody", "--", "dravelo-cli", "--version"});
    EXPECT_EQ(asUser.exitCode, 0) << Describe(asUser);

    const ToolRun remove = RunTool(
        "apt-get", {"remove", "-y", "dravelo", "libtickwell-dev", "libtickwell1"}, QString(), apt);
    ASSERT_EQ(remove.exitCode, 0) << Describe(remove);
    // Nothing is left for a purge: no configuration files, no maintainer scripts.
    for (const QString& package : kPackages) {
        const QString status = Status(package);
        EXPECT_TRUE(status.isEmpty() || status == u"un")
            << package.toStdString() << ' ' << status.toStdString();
    }
    const ToolRun purgeAll = RunTool("dpkg", QStringList{"--purge"} + kPackages);
    EXPECT_EQ(purgeAll.exitCode, 0) << Describe(purgeAll);
    for (const QString& package : kPackages) {
        const ToolRun contents = RunTool("dpkg-deb", {"--contents", Deb(package)});
        static const QRegularExpression path("\\./(\\S+)( -> \\S+)?$",
                                             QRegularExpression::MultilineOption);
        for (auto match = path.globalMatch(contents.out); match.hasNext();) {
            const QString file = "/" + match.next().captured(1);
            if (file.endsWith('/')) continue;  // shared folders such as /usr/bin stay
            EXPECT_FALSE(QFileInfo::exists(file) || QFileInfo(file).isSymLink())
                << file.toStdString();
        }
    }
    EXPECT_FALSE(RunTool("ldconfig", {"-p"}).out.contains("libtickwell.so.1"));
}
