#include "ProfileRun.h"

#include <unistd.h>

#include <algorithm>
#include <thread>

#include "FolderLock.h"
#include "IoWorkers.h"
#include "ProfileFailure.h"
#include "ProfileFile.h"

namespace {

constexpr double kGiB = 1024.0 * 1024 * 1024;
constexpr uint64_t kProfileStreamStart = 0xd7a7e10ULL;

RunFigures FiguresOf(uint64_t bytes, uint64_t ops, int64_t elapsedNs) {
    const double seconds = static_cast<double>(elapsedNs) / 1e9;
    return {bytes / 1e6 / seconds, bytes / 1048576.0 / seconds, ops / seconds};
}

// Waits `seconds` or until stopped, whichever comes first.
void Pause(int32_t seconds, const std::atomic<bool>& stop) {
    const int64_t end = MonotonicNs() + int64_t(seconds) * 1000000000;
    while (!stop.load() && MonotonicNs() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

struct Accumulated {
    DirectionFigures figures;
    double cpuSeconds = 0;
    uint64_t bytes = 0;
};

class Profile {
  public:
    Profile(const ProfileSettings& settings, const ProfileObserver& observer,
            const std::atomic<bool>& stop, ProfileFile& file, IoEngine engine)
        : settings_(settings), observer_(observer), stop_(stop), file_(file), engine_(engine) {}

    // Runs test `index`; false when stopped before it completed.
    bool RunTest(int index, ProfileReport& report) {
        const ProfileTest& test = settings_.tests[index];
        const std::vector<Direction> directions =
            test.Mixed() ? std::vector{Direction::Mixed}
                         : std::vector{Direction::Read, Direction::Write};
        ProfileTestResult result{test, std::nullopt, std::nullopt};
        Accumulated read, write;
        const int steps = settings_.runs * static_cast<int>(directions.size());
        int step = 0;
        for (Direction direction : directions) {
            for (int run = 0; run < settings_.runs; ++run, ++step) {
                if (observer_.progress) observer_.progress(index, 100 * step / steps);
                const bool readMeasured = direction != Direction::Write;
                const bool writeMeasured = direction != Direction::Read;
                if (!TimedRun(index, run, direction, readMeasured ? &read : nullptr,
                              writeMeasured ? &write : nullptr, report))
                    return false;
            }
        }
        if (read.bytes) result.read = Finish(read);
        if (write.bytes) result.write = Finish(write);
        if (observer_.progress) observer_.progress(index, 100);
        report.tests.push_back(result);
        if (observer_.testDone) observer_.testDone(result);
        return true;
    }

  private:
    bool TimedRun(int index, int run, Direction direction, Accumulated* read, Accumulated* write,
                  ProfileReport& report) {
        const ProfileTest& test = settings_.tests[index];
        file_.DropCachedPages();
        RunJob job{file_.Descriptor(),
                   file_.Path(),
                   test,
                   direction,
                   file_.Bytes(),
                   kProfileStreamStart ^ (uint64_t(index) << 40) ^ (uint64_t(run) << 20) ^
                       uint64_t(direction),
                   int64_t(settings_.secondsPerRun) * 1000000000,
                   &stop_};
        RunTally tally = RunWorkers(engine_, job);
        if (!tally.failure.isEmpty()) throw ProfileFailure{tally.failure};
        // Buffered writes are done when they reach the drive, not the cache.
        if (!file_.Direct() && tally.writeOps) {
            const double cpuBefore = ProcessCpuSeconds();
            const int64_t before = MonotonicNs();
            if (::fdatasync(file_.Descriptor()) != 0)
                throw SystemFailure("fdatasync", file_.Path(), errno);
            tally.elapsedNs += MonotonicNs() - before;
            tally.cpuSeconds += ProcessCpuSeconds() - cpuBefore;
        }
        const double cpu = tally.cpuSeconds;
        report.registeredBuffers = report.registeredBuffers && tally.registeredBuffers;
        // A stopped run is cut short: none of its figures count.
        if (stop_.load() || tally.elapsedNs <= 0) return false;
        const uint64_t bytes = tally.readBytes + tally.writeBytes;
        const auto add = [&](Accumulated* into, uint64_t b, uint64_t ops,
                             const LatencyHistogram& latency) {
            if (!into) return;
            into->figures.runs.push_back(FiguresOf(b, ops, tally.elapsedNs));
            into->figures.latency.Merge(latency);
            into->bytes += b;
            // A mixed run's CPU time is shared by its reads and writes by their bytes.
            into->cpuSeconds += bytes ? cpu * (double(b) / double(bytes)) : 0;
        };
        add(read, tally.readBytes, tally.readOps, tally.readLatency);
        add(write, tally.writeBytes, tally.writeOps, tally.writeLatency);
        return true;
    }

    static DirectionFigures Finish(Accumulated& accumulated) {
        SummariseRuns(accumulated.figures);
        accumulated.figures.cpuSecondsPerGiB = accumulated.cpuSeconds / (accumulated.bytes / kGiB);
        return accumulated.figures;
    }

    const ProfileSettings& settings_;
    const ProfileObserver& observer_;
    const std::atomic<bool>& stop_;
    ProfileFile& file_;
    IoEngine engine_;
};

void Log(const ProfileObserver& observer, const QString& line) {
    if (observer.log) observer.log(line);
}

}  // namespace

void SummariseRuns(DirectionFigures& figures) {
    if (figures.runs.empty()) return;
    const auto summarise = [&](double RunFigures::*member) {
        std::vector<double> values;
        for (const RunFigures& run : figures.runs) values.push_back(run.*member);
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        figures.min.*member = values.front();
        figures.max.*member = values.back();
        figures.median.*member = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    summarise(&RunFigures::MBps);
    summarise(&RunFigures::MiBps);
    summarise(&RunFigures::IOPS);
}

ProfileReport RunProfile(const ProfileSettings& settings, const QString& folder,
                         const ProfileObserver& observer, const std::atomic<bool>& stop) {
    ProfileReport report;
    const EngineChoice choice = ChooseEngine();
    report.engine = QLatin1String(EngineName(choice.engine));
    report.engineReason = choice.reason;
    report.fileBytes = settings.fileBytes;
    report.runs = settings.runs;
    report.secondsPerRun = settings.secondsPerRun;
    report.registeredBuffers = choice.engine == IoEngine::IoUring;
    // Held until the file is gone, so that no other run writes or deletes beside this one. A
    // folder whose file system takes no locks is tested all the same.
    const FolderLock lock(folder);
    report.folderLock = lock.State();
    report.folderLockReason = lock.Reason();
    if (lock.State() == FolderLockState::InUse) {
        report.outcome = ProfileOutcome::Failed;
        report.failure = QStringLiteral("%1: in use by another Dravelo run").arg(folder);
        Log(observer, report.failure);
        return report;
    }
    try {
        ProfileFile file(folder, settings.fileBytes, settings.cacheBypass);
        report.filePath = file.Path();
        report.fileRemoved = false;
        try {
            Log(observer, file.Path());
            if (!file.LayOut(stop)) {
                report.outcome = ProfileOutcome::Stopped;
            } else {
                report.laidOut = true;
                report.cacheBypass = file.Direct();
                report.bufferedReason = file.BufferedReason();
                Profile profile(settings, observer, stop, file, choice.engine);
                for (int i = 0; i < int(settings.tests.size()); ++i) {
                    if (i > 0) Pause(settings.pauseSeconds, stop);
                    if (stop.load() || !profile.RunTest(i, report)) {
                        report.outcome = ProfileOutcome::Stopped;
                        break;
                    }
                }
            }
        } catch (const ProfileFailure& failure) {
            report.outcome = ProfileOutcome::Failed;
            report.failure = failure.message;
        } catch (const std::exception& failure) {
            // No memory for the buffers, or no more threads for the workers.
            report.outcome = ProfileOutcome::Failed;
            report.failure = QString::fromLocal8Bit(failure.what());
        }
        report.fileRemoved = file.Remove();
    } catch (const ProfileFailure& failure) {
        report.outcome = ProfileOutcome::Failed;
        report.failure = failure.message;
    }
    if (report.outcome == ProfileOutcome::Failed) Log(observer, report.failure);
    return report;
}
