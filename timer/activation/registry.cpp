#include "registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace components {
namespace {

std::string ConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

struct ParsedLine {
    std::string kind;
    std::optional<GUID> id;
    std::string path;  // what follows the identifier (and the version)
};

ParsedLine Parse(const std::string& line) {
    std::istringstream in(line);
    ParsedLine parsed;
    std::string id;
    in >> parsed.kind >> id;
    parsed.id = GuidFromString(id);
    if (parsed.kind == "TypeLib") {
        std::string version;
        in >> version;
    }
    std::getline(in >> std::ws, parsed.path);
    return parsed;
}

std::string Format(const RegistryRecord& record) {
    std::string line = record.kind + " " + GuidToString(record.id);
    if (!record.version.empty()) line += " " + record.version;
    return line + " " + record.path;
}

// A record stands for one kind and identifier; when `samePath` is asked for, only a record of
// that library matches, so that removing one copy's records leaves another copy's in place.
bool Matches(const ParsedLine& line, const RegistryRecord& record, bool samePath) {
    return line.id && line.kind == record.kind && *line.id == record.id &&
           (!samePath || line.path == record.path);
}

std::vector<std::string> ReadLines() {
    std::vector<std::string> lines;
    std::ifstream in(RegistryFilePath());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Written to a neighbour first and renamed over the old file, so that a reader never sees half
// a registry and a failed write leaves the old one intact.
bool WriteLines(const std::vector<std::string>& lines) {
    const std::string folder = ConfigFolder();
    ::mkdir(folder.c_str(), 0700);
    const std::string path = RegistryFilePath();
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) return false;
        for (const auto& line : lines) out << line << '\n';
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> WithoutRecords(const std::vector<RegistryRecord>& records, bool samePath) {
    std::vector<std::string> kept;
    for (const auto& line : ReadLines()) {
        const ParsedLine parsed = Parse(line);
        bool drop = false;
        for (const auto& record : records) drop = drop || Matches(parsed, record, samePath);
        if (!drop) kept.push_back(line);
    }
    return kept;
}

}  // namespace

std::string RegistryFilePath() {
    return ConfigFolder() + "/component-registry";
}

bool AddRecords(const std::vector<RegistryRecord>& records) {
    std::vector<std::string> lines = WithoutRecords(records, false);
    for (const auto& record : records) lines.push_back(Format(record));
    return WriteLines(lines);
}

bool RemoveRecords(const std::vector<RegistryRecord>& records) {
    return WriteLines(WithoutRecords(records, true));
}

std::optional<std::string> FindClassServer(const GUID& clsid) {
    for (const auto& line : ReadLines()) {
        const ParsedLine parsed = Parse(line);
        if (parsed.kind == "CLSID" && parsed.id && *parsed.id == clsid && !parsed.path.empty())
            return parsed.path;
    }
    return std::nullopt;
}

std::string GuidToString(const GUID& id) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.Data1,
                  id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3],
                  id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

std::optional<GUID> GuidFromString(std::string_view text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
    const std::string body(text.substr(1, 36));
    unsigned d1, d2, d3, b[8];
    int consumed = 0;
    const int fields =
        std::sscanf(body.c_str(), "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%n", &d1, &d2, &d3, &b[0],
                    &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &consumed);
    if (fields != 11 || consumed != 36) return std::nullopt;
    GUID id{d1, static_cast<uint16_t>(d2), static_cast<uint16_t>(d3), {}};
    for (int i = 0; i < 8; ++i) id.Data4[i] = static_cast<uint8_t>(b[i]);
    return id;
}

}  // namespace components
