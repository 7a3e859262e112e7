#include "registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>
#include <optional>

namespace components {
namespace {

// A failed system call inside the registry's update; it ends the update and becomes its result.
struct SystemError {
    int error;
};

[[noreturn]] void ThrowLastError() {
    throw SystemError{errno};
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write must replace: the registry itself or, when it is a symbolic link, the file
// the chain of links ends at (which need not exist yet).
std::string LinkTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0) {
            if (errno == EINVAL || errno == ENOENT) return path;  // no link, or nothing there yet
            ThrowLastError();
        }
        if (length == static_cast<ssize_t>(sizeof target)) throw SystemError{ENAMETOOLONG};
        std::string next(target, static_cast<size_t>(length));
        path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
    }
    throw SystemError{ELOOP};
}

// The registry's lines; an absent registry has none. One that exists but cannot be read is an
// error, never an empty registry: writing it back would lose every other component's records.
std::vector<std::string> ReadLines(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        ThrowLastError();
    }
    std::string text;
    char buffer[8192];
    ssize_t length;
    while ((length = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (length < 0 && errno == EINTR) continue;
        if (length < 0) {
            const int error = errno;
            ::close(fd);
            throw SystemError{error};
        }
        text.append(buffer, static_cast<size_t>(length));
    }
    ::close(fd);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void CreateFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) ThrowLastError();
        if (slash == std::string::npos) return;
    }
}

// 0, or the system's error number.
int WriteAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        done += static_cast<size_t>(written);
    }
    return 0;
}

// Held while a writer reads, changes and replaces the registry, so that two writers never work
// from the same old content: each one's change lands, and the content a writer renames into place
// is the content it reported. The lock is on the folder itself, which leaves no file behind.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) ThrowLastError();
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd_);
            throw SystemError{error};
        }
    }
    ~FolderLock() { ::close(fd_); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Makes a rename inside the folder last through a power cut.
    void Sync() const {
        if (::fsync(fd_) != 0 && errno != EINVAL) ThrowLastError();
    }

  private:
    int fd_;
};

// A new file beside `target`, under a name no other writer uses; its descriptor.
int CreateNeighbour(const std::string& target, std::string* name) {
    for (unsigned attempt = 0;; ++attempt) {
        *name = target + ".new." + std::to_string(::getpid()) + "." + std::to_string(attempt);
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST || attempt == 100) ThrowLastError();
    }
}

// Written to a neighbour first and renamed over the target, so that a reader never sees half a
// registry and a failed write leaves the old one intact. The neighbour takes the target's mode,
// so that a read-only registry stays read-only.
void ReplaceFile(const std::string& target, const std::string& text) {
    std::optional<mode_t> mode;
    if (struct stat info{}; ::stat(target.c_str(), &info) == 0) mode = info.st_mode & 07777;
    std::string temporary;
    const int fd = CreateNeighbour(target, &temporary);
    int error = WriteAll(fd, text);
    if (!error && mode && ::fchmod(fd, *mode) != 0) error = errno;
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        throw SystemError{error};
    }
}

// Type libraries of different versions live side by side: each version is a record of its own.
bool Matches(const tickwell::RegistryLine& line, const RegistryRecord& record, bool samePath) {
    return line.id && line.kind == record.kind && *line.id == record.id &&
           line.version == record.version && (!samePath || line.path == record.path);
}

// A record stands for one kind and identifier; when `samePath` is asked for, only a record of
// that library matches, so that removing one copy's records leaves another copy's in place.
std::vector<std::string> WithoutRecords(const std::vector<std::string>& lines,
                                        const std::vector<RegistryRecord>& records, bool samePath) {
    std::vector<std::string> kept;
    for (const auto& line : lines) {
        const tickwell::RegistryLine parsed = tickwell::ParseRegistryLine(line);
        bool drop = false;
        for (const auto& record : records) drop = drop || Matches(parsed, record, samePath);
        if (!drop) kept.push_back(line);
    }
    return kept;
}

std::string Format(const RegistryRecord& record) {
    std::string line = record.kind + " " + GuidToString(record.id);
    if (!record.version.empty()) line += " " + record.version;
    return line + " " + record.path;
}

template <class Change>
int Update(Change change) try {
    const std::string registry = RegistryFilePath();
    if (registry.empty()) throw SystemError{ENOENT};  // no home folder to keep it in
    const std::string target = LinkTarget(registry);
    CreateFolders(FolderOf(target));
    const FolderLock lock(FolderOf(target));
    std::string text;
    for (const auto& line : change(ReadLines(target))) text += line + '\n';
    ReplaceFile(target, text);
    lock.Sync();
    return 0;
} catch (const SystemError& failure) {
    return failure.error;
} catch (const std::bad_alloc&) {
    return ENOMEM;
}

}  // namespace

int AddRecords(const std::vector<RegistryRecord>& records) {
    return Update([&](const std::vector<std::string>& lines) {
        std::vector<std::string> changed = WithoutRecords(lines, records, false);
        for (const auto& record : records) changed.push_back(Format(record));
        return changed;
    });
}

int RemoveRecords(const std::vector<RegistryRecord>& records) {
    return Update([&](const std::vector<std::string>& lines) {
        return WithoutRecords(lines, records, true);
    });
}

}  // namespace components
