#include "activation.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <mutex>

#include "comptr.h"
#include "registry.h"

#ifndef TICKWELL_INSTALLED_LIBRARY
#define TICKWELL_INSTALLED_LIBRARY ""
#endif

namespace components {
namespace {

constexpr const char* kLibraryName = "libtickwell.so";

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/'));
}

// Handles of loaded libraries by path; never closed, see the header.
void* OpenLibrary(const std::string& path) {
    static std::mutex guard;
    static std::map<std::string, void*> loaded;
    std::lock_guard lock(guard);
    if (auto found = loaded.find(path); found != loaded.end()) return found->second;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) loaded.emplace(path, handle);
    return handle;
}

HRESULT CreateFromLibrary(const std::string& path, const GUID& clsid, const GUID& iid,
                          void** object) {
    void* entry = nullptr;
    const HRESULT loaded = LoadEntryPoint(path, "DllGetClassObject", &entry);
    if (FAILED(loaded)) return loaded;
    const auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(entry);
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(&clsid, &IID_IClassFactory, factory.ReceiveVoid());
    if (FAILED(hr)) return hr;
    if (!factory) return E_UNEXPECTED;
    hr = factory->CreateInstance(nullptr, iid, object);
    if (SUCCEEDED(hr) && !*object) return E_UNEXPECTED;
    return hr;
}

}  // namespace

HRESULT LoadEntryPoint(const std::string& libraryPath, const char* name, void** entryPoint) {
    *entryPoint = nullptr;
    void* library = OpenLibrary(libraryPath);
    if (!library) return CO_E_DLLNOTFOUND;
    *entryPoint = ::dlsym(library, name);
    return *entryPoint ? S_OK : CO_E_ERRORINDLL;
}

std::vector<std::string> FallbackLibraries() {
    std::vector<std::string> candidates;
    const std::string folder = ProgramFolder();
    if (!folder.empty()) {
        candidates.push_back(folder + "/" + kLibraryName);
        candidates.push_back(folder + "/../lib/" + kLibraryName);
    }
    if (*TICKWELL_INSTALLED_LIBRARY) candidates.emplace_back(TICKWELL_INSTALLED_LIBRARY);
    return candidates;
}

HRESULT CreateInstance(const GUID& clsid, const GUID& iid, void** object) try {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (auto registered = FindClassServer(clsid))
        return CreateFromLibrary(*registered, clsid, iid, object);
    for (const auto& candidate : FallbackLibraries()) {
        if (::access(candidate.c_str(), R_OK) == 0)
            return CreateFromLibrary(candidate, clsid, iid, object);
    }
    return REGDB_E_CLASSNOTREG;
} catch (...) {
    return E_FAIL;  // out of memory while reading the registry; no object
}

}  // namespace components
