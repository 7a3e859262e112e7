// What a drive profile runs: its tests (access pattern, block size, queue depth, threads and the
// share of reads) and the settings that apply to all of them. The presets are the profiles that
// desktop disk benchmarks share, so that a user can compare the figures with theirs.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

enum class AccessPattern { Sequential, Random };

struct ProfileTest {
    AccessPattern pattern = AccessPattern::Sequential;
    int32_t blockBytes = 1 << 20;
    int32_t depth = 1;    // requests in flight per thread
    int32_t threads = 1;  // workers, each with its own queue
    // 1: reads only, then a separate write test; 0.7: one mixed test, 70 % reads. Pure tests
    // measure the read and then the write direction; a mixed test measures both at once.
    double readShare = 1;

    bool Mixed() const { return readShare > 0 && readShare < 1; }
    // "SEQ1M Q8T1", "RND4K Q32T16", "RND4K Q1T1 MIX70".
    QString Name() const;
};

struct ProfileSettings {
    std::vector<ProfileTest> tests;
    int64_t fileBytes = int64_t(1) << 30;
    int32_t runs = 5;
    int32_t secondsPerRun = 5;
    int32_t pauseSeconds = 0;
    bool cacheBypass = true;  // O_DIRECT where the folder allows it
};

// The preset names in the order they are offered: "default", "peak", "nvme", "realworld".
QStringList PresetNames();

// The tests of a preset; nothing for an unknown name.
std::optional<std::vector<ProfileTest>> PresetTests(const QString& name);
