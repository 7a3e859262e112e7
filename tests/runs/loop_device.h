// A small ext4 file system on a loop device with a chosen sector size, mounted for one test and
// removed afterwards. Needs root and the loop driver; `skipReason()` says why it is not there.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class LoopFileSystem {
  public:
    explicit LoopFileSystem(int sectorSize) {
        if (::geteuid() != 0) {
            skipReason_ = "a loop device needs root";
            return;
        }
        const QString image = images_.filePath("ext4.img");
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(32 << 20)) {
            skipReason_ = "no room for the file system's image";
            return;
        }
        file.close();
        if (!Run("losetup",
                 {"--find", "--show", "--sector-size", QString::number(sectorSize), image},
                 &device_))
            return;
        if (!Run("mkfs.ext4", {"-q", device_})) return;
        mounted_ =
            ::mount(QFile::encodeName(device_).constData(),
                    QFile::encodeName(mountPoint_.path()).constData(), "ext4", 0, nullptr) == 0;
        if (!mounted_) skipReason_ = "mounting the loop device was refused";
    }

    ~LoopFileSystem() {
        if (mounted_) ::umount2(QFile::encodeName(mountPoint_.path()).constData(), 0);
        if (!device_.isEmpty()) Run("losetup", {"-d", device_});
    }

    bool mounted() const { return mounted_; }
    std::string skipReason() const { return skipReason_; }
    QString path() const { return mountPoint_.path() + u'/'; }

  private:
    bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            skipReason_ = (program + " was refused: " + process.readAllStandardError().trimmed() +
                           process.errorString())
                              .toStdString();
            return false;
        }
        if (output) *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        return true;
    }

    QTemporaryDir images_;
    QTemporaryDir mountPoint_;
    QString device_;
    bool mounted_ = false;
    std::string skipReason_;
};
