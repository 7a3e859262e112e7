#include "activation.h"

#include <unistd.h>

#include <climits>

#ifndef TICKWELL_LIBDIR
#define TICKWELL_LIBDIR "lib"
#endif
#ifndef TICKWELL_INSTALLED_LIBRARY
#define TICKWELL_INSTALLED_LIBRARY ""
#endif

namespace components {
namespace {

constexpr const char* kLibraryNames[] = {"libtickwell.so", TICKWELL_SONAME};

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/'));
}

}  // namespace

std::vector<std::string> FallbackLibraries() {
    std::vector<std::string> candidates;
    const std::string folder = ProgramFolder();
    if (!folder.empty()) {
        // Beside the program (a build), then the library folder of the prefix it is installed
        // in, wherever a package moved that prefix.
        for (const char* subfolder : {"/", "/../lib/", "/../" TICKWELL_LIBDIR "/"}) {
            for (const char* name : kLibraryNames) candidates.push_back(folder + subfolder + name);
        }
    }
    if (*TICKWELL_INSTALLED_LIBRARY) candidates.emplace_back(TICKWELL_INSTALLED_LIBRARY);
    return candidates;
}

HRESULT CreateInstance(const GUID& clsid, const GUID& iid, void** object) try {
    return tickwell::CreateInstance(clsid, iid, FallbackLibraries(), object);
} catch (...) {
    if (object) *object = nullptr;
    return E_OUTOFMEMORY;  // building the list of fallbacks
}

}  // namespace components
