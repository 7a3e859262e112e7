// Test folders on real file systems: a temporary folder, and, when the tests run as root, a tiny
// tmpfs or a read-only bind mount that the test mounts itself and removes afterwards.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TempFolder {
  public:
    // The folder with its trailing separator, as the phases take it.
    QString path() const { return dir_.path() + u'/'; }
    QString file(const QString& name) const { return dir_.filePath(name); }
    qint64 size(const QString& name) const { return QFileInfo(file(name)).size(); }
    bool exists(const QString& name) const { return QFileInfo::exists(file(name)); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile out(file(name));
        if (out.open(QIODevice::WriteOnly)) out.write(bytes);
    }

  private:
    QTemporaryDir dir_;
};

// A mount made for one test; unmounted when the test ends.
class TestMount {
  public:
    static bool Possible() { return ::geteuid() == 0; }

    // A tmpfs of the given size in bytes.
    explicit TestMount(qint64 bytes) {
        const QByteArray options = "size=" + QByteArray::number(bytes);
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0,
                           options.constData()) == 0;
    }

    // A read-only view of another folder.
    explicit TestMount(const QString& source) {
        const QByteArray target = QFile::encodeName(dir_.path());
        const QByteArray from = QFile::encodeName(source);
        mounted_ = ::mount(from.constData(), target.constData(), nullptr, MS_BIND, nullptr) == 0;
        if (mounted_ && ::mount(nullptr, target.constData(), nullptr,
                                MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            ::umount2(target.constData(), MNT_DETACH);
            mounted_ = false;
        }
    }

    ~TestMount() {
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path() + u'/'; }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// Makes a file undeletable even for root (the immutable attribute of ext4 and similar file
// systems), or deletable again. False where the file system or the user cannot do it.
inline bool SetImmutable(const QString& path, bool immutable) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// Keeps a file undeletable for the lifetime of the guard.
class ImmutableFile {
  public:
    explicit ImmutableFile(const QString& path) : path_(path), set_(SetImmutable(path, true)) {}
    ~ImmutableFile() {
        if (set_) SetImmutable(path_, false);
    }
    bool set() const { return set_; }

  private:
    QString path_;
    bool set_;
};
