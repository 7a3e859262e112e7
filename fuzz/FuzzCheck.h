// Shared by the fuzz targets and the replay program: a property check that names the failed
// condition and the input it failed on, then aborts, so that libFuzzer keeps the input and the
// replay test fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The file being replayed, when the replay program runs the target; null under libFuzzer.
inline const char*& FuzzInputName() {
    static const char* name = nullptr;
    return name;
}

[[noreturn]] inline void FuzzPropertyFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, condition);
    if (FuzzInputName()) std::fprintf(stderr, "input: %s\n", FuzzInputName());
    std::abort();
}

#define FUZZ_CHECK(condition)                                                 \
    do {                                                                      \
        if (!(condition)) FuzzPropertyFailed(#condition, __FILE__, __LINE__); \
    } while (false)

// Reads the input from the front: small numbers that steer a target, then the rest as bytes.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // A number from 0 to limit - 1.
    unsigned Pick(unsigned limit) { return limit == 0 ? 0 : Byte() % limit; }
    bool Flag() { return Byte() & 1; }
    const char* Rest() const { return reinterpret_cast<const char*>(data_ + pos_); }
    size_t RestSize() const { return size_ - pos_; }
    bool Empty() const { return pos_ >= size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
