// Component activation for the programs of this project: the public activation of tickwell.h,
// with the Tickwell library installed or built beside the program as the fallback, so that a
// fresh build works without registration.
#pragma once

#include <string>
#include <vector>

#include "tickwell.h"

namespace components {

// Every failure (no such class, library missing or broken, entry point missing, factory or
// instance refused) comes back as a failure result; *object is then null.
HRESULT CreateInstance(const GUID& clsid, const GUID& iid, void** object);

using tickwell::LoadEntryPoint;

// Where a class that is not registered is looked for, in order: beside the program, in ../lib
// (each under the development name and the versioned one that runtime packages ship), and in the
// installed library folder.
std::vector<std::string> FallbackLibraries();

}  // namespace components
