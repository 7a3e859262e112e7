// The requests of one worker: where each block goes and whether it is a read or a write. Request
// number i is a function of the stream's start value and i alone, so a worker hands the next
// number to whichever of its requests completes first, as a drive sees it from any other tool,
// and both I/O engines issue the same requests for the same settings.
#pragma once

#include <cstdint>

#include "ProfileSettings.h"

enum class Direction { Read, Write, Mixed };

// A small, fast generator (SplitMix64) for offsets, the read/write sequence and the test file's
// incompressible bytes. Its k-th value depends on the start value and k only.
class SplitMix64 {
  public:
    static constexpr uint64_t kStep = 0x9e3779b97f4a7c15ULL;

    explicit SplitMix64(uint64_t streamStart) : state_(streamStart) {}
    uint64_t Next() { return Mix(state_ += kStep); }
    // Uniform in [0, bound).
    uint64_t Below(uint64_t bound) { return Below(Next(), bound); }
    // Uniform in [0, 1).
    double Fraction() { return Fraction(Next()); }

    // The value Next() gives as its `k`-th (from 1) after starting at `streamStart`.
    static uint64_t At(uint64_t streamStart, uint64_t k) { return Mix(streamStart + k * kStep); }
    static uint64_t Below(uint64_t value, uint64_t bound) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(value) * bound) >> 64);
    }
    static double Fraction(uint64_t value) { return static_cast<double>(value >> 11) * 0x1.0p-53; }

  private:
    static uint64_t Mix(uint64_t z) {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    uint64_t state_;
};

// Fills `bytes` bytes at `data` with pseudo-random bytes that no compressor can shrink.
void FillRandom(void* data, int64_t bytes, SplitMix64& generator);

struct Request {
    int64_t offset = 0;
    bool write = false;
};

class RequestStream {
  public:
    // The stream of worker `thread`. Sequential workers each own an equal stretch of the file
    // and walk it block after block; random ones pick any block of the whole file.
    RequestStream(const ProfileTest& test, int64_t fileBytes, int32_t thread, uint64_t streamStart);

    // Request number `index` (from 0) of the stream.
    Request At(uint64_t index, Direction direction) const;

  private:
    AccessPattern pattern_;
    int64_t blockBytes_;
    int64_t fileBlocks_;
    int64_t regionStart_ = 0;
    int64_t regionBlocks_ = 1;
    double readShare_;
    uint64_t streamStart_;
};

// The start value of one worker's stream: the same for the same run and thread of the same
// profile.
uint64_t WorkerStreamStart(uint64_t runStart, int32_t thread);
