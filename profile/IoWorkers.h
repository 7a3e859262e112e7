// The workers that keep a test's requests in flight for one timed run: with io_uring one ring
// per thread holding `depth` requests; without it threads × depth threads each doing pread or
// pwrite. Each worker hands the next request of its one stream to whichever request completes
// first. Workers never pump events and touch nothing but their own tally, so nothing outside
// the run lands in its latencies. Rings, buffers and threads are set up before the timed span
// starts and taken down after it ends.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "LatencyHistogram.h"
#include "RequestStream.h"

enum class IoEngine { IoUring, Threads };

struct EngineChoice {
    IoEngine engine = IoEngine::IoUring;
    QString reason;  // why the threads run, empty for io_uring
};

// io_uring where a ring can be set up here, the threads otherwise, with the system's reason.
EngineChoice ChooseEngine();

const char* EngineName(IoEngine engine);

struct RunJob {
    int fd = -1;
    QString path;  // for failure messages
    ProfileTest test;
    Direction direction = Direction::Read;
    int64_t fileBytes = 0;
    uint64_t streamStart = 0;
    int64_t durationNs = 0;  // from the first request on
    const std::atomic<bool>* stop = nullptr;
};

// What one worker (or, for the threads engine, one thread of a worker) did.
struct WorkerTally {
    uint64_t readOps = 0, writeOps = 0;
    uint64_t readBytes = 0, writeBytes = 0;
    LatencyHistogram readLatency, writeLatency;
    int64_t startNs = 0, endNs = 0;
    bool registeredBuffers = false;
    QString failure;  // empty when every request completed in full
};

struct RunTally {
    uint64_t readOps = 0, writeOps = 0;
    uint64_t readBytes = 0, writeBytes = 0;
    LatencyHistogram readLatency, writeLatency;
    int64_t elapsedNs = 0;
    // User and system time of the whole process (the kernel's io_uring workers included) over
    // the timed span.
    double cpuSeconds = 0;
    bool registeredBuffers = true;
    QString failure;
};

// Runs the job's requests for its duration or until its stop flag, then waits for those in
// flight.
RunTally RunWorkers(IoEngine engine, const RunJob& job);

int64_t MonotonicNs();
// User and system seconds of the whole process so far.
double ProcessCpuSeconds();
