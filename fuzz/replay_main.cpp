// Runs a fuzz target over stored inputs without libFuzzer: every file of the folders given, in
// name order. The test suite uses it to replay the corpus and every input that once failed,
// so a fault that comes back fails the ordinary build's tests.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzCheck.h"

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> inputs;
    if (!std::filesystem::is_directory(folder)) return inputs;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != ".gitkeep")
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& file : InputsIn(argv[i])) {
            const std::vector<uint8_t> bytes = ReadAll(file);
            const std::string name = file.string();
            FuzzInputName() = name.c_str();
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    FuzzInputName() = nullptr;
    std::printf("replayed %zu inputs\n", replayed);
    // A target without a single stored input tests nothing.
    return replayed > 0 ? 0 : 1;
}
