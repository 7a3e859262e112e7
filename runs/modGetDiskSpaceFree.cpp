#include "modGetDiskSpaceFree.h"

#include <sys/statvfs.h>

#include <QFile>
#include <cstdint>

namespace {

// One step of the chain: the count in the text divided by 1024, truncated. A text that is not a
// count reads as 0.
QString DivideBy1024(const QString& count) {
    bool ok = false;
    const qint64 value = count.toLongLong(&ok);
    if (!ok || value == 0) return QStringLiteral("0");
    return QString::number(value / 1024);
}

}  // namespace

QString FreeSpaceBytes(const QString& path) {
    // An empty path asks about the volume of the current folder.
    const QByteArray name = path.isEmpty() ? QByteArray(".") : QFile::encodeName(path);
    struct statvfs info {};
    if (::statvfs(name.constData(), &info) != 0) return QStringLiteral("0");
    // f_bavail: the blocks an ordinary user may still fill, without the part kept for root.
    int64_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<uint64_t>(info.f_bavail),
                               static_cast<uint64_t>(info.f_frsize), &bytes)) {
        return QStringLiteral("0");
    }
    return QString::number(bytes);
}

QString FreeSpaceKB(const QString& path) {
    return DivideBy1024(FreeSpaceBytes(path));
}

QString FreeSpaceMB(const QString& path) {
    return DivideBy1024(FreeSpaceKB(path));
}
