// The library's four entry points: class factories, the unload query, and self-registration.
#include <dlfcn.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "CTimer.h"
#include "CTrigger.h"
#include "registry.h"
#include "server.h"

#define TICKWELL_EXPORT extern "C" __attribute__((visibility("default")))

namespace tickwell {
namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

template <class Object>
class ClassFactory final : public IClassFactory {
  public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Factories are static; the server lock, not their references, keeps the library in use.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) override try {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* created = new Object();
        const HRESULT hr = created->QueryInterface(iid, object);
        created->Release();  // the caller's reference, if any, is the only one left
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }

    HRESULT LockServer(int32_t lock) override {
        ServerLock(lock != 0);
        return S_OK;
    }
};

ClassFactory<CTimer> timerFactory;
ClassFactory<CTrigger> triggerFactory;

// The path the library was loaded by, made absolute. Its last part stays as given: registered
// as the link libtickwell.so.1, the library keeps working after an upgrade replaces the real file
// the link points to, which a resolved path would name.
std::string OwnLibraryPath() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) || !info.dli_fname) return {};
    const std::string given = info.dli_fname;
    const size_t slash = given.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : given.substr(0, slash);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved)) return {};
    const std::string absoluteFolder = resolved;
    const std::string name = slash == std::string::npos ? given : given.substr(slash + 1);
    return absoluteFolder == "/" ? "/" + name : absoluteFolder + "/" + name;
}

std::vector<components::RegistryRecord> OwnRecords(const std::string& path) {
    return {{"CLSID", CLSID_CTimer, "", path},
            {"CLSID", CLSID_CTrigger, "", path},
            {"TypeLib", LIBID_Tickwell, "1.0", path}};
}

}  // namespace

void ObjectCreated() {
    ++liveObjects;
}
void ObjectDestroyed() {
    --liveObjects;
}
void ServerLock(bool lock) {
    if (lock)
        ++serverLocks;
    else if (serverLocks > 0)
        --serverLocks;
}
bool ServerInUse() {
    return liveObjects > 0 || serverLocks > 0;
}

}  // namespace tickwell

using namespace tickwell;

TICKWELL_EXPORT HRESULT DllGetClassObject(const GUID* clsid, const GUID* iid, void** object) {
    if (!clsid || !iid || !object) return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    if (*clsid == CLSID_CTimer)
        factory = &timerFactory;
    else if (*clsid == CLSID_CTrigger)
        factory = &triggerFactory;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(*iid, object);
}

TICKWELL_EXPORT HRESULT DllCanUnloadNow() {
    return ServerInUse() ? S_FALSE : S_OK;
}

TICKWELL_EXPORT HRESULT DllRegisterServer() try {
    const std::string path = OwnLibraryPath();
    if (path.empty()) return SELFREG_E_CLASS;
    const int error = components::AddRecords(OwnRecords(path));
    return error == 0 ? S_OK : HResultFromErrno(error);
} catch (...) {
    return SELFREG_E_CLASS;
}

TICKWELL_EXPORT HRESULT DllUnregisterServer() try {
    const std::string path = OwnLibraryPath();
    if (path.empty()) return SELFREG_E_CLASS;
    const int error = components::RemoveRecords(OwnRecords(path));
    return error == 0 ? S_OK : HResultFromErrno(error);
} catch (...) {
    return SELFREG_E_CLASS;
}
