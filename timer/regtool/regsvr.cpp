// regsvr: registers a component library in the per-user component registry, or with -u removes
// its records again, by calling the library's own registration entry point.
#include <cstdio>
#include <cstring>
#include <string>

#include "activation.h"
#include "registry.h"

namespace {

int Usage(std::FILE* out) {
    std::fputs(
        "Usage: regsvr [-u] LIBRARY\n"
        "Registers the component library LIBRARY for the current user;\n"
        "with -u, unregisters it.\n",
        out);
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-u") || !std::strcmp(argv[i], "--unregister"))
            unregister = true;
        else if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return Usage(stdout);
        else if (!library && argv[i][0] != '-')
            library = argv[i];
        else
            return Usage(stderr);
    }
    if (!library) return Usage(stderr);

    // A bare name would be searched in the system's library folders; a path is what the user means.
    std::string path = library;
    if (path.find('/') == std::string::npos) path = "./" + path;

    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    void* entry = nullptr;
    std::string reason;
    HRESULT hr = components::LoadEntryPoint(path, entryName, &entry, &reason);
    if (hr == CO_E_DLLNOTFOUND) {
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", library, reason.c_str());
        return 1;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s has no entry point %s: %s\n", library, entryName,
                     reason.c_str());
        return 1;
    }
    hr = reinterpret_cast<DllRegisterServerFn>(entry)();
    if (const int error = tickwell::ErrnoFromHResult(hr)) {
        std::fprintf(stderr, "regsvr: cannot update the component registry %s: %s\n",
                     components::RegistryFilePath().c_str(), std::strerror(error));
        return 1;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s failed in %s (0x%08X)\n", library, entryName,
                     static_cast<unsigned>(hr));
        return 1;
    }
    std::printf("%s %s in %s\n", library, unregister ? "unregistered" : "registered",
                components::RegistryFilePath().c_str());
    return 0;
}
