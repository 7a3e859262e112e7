#include "FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <utility>

#include "modFile.h"

FolderLock::FolderLock(const QString& folder) {
    // Read-only and the folder itself: a folder's descriptor can carry an flock, while a
    // descriptor opened only for its path cannot.
    fd_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        failedCall_ = "open";
        state_ = FolderLockState::Unavailable;
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = FolderLockState::Held;
        return;
    }
    error_ = errno;
    failedCall_ = "flock";
    state_ = error_ == EWOULDBLOCK ? FolderLockState::InUse : FolderLockState::Unavailable;
    ::close(std::exchange(fd_, -1));
}

FolderLock::~FolderLock() {
    Release();
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      state_(std::exchange(other.state_, FolderLockState::NotHeld)),
      error_(std::exchange(other.error_, 0)),
      failedCall_(std::exchange(other.failedCall_, nullptr)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this == &other) return *this;
    Release();
    fd_ = std::exchange(other.fd_, -1);
    state_ = std::exchange(other.state_, FolderLockState::NotHeld);
    error_ = std::exchange(other.error_, 0);
    failedCall_ = std::exchange(other.failedCall_, nullptr);
    return *this;
}

QString FolderLock::Reason() const {
    if (!failedCall_) return QString();
    return QString::fromLatin1(failedCall_) + QStringLiteral(": ") + EnglishErrorText(error_);
}

void FolderLock::Release() {
    // Closing the only descriptor of the open folder ends the lock.
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (state_ == FolderLockState::Held) state_ = FolderLockState::NotHeld;
}
