// regsvr: registers a component library in the per-user component registry, or with -u removes
// its records again, by calling the library's own registration entry point. Installed as
// tickwell-regsvr; it speaks under whatever name it was run as.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "activation.h"
#include "registry.h"

namespace {

// The version node of Tickwell's entry points: it tells a Tickwell library from another maker's.
constexpr const char* kTickwellVersion = "TICKWELL_1";

std::string ToolName(const char* argv0) {
    const std::string called = argv0 && *argv0 ? argv0 : "tickwell-regsvr";
    return called.substr(called.rfind('/') + 1);
}

int Usage(const std::string& tool, std::FILE* out) {
    std::fprintf(out,
                 "Usage: %s [-u] LIBRARY\n"
                 "Registers the component library LIBRARY for the current user;\n"
                 "with -u, unregisters it.\n",
                 tool.c_str());
    return out == stdout ? 0 : 2;
}

// Only Tickwell's own results carry the registry's system error numbers; another library's codes
// of the same shape mean whatever that library means by them. A library without symbol versions
// answers a lookup of every version, so a made-up version must be refused for the answer to count.
bool IsTickwellEntryPoint(const std::string& library, const char* name, void* entry) {
    void* handle = ::dlopen(library.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return false;
    const bool ours = ::dlvsym(handle, name, kTickwellVersion) == entry &&
                      !::dlvsym(handle, name, "TICKWELL_NO_SUCH_VERSION");
    ::dlclose(handle);
    return ours;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string tool = ToolName(argv[0]);
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-u") || !std::strcmp(argv[i], "--unregister"))
            unregister = true;
        else if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return Usage(tool, stdout);
        else if (!library && argv[i][0] != '-')
            library = argv[i];
        else
            return Usage(tool, stderr);
    }
    if (!library) return Usage(tool, stderr);

    const std::string registry = components::RegistryFilePath();
    if (registry.empty()) {
        std::fprintf(stderr,
                     "%s: no place for the component registry: XDG_CONFIG_HOME and HOME are not "
                     "set and user %u has no home folder\n",
                     tool.c_str(), static_cast<unsigned>(::getuid()));
        return 1;
    }

    // A bare name would be searched in the system's library folders; a path is what the user means.
    std::string path = library;
    if (path.find('/') == std::string::npos) path = "./" + path;

    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    void* entry = nullptr;
    std::string reason;
    HRESULT hr = components::LoadEntryPoint(path, entryName, &entry, &reason);
    if (hr == CO_E_DLLNOTFOUND) {
        std::fprintf(stderr, "%s: cannot load %s: %s\n", tool.c_str(), library, reason.c_str());
        return 1;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s: %s has no entry point %s: %s\n", tool.c_str(), library, entryName,
                     reason.c_str());
        return 1;
    }
    hr = reinterpret_cast<DllRegisterServerFn>(entry)();
    const int error = tickwell::ErrnoFromHResult(hr);
    if (error && IsTickwellEntryPoint(path, entryName, entry)) {
        std::fprintf(stderr, "%s: cannot update the component registry %s: %s\n", tool.c_str(),
                     registry.c_str(), std::strerror(error));
        return 1;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s: %s failed in %s (0x%08X)\n", tool.c_str(), library, entryName,
                     static_cast<unsigned>(hr));
        return 1;
    }
    std::printf("%s %s in %s\n", library, unregister ? "unregistered" : "registered",
                registry.c_str());
    return 0;
}
