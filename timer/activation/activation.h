// Component activation: creates an object of a registered component by class identifier.
//
// The class is looked up in the per-user component registry; when it is not registered, the
// Tickwell library installed or built beside the program serves it, so a fresh build works
// without registration. Libraries stay loaded for the rest of the process, which keeps every
// object's code in place for as long as the object lives.
#pragma once

#include <string>
#include <vector>

#include "tickwell.h"

namespace components {

// Every failure (no such class, library missing, entry point missing, factory or instance
// refused) comes back as a failure result; *object is then null.
HRESULT CreateInstance(const GUID& clsid, const GUID& iid, void** object);

// Loads a library and hands out its entry point; a failure result when either is missing.
HRESULT LoadEntryPoint(const std::string& libraryPath, const char* name, void** entryPoint);

// Where an unregistered class is looked for, in order.
std::vector<std::string> FallbackLibraries();

}  // namespace components
