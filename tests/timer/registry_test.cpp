// The component registry file as regsvr and the library's self-registration leave it, and the
// registration tool's reports of libraries it cannot load.
#include <elf.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "registry.h"

namespace {

const components::RegistryRecord kRecord{"CLSID", CLSID_CTimer, "", "/opt/tickwell/libtickwell.so"};

// Sets, or with std::nullopt unsets, an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value)
        : name_(name),
          previous_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        Set(value);
    }
    ~ScopedEnv() { Set(previous_); }

  private:
    void Set(const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }

    const char* name_;
    std::optional<QByteArray> previous_;
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

mode_t ModeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

struct ToolRun {
    int exitCode;
    QString errors;
};

ToolRun RunTool(const QStringList& arguments) {
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + "/regsvr", arguments);
    EXPECT_TRUE(process.waitForFinished(10000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString BuiltLibrary() {
    return QFileInfo(QCoreApplication::applicationDirPath() + "/libtickwell.so")
        .canonicalFilePath();
}

}  // namespace

TEST(RegistryFile, AnUnreadableRegistryIsNeverRewritten) {
    struct Case {
        const char* name;
        void (*make)(const QString& registry);
        int reason;
    };
    const Case cases[] = {
        {"a folder", [](const QString& registry) { QDir().mkpath(registry); }, EISDIR},
        {"a loop of links",
         [](const QString& registry) {
             QFile::link(registry + ".other", registry);
             QFile::link(registry, registry + ".other");
         },
         ELOOP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir config;
        ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString registry = config.filePath("component-registry");
        c.make(registry);
        const QStringList before = QDir(config.path()).entryList(QDir::AllEntries | QDir::System);
        for (const QStringList& arguments :
             {QStringList{BuiltLibrary()}, QStringList{"-u", BuiltLibrary()}}) {
            const ToolRun run = RunTool(arguments);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.errors.contains(registry)) << run.errors.toStdString();
            EXPECT_TRUE(run.errors.contains(QString::fromLocal8Bit(std::strerror(c.reason))))
                << run.errors.toStdString();
        }
        EXPECT_EQ(QDir(config.path()).entryList(QDir::AllEntries | QDir::System), before);
        EXPECT_EQ(QFileInfo(registry).isSymLink() || QFileInfo(registry).isDir(), true);
    }
}

TEST(RegistryFile, ForeignLinesAreKeptWordForWord) {
    QTemporaryDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString registry = config.filePath("component-registry");
    const QByteArray foreign =
        "# registry of components\n"
        "\n"
        "CLSID {00000000-0000-0000-0000-0000000000AA}  /x/two  blanks.so\r\n"
        "\tTypeLib {not-an-id} 1.0 /x/tab.so\n"
        "Interface {" +
        QByteArray(components::GuidToString(CLSID_CTimer).substr(1, 36).c_str()) +
        "} something else\n"
        "# CLSID " +
        QByteArray(components::GuidToString(CLSID_CTimer).c_str()) +
        " /x/old.so\n"
        "last line without end";
    WriteFile(registry, foreign);

    ASSERT_EQ(components::AddRecords({kRecord}), 0);
    const QByteArray added = ReadFile(registry);
    EXPECT_TRUE(added.startsWith(foreign + "\n")) << added.toStdString();
    EXPECT_TRUE(added.endsWith(QByteArray(
        ("CLSID " + components::GuidToString(CLSID_CTimer) + " " + kRecord.path + "\n").c_str())));
    ASSERT_EQ(components::RemoveRecords({kRecord}), 0);
    EXPECT_EQ(ReadFile(registry), foreign + "\n");
}

TEST(RegistryFile, WritesThroughLinksKeepsTheModeAndCreatesMissingFolders) {
    QTemporaryDir root;
    ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("a/b/c")));
    ASSERT_EQ(components::AddRecords({kRecord}), 0);
    EXPECT_FALSE(ReadFile(root.filePath("a/b/c/component-registry")).isEmpty());
    for (const char* folder : {"a", "a/b", "a/b/c"})
        EXPECT_EQ(ModeOf(root.filePath(folder)), 0700u) << folder;

    // A read-only registry kept elsewhere and linked to by a relative link.
    QDir().mkpath(root.filePath("store"));
    const QString target = root.filePath("store/registry");
    WriteFile(target, "# kept\n");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    const QString link = root.filePath("a/b/c/component-registry");
    QFile::remove(link);
    ASSERT_EQ(::symlink("../../../store/registry", QFile::encodeName(link).constData()), 0);

    ASSERT_EQ(components::AddRecords({kRecord}), 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(ReadFile(target).startsWith("# kept\nCLSID "));
    EXPECT_EQ(ModeOf(target), 0444u);
    EXPECT_EQ(QDir(root.filePath("store")).entryList(QDir::Files), QStringList{"registry"});
}

TEST(RegistryFile, ARelativeConfigHomeIsIgnored) {
    QTemporaryDir home;
    ScopedEnv homeVariable("HOME", QFile::encodeName(home.path()));
    for (const QByteArray& value : {QByteArray("relative/config"), QByteArray()}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        EXPECT_EQ(components::RegistryFilePath(),
                  home.path().toStdString() + "/.config/component-registry");
    }
}

// A copy of the built library cut in the middle of its last loadable segment.
QString CutLibrary(const QTemporaryDir& folder) {
    QByteArray bytes = ReadFile(BuiltLibrary());
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.constData(), sizeof header);
    qsizetype cut = 0;
    for (int index = 0; index < header.e_phnum; ++index) {
        Elf64_Phdr segment;
        std::memcpy(&segment, bytes.constData() + header.e_phoff + index * sizeof segment,
                    sizeof segment);
        if (segment.p_type == PT_LOAD && segment.p_filesz > 0)
            cut = static_cast<qsizetype>(segment.p_offset + segment.p_filesz / 2);
    }
    EXPECT_GT(cut, static_cast<qsizetype>(header.e_phoff + header.e_phnum * sizeof(Elf64_Phdr)));
    bytes.truncate(cut);
    const QString path = folder.filePath("libcut.so");
    WriteFile(path, bytes);
    return path;
}

TEST(RegistrationTool, NamesTheLibraryAndTheReasonItCannotBeLoaded) {
    QTemporaryDir folder;
    WriteFile(folder.filePath("notes.so"), "plain text, no library");
    QDir().mkpath(folder.filePath("folder.so"));
    const struct {
        QString library;
        QString reason;
    } cases[] = {
        {folder.filePath("missing.so"), QString::fromLocal8Bit(std::strerror(ENOENT))},
        {folder.filePath("folder.so"), QString::fromLocal8Bit(std::strerror(EISDIR))},
        {folder.filePath("notes.so"), "not an ELF file"},
        {CutLibrary(folder),
         "incomplete ELF file: a loadable segment ends past the end of the file"},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunTool({c.library});
        EXPECT_EQ(run.exitCode, 1) << c.library.toStdString();
        EXPECT_EQ(run.errors, "regsvr: cannot load " + c.library + ": " + c.reason + "\n");
    }
}

// Registrations and unregistrations started together, as package scripts and users may: each
// succeeds, and every reader, during and after, sees the whole registry of one or the other.
TEST(RegistrationTool, ParallelRunsAllSucceedAndLeaveAWholeRegistry) {
    QTemporaryDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString registry = config.filePath("component-registry");
    const QByteArray foreign = "# kept by other tools\n";
    WriteFile(registry, foreign);
    ASSERT_EQ(RunTool({BuiltLibrary()}).exitCode, 0);
    const QByteArray registered = ReadFile(registry);
    ASSERT_EQ(registered.count('\n'), 4) << registered.toStdString();
    ASSERT_EQ(RunTool({"-u", BuiltLibrary()}).exitCode, 0);
    ASSERT_EQ(ReadFile(registry), foreign);

    constexpr int kRounds = 2, kProcesses = 24;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<QProcess>> tools;
        for (int i = 0; i < kProcesses; ++i) {
            tools.push_back(std::make_unique<QProcess>());
            tools.back()->start(
                QCoreApplication::applicationDirPath() + "/regsvr",
                i % 2 ? QStringList{"-u", BuiltLibrary()} : QStringList{BuiltLibrary()});
        }
        int partialReads = 0;
        QDeadlineTimer patience(120000);
        for (bool running = true; running && !patience.hasExpired();) {
            const QByteArray seen = ReadFile(registry);
            if (seen != foreign && seen != registered) ++partialReads;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            running = false;
            for (const auto& tool : tools)
                running = running || tool->state() != QProcess::NotRunning;
        }
        EXPECT_EQ(partialReads, 0);
        for (const auto& tool : tools) {
            ASSERT_EQ(tool->state(), QProcess::NotRunning);
            EXPECT_EQ(tool->exitCode(), 0) << tool->readAllStandardError().toStdString();
        }
        const QByteArray last = ReadFile(registry);
        EXPECT_TRUE(last == foreign || last == registered) << last.toStdString();
        EXPECT_EQ(QDir(config.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"component-registry"});
    }
}

TEST(RegistryFile, TypeLibraryRecordsAreKeptPerVersion) {
    QTemporaryDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString registry = config.filePath("component-registry");
    const QByteArray version2 = QByteArray("TypeLib ") +
                                components::GuidToString(LIBID_Tickwell).c_str() +
                                " 2.0 /opt/tickwell2/libtickwell.so.2\n";
    WriteFile(registry, version2);
    const components::RegistryRecord version1{"TypeLib", LIBID_Tickwell, "1.0",
                                              "/opt/tickwell/libtickwell.so.1"};
    ASSERT_EQ(components::AddRecords({version1}), 0);
    EXPECT_TRUE(ReadFile(registry).startsWith(version2 + "TypeLib "))
        << ReadFile(registry).toStdString();
    ASSERT_EQ(components::RemoveRecords({version1}), 0);
    EXPECT_EQ(ReadFile(registry), version2);
}

// Without HOME and XDG_CONFIG_HOME the registry is in the home folder of the password database;
// a user who has none there has no registry, and the tool says so instead of writing to "/".
TEST(RegistrationTool, SpeaksUnderItsOwnNameAndNeedsAHomeFolder) {
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_TRUE(user && user->pw_dir);
    EXPECT_EQ(components::RegistryFilePath(),
              std::string(user->pw_dir) + "/.config/component-registry");

    QTemporaryDir folder;
    QFile::setPermissions(folder.path(), QFile::permissions(folder.path()) | QFile::ExeOther);
    const QString tool = folder.filePath("tickwell-regsvr");
    ASSERT_TRUE(QFile::link(QCoreApplication::applicationDirPath() + "/regsvr", tool));
    QProcess process;
    process.start(tool, {});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().startsWith("Usage: tickwell-regsvr [-u] LIBRARY\n"));

    constexpr uid_t kHomeless = 54321;
    if (::geteuid() != 0 || ::getpwuid(kHomeless))
        GTEST_SKIP() << "needs root and a user id without a password entry";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("HOME");
    environment.remove("XDG_CONFIG_HOME");
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] {
        if (::setgid(kHomeless) != 0 || ::setuid(kHomeless) != 0) ::_exit(99);
    });
    process.start(tool, {BuiltLibrary()});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardError()),
              "tickwell-regsvr: no place for the component registry: XDG_CONFIG_HOME and HOME "
              "are not set and user 54321 has no home folder\n");
}

TEST(RegistrationTool, AnotherLibrarysFailureCodeIsNotTakenForARegistryError) {
    QTemporaryDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString foreign = QCoreApplication::applicationDirPath() + "/libforeign_component.so";
    const ToolRun run = RunTool({foreign});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "regsvr: " + foreign + " failed in DllRegisterServer (0x80FF0002)\n");
}
