// The per-user component registry: which library serves which class identifier.
//
// A plain text file, one record a line: a kind ("CLSID" or "TypeLib"), an identifier in braces,
// for a type library its version, and the absolute path of the library, which runs to the end of
// the line. Lines the registry does not understand (comments, other tools' records) are kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tickwell.h"

namespace components {

struct RegistryRecord {
    std::string kind;  // "CLSID" or "TypeLib"
    GUID id;
    std::string version;  // type libraries only, e.g. "1.0"
    std::string path;
};

// $XDG_CONFIG_HOME/component-registry, or ~/.config/component-registry.
std::string RegistryFilePath();

// Adds the records, replacing any earlier record of the same kind and identifier, whichever
// library it named.
bool AddRecords(const std::vector<RegistryRecord>& records);

// Removes the records of the given kinds, identifiers and libraries, and nothing else.
bool RemoveRecords(const std::vector<RegistryRecord>& records);

// The library registered for a class identifier.
std::optional<std::string> FindClassServer(const GUID& clsid);

std::string GuidToString(const GUID& id);
std::optional<GUID> GuidFromString(std::string_view text);

}  // namespace components
