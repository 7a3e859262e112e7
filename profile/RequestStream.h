// The requests of one slot of a worker: where each block goes and whether it is a read or a
// write. Both I/O engines take their requests from here, so that the same settings give the same
// request stream whichever engine runs, and the stream is reproducible from its start value.
#pragma once

#include <cstdint>

#include "ProfileSettings.h"

enum class Direction { Read, Write, Mixed };

// A small, fast generator (SplitMix64) for offsets, the read/write sequence and the test file's
// incompressible bytes.
class SplitMix64 {
  public:
    explicit SplitMix64(uint64_t streamStart) : state_(streamStart) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound).
    uint64_t Below(uint64_t bound) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(Next()) * bound) >> 64);
    }
    // Uniform in [0, 1).
    double Fraction() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  private:
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
    // Slot `slot` of worker `thread`. Sequential workers each own an equal stretch of the file
    // and walk it with their slots interleaved; random ones pick any block of the whole file.
    RequestStream(const ProfileTest& test, int64_t fileBytes, int32_t thread, int32_t slot,
                  uint64_t streamStart);

    Request Next(Direction direction);

  private:
    AccessPattern pattern_;
    int64_t blockBytes_;
    int64_t fileBlocks_;
    int64_t regionStart_ = 0;
    int64_t regionBlocks_ = 1;
    int64_t depth_;
    int64_t slot_;
    int64_t issued_ = 0;
    double readShare_;
    SplitMix64 generator_;
};

// The start value of one slot's stream: the same for the same run, thread and slot of the same
// profile.
uint64_t SlotStreamStart(uint64_t runStart, int32_t thread, int32_t slot);
