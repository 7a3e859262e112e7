#include "IoWorkers.h"

#include <liburing.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <latch>
#include <thread>

#include "ProfileFailure.h"
#include "ProfileSeam.h"

namespace {

constexpr size_t kBufferAlignment = 4096;
constexpr size_t kHugePage = size_t(2) << 20;

struct AlignedBuffer {
    // Buffers of 1 MiB or more are asked to sit in huge pages where the system has them: a
    // transfer's bytes are then contiguous in memory, so a large request reaches the drive in one
    // piece instead of being split at the device's limit of memory segments.
    explicit AlignedBuffer(size_t bytes) {
        if (bytes > SIZE_MAX / 2) return;
        const bool huge = bytes >= kHugePage / 2;
        const size_t reserved = huge ? (bytes + kHugePage - 1) / kHugePage * kHugePage : bytes;
        if (posix_memalign(&data, huge ? kHugePage : kBufferAlignment, reserved) != 0) {
            data = nullptr;
            return;
        }
        if (huge) ::madvise(data, reserved, MADV_HUGEPAGE);
    }
    ~AlignedBuffer() { std::free(data); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    void* data = nullptr;
};

// Where the workers of one run meet: each is ready once its ring, buffers and thread are set
// up; the timed span starts when all are, and ends when the last has its last completion, so
// that neither the set-up nor the take-down lands in the figures.
struct StartLine {
    explicit StartLine(ptrdiff_t workers) : ready(workers), finished(workers) {}
    std::latch ready;
    std::latch go{1};
    std::latch finished;
    int64_t deadlineNs = 0;  // written before go opens
    bool abandoned = false;  // not every worker could be started: none runs
};

// Counts a worker through the start line in every case, so the run never waits for a worker
// that failed to set up.
class StartLinePass {
  public:
    explicit StartLinePass(StartLine& line) : line_(line) {}
    ~StartLinePass() {
        if (!waited_) Wait();
        line_.finished.count_down();
    }
    // Ready; returns the deadline once the run starts, or 0 when it is abandoned.
    int64_t Wait() {
        waited_ = true;
        line_.ready.count_down();
        line_.go.wait();
        return line_.abandoned ? 0 : line_.deadlineNs;
    }

  private:
    StartLine& line_;
    bool waited_ = false;
};

QString RequestFailure(const RunJob& job, bool write, int64_t offset, int result) {
    const QString call = QLatin1String(write ? "write" : "read");
    if (result < 0)
        return QStringLiteral("%1 %2 at offset %3: %4")
            .arg(call, job.path)
            .arg(offset)
            .arg(QString::fromLocal8Bit(std::strerror(-result)));
    return QStringLiteral("%1 %2 at offset %3: %4 of %5 bytes transferred")
        .arg(call, job.path)
        .arg(offset)
        .arg(result)
        .arg(job.test.blockBytes);
}

bool Stopping(const RunJob& job, int64_t deadlineNs, int64_t now) {
    return now >= deadlineNs || job.stop->load(std::memory_order_relaxed);
}

void Count(WorkerTally& tally, bool write, int64_t bytes, int64_t latencyNs) {
    if (write) {
        ++tally.writeOps;
        tally.writeBytes += bytes;
        tally.writeLatency.Add(static_cast<uint64_t>(latencyNs));
    } else {
        ++tally.readOps;
        tally.readBytes += bytes;
        tally.readLatency.Add(static_cast<uint64_t>(latencyNs));
    }
}

// `count` buffers of `bytes` each, in one allocation, filled with incompressible bytes.
std::unique_ptr<AlignedBuffer> Buffers(size_t bytes, size_t count, uint64_t contentStart) {
    size_t total = 0;
    if (__builtin_mul_overflow(bytes, count, &total)) return nullptr;
    auto buffers = std::make_unique<AlignedBuffer>(total);
    if (!buffers->data) return nullptr;
    SplitMix64 content(contentStart ^ 0x7e57ULL);
    FillRandom(buffers->data, static_cast<int64_t>(total), content);
    return buffers;
}

// A ring whose completions the kernel hands over only when the worker asks for them: the one
// thread that submits also reaps, so it is not interrupted for each completion. Older kernels
// take fewer of these flags.
int SetUpRing(io_uring& ring, unsigned entries) {
    int result = -EINVAL;
    for (const unsigned flags : {unsigned(IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_DEFER_TASKRUN),
                                 unsigned(IORING_SETUP_COOP_TASKRUN), 0u}) {
        result = io_uring_queue_init(entries, &ring, flags);
        if (result != -EINVAL) return result;
    }
    return result;
}

// One ring holding `depth` requests of worker `thread`.
class RingWorker {
  public:
    RingWorker(const RunJob& job, int32_t thread)
        : job_(job),
          thread_(thread),
          stream_(job.test, job.fileBytes, thread, WorkerStreamStart(job.streamStart, thread)) {}
    ~RingWorker() {
        if (ringReady_) io_uring_queue_exit(&ring_);
    }
    RingWorker(const RingWorker&) = delete;
    RingWorker& operator=(const RingWorker&) = delete;

    void Run(StartLine& line, WorkerTally& tally) {
        StartLinePass pass(line);
        bool prepared = false;
        try {
            prepared = Prepare(tally);
        } catch (const std::bad_alloc&) {
            tally.failure = SystemFailure("io_uring buffers", job_.path, ENOMEM).message;
        }
        const int64_t deadlineNs = pass.Wait();
        if (prepared && deadlineNs) Loop(tally, deadlineNs);
    }

  private:
    struct Slot {
        void* data = nullptr;
        Request request;
        int64_t submittedNs = 0;
    };

    bool Prepare(WorkerTally& tally) {
        const int depth = job_.test.depth;
        const int result = SetUpRing(ring_, static_cast<unsigned>(depth));
        if (result < 0) {
            tally.failure = SystemFailure("io_uring_queue_init", job_.path, -result).message;
            return false;
        }
        ringReady_ = true;
        const size_t bytes = static_cast<size_t>(job_.test.blockBytes);
        buffers_ = Buffers(bytes, static_cast<size_t>(depth),
                           job_.streamStart ^ static_cast<uint64_t>(thread_));
        if (!buffers_) {
            tally.failure = SystemFailure("posix_memalign", job_.path, ENOMEM).message;
            return false;
        }
        completions_.resize(size_t(depth));
        std::vector<iovec> vectors;
        for (int s = 0; s < depth; ++s) {
            void* data = static_cast<char*>(buffers_->data) + size_t(s) * bytes;
            slots_.push_back({data, {}, 0});
            vectors.push_back({data, bytes});
        }
        // Pinned buffers count against the locked-memory limit (8 MiB for an ordinary user);
        // beyond it the transfers simply take unregistered buffers.
        registered_ = io_uring_register_buffers(&ring_, vectors.data(), vectors.size()) == 0;
        fixedFile_ = io_uring_register_files(&ring_, &job_.fd, 1) == 0;
        tally.registeredBuffers = registered_;
        return true;
    }

    // Puts the stream's next request into slot `s`; the next submission sends it.
    void Queue(int s, int64_t now, [[maybe_unused]] int inFlight) {
        Slot& slot = slots_[s];
        [[maybe_unused]] const uint64_t index = issued_++;
        slot.request = stream_.At(index, job_.direction);
        slot.submittedNs = now;
        io_uring_sqe* sqe = io_uring_get_sqe(&ring_);
        const int fd = fixedFile_ ? 0 : job_.fd;
        const unsigned bytes = static_cast<unsigned>(job_.test.blockBytes);
        const uint64_t offset = static_cast<uint64_t>(slot.request.offset);
        if (slot.request.write) {
            if (registered_)
                io_uring_prep_write_fixed(sqe, fd, slot.data, bytes, offset, s);
            else
                io_uring_prep_write(sqe, fd, slot.data, bytes, offset);
        } else {
            if (registered_)
                io_uring_prep_read_fixed(sqe, fd, slot.data, bytes, offset, s);
            else
                io_uring_prep_read(sqe, fd, slot.data, bytes, offset);
        }
        if (fixedFile_) sqe->flags |= IOSQE_FIXED_FILE;
        io_uring_sqe_set_data64(sqe, static_cast<uint64_t>(s));
        DRAVELO_PROFILE_RECORD(thread_, s, index, slot.request.offset, job_.test.blockBytes,
                               slot.request.write, inFlight);
    }

    // Each freed slot takes the stream's next request and sends it at once, before the next
    // completion is looked at, as fio does. Sending the refills of a whole batch of completions
    // in one call takes fewer system calls, but a virtio drive then gets its requests in bursts
    // and idles between them: at depth 32 it answered a fifth fewer random 4 KiB requests.
    // The wait also sends whatever is still queued: the first fill, or a refill the kernel
    // refused to take.
    void Loop(WorkerTally& tally, int64_t deadlineNs) {
        const int depth = job_.test.depth;
        int64_t now = MonotonicNs();
        tally.startNs = now;
        int inFlight = 0;
        bool failed = false;
        for (int s = 0; s < depth; ++s) Queue(s, now, ++inFlight);
        while (inFlight > 0) {
            const int waited = io_uring_submit_and_wait(&ring_, 1);
            if (waited < 0 && waited != -EINTR) {
                tally.failure =
                    SystemFailure("io_uring_submit_and_wait", job_.path, -waited).message;
                break;
            }
            // Only the completions present now: a refill that completes as it is sent (a file
            // in memory) waits for the next round, with a clock reading after it.
            const unsigned ready =
                io_uring_peek_batch_cqe(&ring_, completions_.data(), unsigned(depth));
            now = MonotonicNs();
            const bool refill = !Stopping(job_, deadlineNs, now);
            for (unsigned c = 0; c < ready; ++c) {
                --inFlight;
                const io_uring_cqe* cqe = completions_[c];
                const int s = static_cast<int>(io_uring_cqe_get_data64(cqe));
                const Slot& slot = slots_[s];
                if (cqe->res != job_.test.blockBytes) {
                    if (!failed)
                        tally.failure =
                            RequestFailure(job_, slot.request.write, slot.request.offset, cqe->res);
                    failed = true;
                    continue;
                }
                Count(tally, slot.request.write, cqe->res, now - slot.submittedNs);
                if (!refill || failed) continue;
                Queue(s, MonotonicNs(), ++inFlight);
                const int sent = io_uring_submit(&ring_);
                if (sent < 0 && sent != -EINTR) {
                    tally.failure = SystemFailure("io_uring_submit", job_.path, -sent).message;
                    failed = true;
                }
            }
            io_uring_cq_advance(&ring_, ready);
        }
        tally.endNs = now;
    }

    const RunJob& job_;
    int32_t thread_;
    RequestStream stream_;
    uint64_t issued_ = 0;
    io_uring ring_{};
    bool ringReady_ = false;
    std::unique_ptr<AlignedBuffer> buffers_;
    std::vector<Slot> slots_;
    std::vector<io_uring_cqe*> completions_;
    bool registered_ = false;
    bool fixedFile_ = false;
};

// The requests of one worker of the threads engine: its `depth` threads take the numbers of
// its one stream in turn, and `inFlight` shows the depth reached as with a ring.
struct ThreadsShare {
    RequestStream stream;
    std::atomic<uint64_t> issued{0};
    std::atomic<int> inFlight{0};
};

// One blocking thread of worker `thread`, one request at a time.
void ThreadSlot(const RunJob& job, int32_t thread, int32_t slot, ThreadsShare& share,
                StartLine& line, WorkerTally& tally) {
    StartLinePass pass(line);
    const size_t bytes = static_cast<size_t>(job.test.blockBytes);
    const std::unique_ptr<AlignedBuffer> buffer =
        Buffers(bytes, 1, job.streamStart ^ uint64_t(thread) ^ (uint64_t(slot) << 20));
    if (!buffer) tally.failure = SystemFailure("posix_memalign", job.path, ENOMEM).message;
    const int64_t deadlineNs = pass.Wait();
    if (!buffer || !deadlineNs) return;
    int64_t now = MonotonicNs();
    tally.startNs = now;
    while (!Stopping(job, deadlineNs, now)) {
        const uint64_t index = share.issued.fetch_add(1, std::memory_order_relaxed);
        const Request request = share.stream.At(index, job.direction);
        [[maybe_unused]] const int depth =
            share.inFlight.fetch_add(1, std::memory_order_relaxed) + 1;
        DRAVELO_PROFILE_RECORD(thread, slot, index, request.offset, job.test.blockBytes,
                               request.write, depth);
        const int64_t started = MonotonicNs();
        ssize_t done;
        do {
            done = request.write ? ::pwrite(job.fd, buffer->data, bytes, request.offset)
                                 : ::pread(job.fd, buffer->data, bytes, request.offset);
        } while (done < 0 && errno == EINTR);
        now = MonotonicNs();
        share.inFlight.fetch_sub(1, std::memory_order_relaxed);
        if (done != static_cast<ssize_t>(bytes)) {
            tally.failure = RequestFailure(job, request.write, request.offset,
                                           done < 0 ? -errno : static_cast<int>(done));
            break;
        }
        Count(tally, request.write, done, now - started);
    }
    tally.endNs = now;
}

RunTally Combine(std::vector<WorkerTally>& tallies) {
    RunTally run;
    int64_t start = INT64_MAX, end = 0;
    for (const WorkerTally& t : tallies) {
        run.readOps += t.readOps;
        run.writeOps += t.writeOps;
        run.readBytes += t.readBytes;
        run.writeBytes += t.writeBytes;
        run.readLatency.Merge(t.readLatency);
        run.writeLatency.Merge(t.writeLatency);
        run.registeredBuffers = run.registeredBuffers && t.registeredBuffers;
        if (run.failure.isEmpty()) run.failure = t.failure;
        if (t.startNs) start = std::min(start, t.startNs);
        end = std::max(end, t.endNs);
    }
    run.elapsedNs = start < end ? end - start : 0;
    return run;
}

// Starts one thread per worker (and per request slot for the threads engine).
void StartWorkers(IoEngine engine, const RunJob& job, StartLine& line,
                  std::vector<WorkerTally>& tallies,
                  std::vector<std::unique_ptr<ThreadsShare>>& shares,
                  std::vector<std::jthread>& workers) {
    const int threads = job.test.threads;
    const int depth = job.test.depth;
    for (int t = 0; t < threads; ++t) {
        if (engine == IoEngine::IoUring) {
            workers.emplace_back(
                [&job, &line, &tallies, t] { RingWorker(job, t).Run(line, tallies[t]); });
            continue;
        }
        ThreadsShare& share = *shares.emplace_back(std::make_unique<ThreadsShare>(
            RequestStream(job.test, job.fileBytes, t, WorkerStreamStart(job.streamStart, t))));
        for (int s = 0; s < depth; ++s)
            workers.emplace_back([&job, &line, &tallies, &share, t, s, depth] {
                ThreadSlot(job, t, s, share, line, tallies[t * depth + s]);
            });
    }
}

}  // namespace

int64_t MonotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

const char* EngineName(IoEngine engine) {
    return engine == IoEngine::IoUring ? "io_uring" : "threads";
}

EngineChoice ChooseEngine() {
#ifdef DRAVELO_PROFILE_SEAM
    if (profileseam::ThreadsForced())
        return {IoEngine::Threads, QStringLiteral("DRAVELO_PROFILE_ENGINE=threads")};
#endif
    io_uring ring{};
    const int result = io_uring_queue_init(1, &ring, 0);
    if (result < 0)
        return {IoEngine::Threads, QStringLiteral("io_uring_queue_init: %1")
                                       .arg(QString::fromLocal8Bit(std::strerror(-result)))};
    io_uring_queue_exit(&ring);
    return {IoEngine::IoUring, QString()};
}

RunTally RunWorkers(IoEngine engine, const RunJob& job) {
    const int workerCount =
        engine == IoEngine::IoUring ? job.test.threads : job.test.threads * job.test.depth;
    std::vector<WorkerTally> tallies(static_cast<size_t>(workerCount));
    std::vector<std::unique_ptr<ThreadsShare>> shares;
    StartLine line(workerCount);
    double cpuSeconds = 0;
    {
        std::vector<std::jthread> workers;
        try {
            StartWorkers(engine, job, line, tallies, shares, workers);
        } catch (...) {
            // The threads started wait at the start line: let them go without running.
            line.abandoned = true;
            line.go.count_down();
            throw;
        }
        line.ready.wait();
        const double cpuBefore = ProcessCpuSeconds();
        line.deadlineNs = MonotonicNs() + job.durationNs;
        line.go.count_down();
        line.finished.wait();
        cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    }
    RunTally run = Combine(tallies);
    run.cpuSeconds = cpuSeconds;
    return run;
}
