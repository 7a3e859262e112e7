// A run's hold on the folder it tests, so that a second run (in this process or another, by
// the same user or another) neither writes nor deletes the first run's files. It is an
// exclusive flock on the folder's own descriptor rather than a file in the folder: nothing is
// left behind, and the system releases it when the process ends, however it ends.
#pragma once

#include <QString>

enum class FolderLockState {
    NotHeld,      // never asked for, or released
    Held,         // this run holds the folder
    InUse,        // another run holds it
    Unavailable,  // the folder cannot be opened for it, or its file system takes no locks
};

class FolderLock {
  public:
    FolderLock() = default;
    // Asks once, without waiting.
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    FolderLockState State() const { return state_; }
    bool Held() const { return state_ == FolderLockState::Held; }
    // The system's error number of the call that failed (EWOULDBLOCK when in use); 0 otherwise.
    int Error() const { return error_; }
    // The call that failed and the system's reason, in English ("open: Permission denied");
    // empty when nothing failed.
    QString Reason() const;

    void Release();

  private:
    int fd_ = -1;
    FolderLockState state_ = FolderLockState::NotHeld;
    int error_ = 0;
    const char* failedCall_ = nullptr;
};
