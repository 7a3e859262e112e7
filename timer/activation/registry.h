// Writing the per-user component registry (its location and line format are described in
// tickwell.h, which also reads it).
#pragma once

#include <string>
#include <vector>

#include "tickwell.h"

namespace components {

using tickwell::GuidFromString;
using tickwell::GuidToString;
using tickwell::RegistryFilePath;

struct RegistryRecord {
    std::string kind;  // "CLSID" or "TypeLib"
    GUID id;
    std::string version;  // type libraries only, e.g. "1.0"
    std::string path;
};

// Both return 0, or the system's error number when the registry exists but cannot be read, or
// cannot be written; the registry is then left as it was. Lines that are not records of the
// given kinds and identifiers are kept word for word. The file is replaced atomically, through
// any symbolic link to its target, with the target's mode; missing folders are created (0700).
// Writers in any number of processes take turns (a lock on the registry's folder), so none of
// them loses another's change.

// Adds the records, replacing any earlier record of the same kind, identifier and (for a type
// library) version, whichever library it named.
int AddRecords(const std::vector<RegistryRecord>& records);

// Removes the records of the given kinds, identifiers and libraries, and nothing else.
int RemoveRecords(const std::vector<RegistryRecord>& records);

}  // namespace components
