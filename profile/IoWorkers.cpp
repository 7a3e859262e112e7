#include "IoWorkers.h"

#include <liburing.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ProfileFailure.h"
#include "ProfileSeam.h"

namespace {

constexpr size_t kBufferAlignment = 4096;

struct AlignedBuffer {
    explicit AlignedBuffer(size_t bytes) {
        if (posix_memalign(&data, kBufferAlignment, bytes) != 0) data = nullptr;
    }
    ~AlignedBuffer() { std::free(data); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    void* data = nullptr;
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

bool Stopping(const RunJob& job, int64_t now) {
    return now >= job.deadlineNs || job.stop->load(std::memory_order_relaxed);
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

// One ring holding `depth` requests of worker `thread`.
class RingWorker {
  public:
    RingWorker(const RunJob& job, int32_t thread) : job_(job), thread_(thread) {}

    void Run(WorkerTally& tally) {
        const int depth = job_.test.depth;
        const int result = io_uring_queue_init(static_cast<unsigned>(depth), &ring_, 0);
        if (result < 0) {
            tally.failure = SystemFailure("io_uring_queue_init", job_.path, -result).message;
            return;
        }
        if (!PrepareSlots(tally)) {
            io_uring_queue_exit(&ring_);
            return;
        }
        Loop(tally);
        io_uring_queue_exit(&ring_);
    }

  private:
    struct Slot {
        std::unique_ptr<AlignedBuffer> buffer;
        RequestStream stream;
        Request request;
        int64_t submittedNs = 0;
    };

    bool PrepareSlots(WorkerTally& tally) {
        const int depth = job_.test.depth;
        const size_t bytes = static_cast<size_t>(job_.test.blockBytes);
        std::vector<iovec> vectors;
        SplitMix64 content(job_.streamStart ^ 0x7e57ULL ^ static_cast<uint64_t>(thread_));
        for (int s = 0; s < depth; ++s) {
            Slot slot{std::make_unique<AlignedBuffer>(bytes),
                      RequestStream(job_.test, job_.fileBytes, thread_, s,
                                    SlotStreamStart(job_.streamStart, thread_, s)),
                      {},
                      0};
            if (!slot.buffer->data) {
                tally.failure = SystemFailure("posix_memalign", job_.path, ENOMEM).message;
                return false;
            }
            FillRandom(slot.buffer->data, static_cast<int64_t>(bytes), content);
            vectors.push_back({slot.buffer->data, bytes});
            slots_.push_back(std::move(slot));
        }
        // Pinned buffers count against the locked-memory limit (8 MiB for an ordinary user);
        // beyond it the transfers simply take unregistered buffers.
        registered_ = io_uring_register_buffers(&ring_, vectors.data(), vectors.size()) == 0;
        fixedFile_ = io_uring_register_files(&ring_, &job_.fd, 1) == 0;
        tally.registeredBuffers = registered_;
        return true;
    }

    void Submit(int s, int64_t now, [[maybe_unused]] int inFlight) {
        Slot& slot = slots_[s];
        slot.request = slot.stream.Next(job_.direction);
        slot.submittedNs = now;
        io_uring_sqe* sqe = io_uring_get_sqe(&ring_);
        const int fd = fixedFile_ ? 0 : job_.fd;
        const unsigned bytes = static_cast<unsigned>(job_.test.blockBytes);
        void* data = slot.buffer->data;
        const uint64_t offset = static_cast<uint64_t>(slot.request.offset);
        if (slot.request.write) {
            if (registered_)
                io_uring_prep_write_fixed(sqe, fd, data, bytes, offset, s);
            else
                io_uring_prep_write(sqe, fd, data, bytes, offset);
        } else {
            if (registered_)
                io_uring_prep_read_fixed(sqe, fd, data, bytes, offset, s);
            else
                io_uring_prep_read(sqe, fd, data, bytes, offset);
        }
        if (fixedFile_) sqe->flags |= IOSQE_FIXED_FILE;
        io_uring_sqe_set_data64(sqe, static_cast<uint64_t>(s));
        DRAVELO_PROFILE_RECORD(thread_, s, slot.request.offset, job_.test.blockBytes,
                               slot.request.write, inFlight);
    }

    void Loop(WorkerTally& tally) {
        const int depth = job_.test.depth;
        int64_t now = MonotonicNs();
        tally.startNs = now;
        int inFlight = 0;
        for (int s = 0; s < depth; ++s) Submit(s, now, ++inFlight);
        while (inFlight > 0) {
            const int waited = io_uring_submit_and_wait(&ring_, 1);
            if (waited < 0 && waited != -EINTR) {
                tally.failure =
                    SystemFailure("io_uring_submit_and_wait", job_.path, -waited).message;
                break;
            }
            now = MonotonicNs();
            unsigned head;
            unsigned seen = 0;
            io_uring_cqe* cqe;
            io_uring_for_each_cqe(&ring_, head, cqe) {
                ++seen;
                --inFlight;
                const int s = static_cast<int>(io_uring_cqe_get_data64(cqe));
                const Slot& slot = slots_[s];
                if (cqe->res != job_.test.blockBytes) {
                    if (tally.failure.isEmpty())
                        tally.failure =
                            RequestFailure(job_, slot.request.write, slot.request.offset, cqe->res);
                    continue;
                }
                Count(tally, slot.request.write, cqe->res, now - slot.submittedNs);
                if (tally.failure.isEmpty() && !Stopping(job_, now)) Submit(s, now, ++inFlight);
            }
            io_uring_cq_advance(&ring_, seen);
        }
        tally.endNs = now;
    }

    const RunJob& job_;
    int32_t thread_;
    io_uring ring_{};
    std::vector<Slot> slots_;
    bool registered_ = false;
    bool fixedFile_ = false;
};

// One slot of worker `thread`, one blocking call at a time; `inFlight` is shared by the slots
// of the worker, so that the depth reached can be seen as with the ring.
void ThreadSlot(const RunJob& job, int32_t thread, int32_t slot, std::atomic<int>& inFlight,
                WorkerTally& tally) {
    const size_t bytes = static_cast<size_t>(job.test.blockBytes);
    AlignedBuffer buffer(bytes);
    if (!buffer.data) {
        tally.failure = SystemFailure("posix_memalign", job.path, ENOMEM).message;
        return;
    }
    SplitMix64 content(job.streamStart ^ 0x7e57ULL ^ static_cast<uint64_t>(thread) ^
                       (uint64_t(slot) << 20));
    FillRandom(buffer.data, static_cast<int64_t>(bytes), content);
    RequestStream stream(job.test, job.fileBytes, thread, slot,
                         SlotStreamStart(job.streamStart, thread, slot));
    int64_t now = MonotonicNs();
    tally.startNs = now;
    while (!Stopping(job, now)) {
        const Request request = stream.Next(job.direction);
        [[maybe_unused]] const int depth = inFlight.fetch_add(1, std::memory_order_relaxed) + 1;
        DRAVELO_PROFILE_RECORD(thread, slot, request.offset, job.test.blockBytes, request.write,
                               depth);
        const int64_t started = MonotonicNs();
        ssize_t done;
        do {
            done = request.write ? ::pwrite(job.fd, buffer.data, bytes, request.offset)
                                 : ::pread(job.fd, buffer.data, bytes, request.offset);
        } while (done < 0 && errno == EINTR);
        now = MonotonicNs();
        inFlight.fetch_sub(1, std::memory_order_relaxed);
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

}  // namespace

int64_t MonotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
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
    const int threads = job.test.threads;
    const int depth = job.test.depth;
    std::vector<WorkerTally> tallies(
        static_cast<size_t>(engine == IoEngine::IoUring ? threads : threads * depth));
    std::vector<std::atomic<int>> inFlight(static_cast<size_t>(threads));
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t) {
            if (engine == IoEngine::IoUring) {
                workers.emplace_back([&job, &tallies, t] { RingWorker(job, t).Run(tallies[t]); });
                continue;
            }
            for (int s = 0; s < depth; ++s)
                workers.emplace_back([&job, &tallies, &inFlight, t, s, depth] {
                    ThreadSlot(job, t, s, inFlight[t], tallies[t * depth + s]);
                });
        }
    }
    return Combine(tallies);
}
