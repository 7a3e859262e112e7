#include "RequestStream.h"

#include <algorithm>
#include <cstring>

void FillRandom(void* data, int64_t bytes, SplitMix64& generator) {
    auto* out = static_cast<unsigned char*>(data);
    int64_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        const uint64_t word = generator.Next();
        std::memcpy(out + i, &word, 8);
    }
    if (i < bytes) {
        const uint64_t word = generator.Next();
        std::memcpy(out + i, &word, static_cast<size_t>(bytes - i));
    }
}

uint64_t WorkerStreamStart(uint64_t runStart, int32_t thread) {
    SplitMix64 mix(runStart ^ (uint64_t(uint32_t(thread)) << 32));
    return mix.Next();
}

RequestStream::RequestStream(const ProfileTest& test, int64_t fileBytes, int32_t thread,
                             uint64_t streamStart)
    : pattern_(test.pattern),
      blockBytes_(test.blockBytes),
      fileBlocks_(std::max<int64_t>(1, fileBytes / test.blockBytes)),
      readShare_(test.readShare),
      streamStart_(streamStart) {
    const int64_t threads = std::max(1, test.threads);
    regionBlocks_ = std::max<int64_t>(1, fileBlocks_ / threads);
    regionStart_ = std::min(fileBlocks_ - regionBlocks_, thread * regionBlocks_);
}

Request RequestStream::At(uint64_t index, Direction direction) const {
    Request request;
    int64_t block;
    if (pattern_ == AccessPattern::Sequential) {
        block = regionStart_ + static_cast<int64_t>(index % static_cast<uint64_t>(regionBlocks_));
    } else {
        // Two values per request: the block, and whether a mixed test reads or writes it.
        const uint64_t value = SplitMix64::At(streamStart_, 2 * index + 1);
        block = static_cast<int64_t>(SplitMix64::Below(value, static_cast<uint64_t>(fileBlocks_)));
    }
    request.offset = block * blockBytes_;
    switch (direction) {
        case Direction::Read:
            request.write = false;
            break;
        case Direction::Write:
            request.write = true;
            break;
        case Direction::Mixed:
            request.write =
                SplitMix64::Fraction(SplitMix64::At(streamStart_, 2 * index + 2)) >= readShare_;
            break;
    }
    return request;
}
