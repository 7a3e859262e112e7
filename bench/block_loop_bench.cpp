// What a block costs: the test phases' write and read calls against the bare system calls, so
// that any overhead the file layer adds to the measured loop shows up here.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "modFile.h"

namespace {

constexpr int kBlocksPerFile = 16 * 1024;  // 16 MB, then the file starts over

void FileWriteThroughCache(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath("1.tst");
    const BlockText block(QString(1022, u'x'));
    int32_t handle = FileCreate(path, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    int blocks = 0;
    for (auto _ : state) {
        if (!FileWrite(handle, block)) state.SkipWithError("write failed");
        if (++blocks == kBlocksPerFile) {
            state.PauseTiming();
            ::lseek(handle - 1, 0, SEEK_SET);
            blocks = 0;
            state.ResumeTiming();
        }
    }
    FileClose(handle, true);
    state.SetBytesProcessed(state.iterations() * block.Length());
}

void BareWriteThroughCache(benchmark::State& state) {
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath("1.tst"));
    alignas(4096) static char buffer[1024];
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int blocks = 0;
    for (auto _ : state) {
        if (::write(fd, buffer, sizeof buffer) != sizeof buffer)
            state.SkipWithError("write failed");
        if (++blocks == kBlocksPerFile) {
            state.PauseTiming();
            ::lseek(fd, 0, SEEK_SET);
            blocks = 0;
            state.ResumeTiming();
        }
    }
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * 1024);
}

void FileReadThroughCache(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath("1.tst");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(kBlocksPerFile * 1024, 'x'));
    }
    int32_t handle = FileOpen(path, OF_READ);
    const char* data = nullptr;
    for (auto _ : state) {
        if (FileRead(handle, data, 1024) != 1024) {
            state.PauseTiming();
            ::lseek(handle - 1, 0, SEEK_SET);
            state.ResumeTiming();
        }
    }
    FileClose(handle, true);
    state.SetBytesProcessed(state.iterations() * 1024);
}

}  // namespace

BENCHMARK(FileWriteThroughCache);
BENCHMARK(BareWriteThroughCache);
BENCHMARK(FileReadThroughCache);
BENCHMARK_MAIN();
