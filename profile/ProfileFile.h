// The one test file of a drive profile: created under a name of its own (DraveloProfile-…) with
// O_EXCL, so that no file of the user's is ever opened, laid out in full with incompressible
// bytes before anything is measured, and deleted when the object goes, whatever ended the
// profile. Cache bypass (O_DIRECT) where the folder allows it; otherwise buffered, with the
// file's cached pages dropped before every run.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

class ProfileFile {
  public:
    // Creates the file in `folder`. Throws ProfileFailure when the folder has less free space
    // than `bytes` or refuses the file.
    ProfileFile(const QString& folder, int64_t bytes, bool cacheBypass);
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // Writes every byte of the file, flushes it to the device and opens the descriptor the runs
    // use. With cache bypass the bytes go past the cache where the folder takes it, as the runs'
    // writes do: a virtual disk's host can serve random writes at half the speed on a file
    // that reached it through the cache. False when `stop` was set first. Throws ProfileFailure.
    bool LayOut(const std::atomic<bool>& stop);

    // Before every run: drops the file's pages from the system cache, so that buffered reads
    // come from the drive. With cache bypass only the pages the layout left matter: while they
    // are cached, every direct write must first evict its page, and the kernel hands such
    // requests to worker threads instead of sending them at once.
    void DropCachedPages() const;

    int Descriptor() const { return fd_; }
    bool Direct() const { return direct_; }
    // Why the folder runs buffered, empty with cache bypass.
    const QString& BufferedReason() const { return bufferedReason_; }
    const QString& Path() const { return path_; }
    int64_t Bytes() const { return bytes_; }
    // Deletes the file now; true when it is gone.
    bool Remove();

  private:
    void OpenForRuns(bool cacheBypass);

    QString path_;
    int64_t bytes_;
    bool cacheBypass_;
    int fd_ = -1;
    bool direct_ = false;
    bool removed_ = false;
    QString bufferedReason_;
};

// Bytes available to the user on the volume holding `folder`; -1 when unknown.
int64_t FreeBytes(const QString& folder);
