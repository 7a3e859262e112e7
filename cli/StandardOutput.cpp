#include "StandardOutput.h"

#include <cerrno>
#include <cstdio>

namespace standardoutput {
namespace {

int firstError = 0;

}  // namespace

void Write(const QByteArray& bytes) {
    errno = 0;
    const size_t written =
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    const bool failed = written != static_cast<size_t>(bytes.size()) || std::fflush(stdout) != 0;
    if (failed && firstError == 0) firstError = errno != 0 ? errno : EIO;
}

int FirstError() {
    return firstError;
}

}  // namespace standardoutput
