// A short SEQ1M Q32T1 read and write on a 32 MiB test file in FOLDER, for the registered-buffer
// test: prints "completed registered=1" when the ring's buffers were registered, "=0" when the
// transfers took unregistered ones, or the failure.
#include <cstdio>

#include "ProfileRun.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    ProfileSettings settings;
    settings.tests = {{AccessPattern::Sequential, 1 << 20, 32, 1, 1}};
    settings.fileBytes = 32 << 20;
    settings.runs = 1;
    settings.secondsPerRun = 1;
    const std::atomic<bool> never{false};
    const ProfileReport report = RunProfile(settings, QString::fromLocal8Bit(argv[1]), {}, never);
    if (report.outcome != ProfileOutcome::Completed || report.tests.empty()) {
        std::printf("failed: %s\n", qPrintable(report.failure));
        return 1;
    }
    std::printf("completed registered=%d\n", report.registeredBuffers ? 1 : 0);
    return 0;
}
