// Registration and activation against the real built component library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "activation.h"
#include "comptr.h"
#include "registry.h"

using components::ComPtr;

namespace {

QString BuiltLibrary() {
    return QCoreApplication::applicationDirPath() + "/libtickwell.so";
}

// Points the per-user registry at a folder of the test's own for the test's duration.
class RegistryFolder {
  public:
    RegistryFolder() : previous_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", folder_.path().toLocal8Bit());
    }
    ~RegistryFolder() { qputenv("XDG_CONFIG_HOME", previous_); }
    QString RegistryFile() const { return folder_.path() + "/component-registry"; }
    QString Read() const {
        QFile file(RegistryFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void Write(const QString& text) const {
        QFile file(RegistryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

  private:
    QTemporaryDir folder_;
    QByteArray previous_;
};

template <class Fn>
Fn EntryPoint(const char* name) {
    void* entry = nullptr;
    EXPECT_EQ(components::LoadEntryPoint(BuiltLibrary().toStdString(), name, &entry), S_OK);
    return reinterpret_cast<Fn>(entry);
}

QString Id(const GUID& id) {
    return QString::fromStdString(components::GuidToString(id));
}

}  // namespace

TEST(Registration, RegisterRecordsBothClassesAndTheTypeLibraryAndUnregisterRemovesOnlyThem) {
    RegistryFolder registry;
    registry.Write(
        "# kept by other tools\nCLSID {00000000-0000-0000-0000-0000000000AA} /x/other.so\n");

    ASSERT_EQ(EntryPoint<DllRegisterServerFn>("DllRegisterServer")(), S_OK);
    // The path it was loaded by, not the file its links end at.
    const QString path =
        QDir(QCoreApplication::applicationDirPath()).canonicalPath() + "/libtickwell.so";
    const QString text = registry.Read();
    EXPECT_TRUE(text.contains("CLSID " + Id(CLSID_CTimer) + " " + path + "\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("CLSID " + Id(CLSID_CTrigger) + " " + path + "\n"));
    EXPECT_TRUE(text.contains("TypeLib " + Id(LIBID_Tickwell) + " 1.0 " + path + "\n"));

    // Registering twice leaves one record per identifier.
    ASSERT_EQ(EntryPoint<DllRegisterServerFn>("DllRegisterServer")(), S_OK);
    EXPECT_EQ(registry.Read().count(Id(CLSID_CTimer)), 1);

    ComPtr<_CTimer> timer;
    ASSERT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTimer, timer.ReceiveVoid()), S_OK);
    int32_t ticks = 0;
    EXPECT_EQ(timer->GetCurrentTimer(&ticks), S_OK);

    ASSERT_EQ(EntryPoint<DllUnregisterServerFn>("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(registry.Read(),
              "# kept by other tools\nCLSID {00000000-0000-0000-0000-0000000000AA} /x/other.so\n");
}

TEST(Registration, UnregisteringOneCopyLeavesAnotherCopysRecords) {
    RegistryFolder registry;
    const QString other = "CLSID " + Id(CLSID_CTimer) + " /opt/other/libtickwell.so\n";
    registry.Write(other);
    ASSERT_EQ(EntryPoint<DllUnregisterServerFn>("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(registry.Read(), other);
    // Registering replaces the other copy's record: one library serves a class at a time.
    ASSERT_EQ(EntryPoint<DllRegisterServerFn>("DllRegisterServer")(), S_OK);
    EXPECT_FALSE(registry.Read().contains("/opt/other/"));
}

TEST(Activation, FailuresComeBackAsResults) {
    RegistryFolder registry;
    void* object = reinterpret_cast<void*>(1);

    // A registered library that is no library.
    QTemporaryDir folder;
    const QString notALibrary = folder.filePath("libtickwell.so");
    QFile text(notALibrary);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("text");
    text.close();
    registry.Write("CLSID " + Id(CLSID_CTimer) + " " + notALibrary + "\n");
    EXPECT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTimer, &object), CO_E_DLLNOTFOUND);
    EXPECT_EQ(object, nullptr);

    // A registered library without the entry point.
    Dl_info libc{};
    ASSERT_NE(::dladdr(reinterpret_cast<void*>(&::printf), &libc), 0);
    registry.Write("CLSID " + Id(CLSID_CTimer) + " " + QString::fromLocal8Bit(libc.dli_fname) +
                   "\n");
    EXPECT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTimer, &object), CO_E_ERRORINDLL);
    EXPECT_EQ(object, nullptr);

    // Unknown class: not registered, and the library beside the program refuses it.
    registry.Write("");
    const GUID unknown = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(components::CreateInstance(unknown, IID__CTimer, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    // Known class, unknown interface.
    EXPECT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTrigger, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST(Activation, UnregisteredClassesComeFromTheLibraryBesideTheProgram) {
    RegistryFolder registry;
    ComPtr<_CTrigger> trigger;
    EXPECT_EQ(components::CreateInstance(CLSID_CTrigger, IID__CTrigger, trigger.ReceiveVoid()),
              S_OK);
    EXPECT_TRUE(trigger);
    // So do classes registered to a library file that is gone.
    registry.Write("CLSID " + Id(CLSID_CTimer) + " /nowhere/libtickwell.so\n");
    ComPtr<_CTimer> timer;
    EXPECT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTimer, timer.ReceiveVoid()), S_OK);
    EXPECT_TRUE(timer);
}

TEST(Activation, LibraryMayUnloadOnlyWhenNoObjectOrLockIsAlive) {
    auto canUnload = EntryPoint<DllCanUnloadNowFn>("DllCanUnloadNow");
    auto getClassObject = EntryPoint<DllGetClassObjectFn>("DllGetClassObject");
    ASSERT_EQ(canUnload(), S_OK);

    ComPtr<_CTimer> timer;
    ASSERT_EQ(components::CreateInstance(CLSID_CTimer, IID__CTimer, timer.ReceiveVoid()), S_OK);
    ComPtr<_CTimer> second = timer;
    EXPECT_EQ(canUnload(), S_FALSE);
    timer.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    second.Reset();
    EXPECT_EQ(canUnload(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(&CLSID_CTimer, &IID_IClassFactory, factory.ReceiveVoid()), S_OK);
    factory->LockServer(1);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(0);
    EXPECT_EQ(canUnload(), S_OK);
    void* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID__CTimer, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
}

TEST(RegistrationTool, RegistersUnregistersAndReportsFailuresPlainly) {
    RegistryFolder registry;
    const QString tool = QCoreApplication::applicationDirPath() + "/regsvr";
    QProcess process;
    process.start(tool, {BuiltLibrary()});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QString(process.readAllStandardOutput()).contains("registered"));
    EXPECT_TRUE(registry.Read().contains(Id(CLSID_CTimer)));

    process.start(tool, {"-u", BuiltLibrary()});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_FALSE(registry.Read().contains(Id(CLSID_CTimer)));

    process.start(tool, {"/nowhere/libnothing.so"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString(process.readAllStandardError()).contains("cannot load"));

    process.start(tool, {});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
}

TEST(Library, ExportsOnlyTheFourEntryPointsUnderItsVersionNode) {
    QProcess nm;
    nm.start("nm", {"-D", "--defined-only", "--with-symbol-versions", BuiltLibrary()});
    if (!nm.waitForStarted(10000)) GTEST_SKIP() << "nm (binutils) is not installed";
    ASSERT_TRUE(nm.waitForFinished(10000));
    QStringList exported;
    for (const QString& line :
         QString(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        exported << fields.mid(1).join(' ');
    }
    exported.sort();
    EXPECT_EQ(exported,
              QStringList({"A TICKWELL_1", "T DllCanUnloadNow@@TICKWELL_1",
                           "T DllGetClassObject@@TICKWELL_1", "T DllRegisterServer@@TICKWELL_1",
                           "T DllUnregisterServer@@TICKWELL_1"}));
}

// A package upgrade replaces libtickwell.so.1.0.0 by libtickwell.so.1.0.1 and moves the link
// libtickwell.so.1 that the user registered.
TEST(Registration, ARegisteredLinkSurvivesAnUpgradeThatReplacesItsFile) {
    RegistryFolder registry;
    QTemporaryDir folder;
    const QString real = folder.filePath("libtickwell.so.1.0.0");
    const QString link = folder.filePath("libtickwell.so.1");
    ASSERT_TRUE(QFile::copy(QFileInfo(BuiltLibrary()).canonicalFilePath(), real));
    ASSERT_TRUE(QFile::link("libtickwell.so.1.0.0", link));
    QProcess tool;
    tool.setWorkingDirectory(folder.path());
    tool.start(QCoreApplication::applicationDirPath() + "/regsvr", {"libtickwell.so.1"});
    ASSERT_TRUE(tool.waitForFinished(10000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QString registered = QDir(folder.path()).canonicalPath() + "/libtickwell.so.1";
    EXPECT_TRUE(registry.Read().contains("CLSID " + Id(CLSID_CTimer) + " " + registered + "\n"))
        << registry.Read().toStdString();

    ASSERT_TRUE(QFile::rename(real, folder.filePath("libtickwell.so.1.0.1")));
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link("libtickwell.so.1.0.1", link));
    ComPtr<IClassFactory> factory;
    std::string reason;
    EXPECT_EQ(tickwell::GetClassFactory(CLSID_CTimer, {}, factory.Receive(), &reason), S_OK)
        << reason;

    // Removed for good: the caller's fallback serves, and without one the message names the
    // registered library instead of claiming the class is not registered.
    ASSERT_TRUE(QFile::remove(link));
    EXPECT_EQ(
        tickwell::GetClassFactory(CLSID_CTimer, {BuiltLibrary().toStdString()}, factory.Receive()),
        S_OK);
    EXPECT_EQ(tickwell::GetClassFactory(CLSID_CTimer, {}, factory.Receive(), &reason),
              CO_E_DLLNOTFOUND);
    EXPECT_EQ(reason, "registered library " + registered.toStdString() + " not found");
}

// A fallback given by name alone is the dynamic loader's to find, as a client's default
// "libtickwell.so.1" means; a name the loader does not know passes on to the next fallback.
TEST(Activation, BareLibraryNamesAreFoundByTheDynamicLoader) {
    RegistryFolder registry;
    EntryPoint<DllCanUnloadNowFn>("DllCanUnloadNow");  // loaded, so the loader knows its name
    const std::string unknown = "libno-such-component.so.9";
    const struct {
        std::vector<std::string> fallbacks;
        HRESULT result;
    } cases[] = {
        {{TICKWELL_TEST_SONAME}, S_OK},
        {{unknown, BuiltLibrary().toStdString()}, S_OK},
        {{unknown}, REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        ComPtr<IClassFactory> factory;
        std::string reason;
        EXPECT_EQ(
            tickwell::GetClassFactory(CLSID_CTrigger, c.fallbacks, factory.Receive(), &reason),
            c.result)
            << c.fallbacks.front() << ": " << reason;
        EXPECT_EQ(bool(factory), c.result == S_OK);
    }
}
