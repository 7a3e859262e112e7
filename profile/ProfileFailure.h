// A failure of a drive profile as a value: what failed and the system's reason, with the file
// and the offset where a request failed. The profile's controller catches it, removes the test
// file and reports the message; nothing else of the profile throws.
#pragma once

#include <QString>
#include <cerrno>
#include <cstring>

struct ProfileFailure {
    QString message;
};

// "call path: reason" for a failed system call, from the error number it gave.
inline ProfileFailure SystemFailure(const char* call, const QString& path, int error) {
    return {QStringLiteral("%1 %2: %3")
                .arg(QLatin1String(call), path, QString::fromLocal8Bit(std::strerror(error)))};
}
