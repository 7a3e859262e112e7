// The component registry file as another tool or a damaged disk may leave it: lookups find the
// first usable record of a class, adding and removing a record touch that class's records and
// nothing else, and an identifier that reads in is written back the same.
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "registry.h"

namespace {

using components::RegistryRecord;

const GUID kClass = {0x1B2C3D4E, 0x5F60, 0x4172, {0x83, 0x94, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9, 0xFA}};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string ReadRegistry() {
    std::ifstream in(components::RegistryFilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteRegistry(const char* data, size_t size) {
    std::ofstream out(components::RegistryFilePath(), std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

// The blank-separated words of a line, as a record is laid out: kind, identifier, the rest.
struct Words {
    std::string kind, id, rest;
};

Words Split(const std::string& line) {
    Words words;
    size_t pos = 0;
    auto word = [&] {
        while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
        const size_t start = pos;
        while (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
        return line.substr(start, pos - start);
    };
    words.kind = word();
    words.id = word();
    if (words.kind == "TypeLib") word();
    while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
    words.rest = line.substr(pos);
    return words;
}

bool IsClassRecord(const std::string& line, const GUID& id) {
    const Words words = Split(line);
    const auto parsed = components::GuidFromString(words.id);
    return words.kind == "CLSID" && parsed && *parsed == id;
}

std::optional<std::string> ModelServer(const std::vector<std::string>& lines, const GUID& id) {
    for (const auto& line : lines)
        if (IsClassRecord(line, id) && !Split(line).rest.empty()) return Split(line).rest;
    return std::nullopt;
}

std::vector<std::string> Without(const std::vector<std::string>& lines, const GUID& id) {
    std::vector<std::string> kept;
    for (const auto& line : lines)
        if (!IsClassRecord(line, id)) kept.push_back(line);
    return kept;
}

// An identifier reads in only in its one spelling, up to the case of its hex digits.
void CheckIdentifierSpelling(const std::string& word) {
    const auto id = components::GuidFromString(word);
    if (!id) return;
    std::string upper = word;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (components::GuidToString(*id) != upper)
        std::fprintf(stderr, "identifier \"%s\" reads as %s\n", word.c_str(),
                     components::GuidToString(*id).c_str());
    FUZZ_CHECK(components::GuidToString(*id) == upper);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char folder[] = "/tmp/registry-fuzz.XXXXXX";
    if (!::mkdtemp(folder)) std::abort();
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const bool typeLibrary = input.Flag();
    WriteRegistry(input.Rest(), input.RestSize());
    const std::vector<std::string> lines = SplitLines(ReadRegistry());

    for (const auto& line : lines) {
        const Words words = Split(line);
        CheckIdentifierSpelling(words.id);
        if (const auto id = components::GuidFromString(words.id))
            FUZZ_CHECK(tickwell::FindRegisteredLibrary(*id) == ModelServer(lines, *id));
    }
    FUZZ_CHECK(tickwell::FindRegisteredLibrary(kClass) == ModelServer(lines, kClass));

    const RegistryRecord record{typeLibrary ? "TypeLib" : "CLSID", kClass, typeLibrary ? "1.0" : "",
                                "/opt/tickwell/libtickwell.so"};
    FUZZ_CHECK(components::AddRecords({record}) == 0);
    if (!typeLibrary) {
        FUZZ_CHECK(tickwell::FindRegisteredLibrary(kClass) == record.path);
        std::vector<std::string> expected = Without(lines, kClass);
        expected.push_back("CLSID " + components::GuidToString(kClass) + " " + record.path);
        FUZZ_CHECK(SplitLines(ReadRegistry()) == expected);
        FUZZ_CHECK(components::RemoveRecords({record}) == 0);
        FUZZ_CHECK(SplitLines(ReadRegistry()) == Without(lines, kClass));
        FUZZ_CHECK(!tickwell::FindRegisteredLibrary(kClass));
    } else {
        FUZZ_CHECK(tickwell::FindRegisteredLibrary(kClass) == ModelServer(lines, kClass));
    }
    return 0;
}
