// The folder lock between real holders: a second lock in this process, an flock(1) process
// holding the folder, one killed while it held it, and a user who may write the folder but not
// read it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>

#include "FolderLock.h"
#include "event_wait.h"
#include "temp_folder.h"

namespace {

// flock(1) holding the folder itself as long as it runs; without forking, so that killing it
// ends the only holder.
class OtherHolder {
  public:
    explicit OtherHolder(const QString& folder) {
        process_.start("flock", {"--no-fork", "--exclusive", folder, "sleep", "600"});
        process_.waitForStarted();
    }
    ~OtherHolder() {
        process_.kill();
        process_.waitForFinished();
    }
    QProcess& process() { return process_; }

  private:
    QProcess process_;
};

bool InUseSoon(const QString& folder) {
    return RunEventLoopUntil([&] { return FolderLock(folder).State() == FolderLockState::InUse; },
                             30000);
}

// The state and error a lock gets in a child process that runs as `uid`.
std::pair<FolderLockState, int> LockAsUser(const QString& folder, uid_t uid) {
    int channel[2];
    if (::pipe(channel) != 0) return {FolderLockState::NotHeld, errno};
    const pid_t child = ::fork();
    if (child == 0) {
        int answer[2] = {-1, 0};
        if (::setresgid(uid, uid, uid) == 0 && ::setresuid(uid, uid, uid) == 0) {
            const FolderLock lock(folder);
            answer[0] = static_cast<int>(lock.State());
            answer[1] = lock.Error();
        }
        (void)!::write(channel[1], answer, sizeof answer);
        ::_exit(0);
    }
    ::close(channel[1]);
    int answer[2] = {-1, 0};
    const bool read = ::read(channel[0], answer, sizeof answer) == sizeof answer;
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    if (!read || answer[0] < 0) return {FolderLockState::NotHeld, -1};
    return {static_cast<FolderLockState>(answer[0]), answer[1]};
}

}  // namespace

TEST(FolderLock, OneHolderAtATimeAndTheFolderStaysEmpty) {
    TempFolder folder;
    FolderLock first(folder.path());
    ASSERT_EQ(first.State(), FolderLockState::Held);
    EXPECT_TRUE(first.Reason().isEmpty());

    const FolderLock second(folder.path());
    EXPECT_EQ(second.State(), FolderLockState::InUse);
    EXPECT_EQ(second.Error(), EWOULDBLOCK);
    EXPECT_EQ(second.Reason(), "flock: Resource temporarily unavailable");

    // Moved, the hold goes with it; released, the folder is free again.
    FolderLock moved = std::move(first);
    EXPECT_EQ(first.State(), FolderLockState::NotHeld);
    EXPECT_TRUE(moved.Held());
    EXPECT_EQ(FolderLock(folder.path()).State(), FolderLockState::InUse);
    moved.Release();
    EXPECT_EQ(moved.State(), FolderLockState::NotHeld);
    EXPECT_TRUE(FolderLock(folder.path()).Held());
    EXPECT_TRUE(
        QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
            .isEmpty());
}

TEST(FolderLock, AnotherProcessHoldsItUntilItEndsHoweverItEnds) {
    if (QStandardPaths::findExecutable("flock").isEmpty())
        GTEST_SKIP() << "flock is missing (Debian package util-linux)";
    TempFolder folder;
    for (const bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed" : "ended");
        OtherHolder holder(folder.path());
        ASSERT_TRUE(InUseSoon(folder.path()));
        if (killed) {
            holder.process().kill();
        } else {
            holder.process().terminate();
        }
        ASSERT_TRUE(holder.process().waitForFinished(30000));
        EXPECT_TRUE(FolderLock(folder.path()).Held());
    }
}

TEST(FolderLock, AFolderThatCannotBeOpenedForItSaysWhy) {
    TempFolder folder;
    const FolderLock missing(folder.path() + "missing");
    EXPECT_EQ(missing.State(), FolderLockState::Unavailable);
    EXPECT_EQ(missing.Reason(), "open: No such file or directory");

    folder.write("file", "not a folder");
    EXPECT_EQ(FolderLock(folder.file("file")).Reason(), "open: Not a directory");

    // Write and search, but no read: such a folder cannot be opened to hold it.
    if (::geteuid() != 0) GTEST_SKIP() << "changing to another user needs root";
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0333), 0);
    const auto [state, error] = LockAsUser(folder.path(), 65534);
    EXPECT_EQ(state, FolderLockState::Unavailable);
    EXPECT_EQ(error, EACCES);
    ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
}
