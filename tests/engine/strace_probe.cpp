// Runs one single write phase of 1 file × 1 MB in the folder given, for tracing its system calls.
// Usage: strace_probe FOLDER [cached]
#include <QCoreApplication>

#include "TestPhases.h"
#include "modLang.h"
#include "recording_host.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    LoadLanguage(QStringLiteral("/nonexistent"));
    RecordingHost host;
    host.disableCaching = !(argc > 2 && QByteArray(argv[2]) == "cached");
    TestPhases phases(host);
    int32_t nFiles = 1, sizeMB = 1;
    QString folder = QString::fromLocal8Bit(argv[1]) + u'/';
    // A phase too short for the millisecond clock fails, but it has written and timed its file.
    const bool ok = phases.SingleWriteTest(nFiles, sizeMB, folder);
    return ok || phases.LastMeasurement().fileMilliseconds.size() == 1 ? 0 : 1;
}
