// Small profiles for the tests: files of a few MiB and runs of a fraction of a second, on real
// files with the real io_uring.
#pragma once

#include <QDir>
#include <map>
#include <utility>
#include <vector>

#include "IoWorkers.h"
#include "ProfileSeam.h"

namespace profiletest {

constexpr int64_t kFileBytes = 8 << 20;

// The requests of each worker, in the order the worker issued them.
using WorkerStreams = std::map<int, std::vector<profileseam::Recorded>>;

inline WorkerStreams ByWorker(const std::vector<profileseam::Recorded>& recorded) {
    WorkerStreams perWorker;
    for (const auto& r : recorded) perWorker[r.thread].push_back(r);
    return perWorker;
}

// A run of `milliseconds` on an open test file, recorded.
inline std::pair<RunTally, std::vector<profileseam::Recorded>> RecordedRun(
    IoEngine engine, int fd, const ProfileTest& test, Direction direction, int milliseconds,
    uint64_t streamStart = 42) {
    static const std::atomic<bool> never{false};
    profileseam::Take();
    RunJob job{fd,          QStringLiteral("test file"),     test,  direction, kFileBytes,
               streamStart, int64_t(milliseconds) * 1000000, &never};
    RunTally tally = RunWorkers(engine, job);
    return {tally, profileseam::Take()};
}

inline QStringList ProfileFilesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("DraveloProfile*")}, QDir::Files | QDir::Hidden);
}

}  // namespace profiletest
