#include "modMain.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>

#include "MountTable.h"
#include "modFile.h"

namespace drivekind {

namespace {

// mountinfo writes a blank, a tab, a line feed and a backslash in a path as "\040", "\011",
// "\012" and "\134"; any three octal digits after a backslash stand for one byte.
QString DecodeField(const QByteArray& field) {
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) {
            return at < field.size() && field[at] >= '0' && field[at] <= '7';
        };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            bytes.append(static_cast<char>(((field[i + 1] - '0') << 6) |
                                           ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return FileNameFromBytes(bytes);
}

bool IsUnder(const QString& path, const QString& mountPoint) {
    if (mountPoint == u"/") return path.startsWith(u'/');
    return path == mountPoint ||
           (path.startsWith(mountPoint) && path.at(mountPoint.size()) == u'/');
}

QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(4096).trimmed();
}

// File systems whose data lives on another machine.
bool IsNetworkFileSystem(const QString& fsType, const QString& source) {
    static const QStringList network =
        QStringLiteral(
            "nfs nfs4 cifs smb3 smbfs ncpfs sshfs fuse.sshfs ceph fuse.ceph fuse.ceph-fuse "
            "glusterfs fuse.glusterfs 9p afs openafs coda lustre davfs fuse.davfs fuse.davfs2 "
            "fuse.curlftpfs fuse.rclone fuse.s3fs fuse.gcsfuse fuse.smbnetfs")
            .split(u' ');
    if (network.contains(fsType)) return true;
    // Older FUSE mounts carry the helper's name in the source instead of a subtype.
    return fsType == u"fuse" && (source.startsWith(u"sshfs#") || source.startsWith(u"curlftpfs#"));
}

// File systems that keep their data on local disks without naming one block device.
bool IsLocalStackedFileSystem(const QString& fsType) {
    return fsType == u"overlay" || fsType == u"aufs" || fsType == u"zfs";
}

// Whether a sysfs device path runs through a USB bus ("/sys/devices/pci0000:00/.../usb2/2-1/").
bool RunsThroughUsb(const QString& devicePath) {
    const QStringList parts = devicePath.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part.size() > 3 && part.startsWith(u"usb") && part.at(3).isDigit()) return true;
    }
    return false;
}

constexpr uint32_t kScsiCdRomMajor = 11;
constexpr int kScsiTypeCdRom = 5;

}  // namespace

std::optional<MountEntry> ParseMountInfoLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.trimmed().split(' ');
    // id parent major:minor root mount-point options [optional fields] - type source options
    if (fields.size() < 10) return std::nullopt;
    qsizetype separator = -1;
    for (qsizetype i = 6; i < fields.size(); ++i) {
        if (fields[i] == "-") {
            separator = i;
            break;
        }
    }
    if (separator < 0 || separator + 2 >= fields.size()) return std::nullopt;

    const QList<QByteArray> device = fields[2].split(':');
    if (device.size() != 2) return std::nullopt;
    bool majorOk = false;
    bool minorOk = false;
    MountEntry entry;
    entry.major = device[0].toUInt(&majorOk);
    entry.minor = device[1].toUInt(&minorOk);
    if (!majorOk || !minorOk) return std::nullopt;
    entry.mountPoint = DecodeField(fields[4]);
    entry.fsType = DecodeField(fields[separator + 1]);
    entry.source = DecodeField(fields[separator + 2]);
    if (!entry.mountPoint.startsWith(u'/')) return std::nullopt;
    return entry;
}

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        if (auto entry = ParseMountInfoLine(line)) mounts.push_back(std::move(*entry));
    }
    return mounts;
}

std::optional<MountEntry> MountHolding(const std::vector<MountEntry>& mounts,
                                       const QString& canonicalPath) {
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
        if (!IsUnder(canonicalPath, mount.mountPoint)) continue;
        // ">=": a later mount on the same point hides the earlier one.
        if (!best || mount.mountPoint.size() >= best->mountPoint.size()) best = &mount;
    }
    if (!best) return std::nullopt;
    return *best;
}

int16_t ClassifyMount(const QString& fsType, const QString& source,
                      const BlockDeviceFacts& device) {
    if (fsType == u"tmpfs" || fsType == u"ramfs") return kRamDisk;
    if (IsNetworkFileSystem(fsType, source)) return kRemote;
    if (device.isBlockDevice) {
        const bool optical = device.major == kScsiCdRomMajor || device.scsiType == kScsiTypeCdRom;
        if (optical && (fsType == u"iso9660" || fsType == u"udf")) return kCdRom;
        if (device.removable || device.onUsb) return kRemovable;
        return kFixed;
    }
    if (IsLocalStackedFileSystem(fsType)) return kFixed;
    return kUnknown;
}

BlockDeviceFacts ReadBlockDeviceFacts(uint32_t major, uint32_t minor, const QString& sysRoot) {
    BlockDeviceFacts facts;
    facts.isBlockDevice = true;
    facts.major = major;

    const QString link = sysRoot + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor);
    const QString device = QFileInfo(link).canonicalFilePath();
    if (device.isEmpty()) return facts;  // no sysfs entry: an ordinary fixed block device

    // A partition's flags are those of the disk, the folder above it.
    QString disk = device;
    if (QFileInfo::exists(device + QStringLiteral("/partition"))) {
        disk = QFileInfo(device).path();
    }
    facts.removable = ReadSmallFile(disk + QStringLiteral("/removable")) == "1";
    bool typeOk = false;
    const int type = ReadSmallFile(disk + QStringLiteral("/device/type")).toInt(&typeOk);
    if (typeOk) facts.scsiType = type;

    QString relative = device;
    const QString root = QFileInfo(sysRoot).canonicalFilePath();
    if (!root.isEmpty() && relative.startsWith(root + u'/')) relative.remove(0, root.size());
    facts.onUsb = RunsThroughUsb(relative);
    return facts;
}

std::optional<std::pair<uint32_t, uint32_t>> BlockDeviceOf(const MountEntry& mount) {
    if (mount.major != 0) return std::pair{mount.major, mount.minor};
    // btrfs and some others report an anonymous device number; their source names the disk.
    if (!mount.source.startsWith(u"/dev/")) return std::nullopt;
    struct stat info {};
    if (::stat(QFile::encodeName(mount.source).constData(), &info) != 0) return std::nullopt;
    if (!S_ISBLK(info.st_mode)) return std::nullopt;
    return std::pair{static_cast<uint32_t>(::major(info.st_rdev)),
                     static_cast<uint32_t>(::minor(info.st_rdev))};
}

int16_t KindFromMountInfo(const QByteArray& mountInfo, const QString& canonicalPath,
                          const QString& sysRoot) {
    const auto mount = MountHolding(ParseMountInfo(mountInfo), canonicalPath);
    return mount ? KindOfMount(*mount, sysRoot) : kUnknown;
}

int16_t KindOfMount(const MountEntry& mount, const QString& sysRoot) {
    BlockDeviceFacts device;
    if (const auto number = BlockDeviceOf(mount)) {
        device = ReadBlockDeviceFacts(number->first, number->second, sysRoot);
    }
    return ClassifyMount(mount.fsType, mount.source, device);
}

}  // namespace drivekind

QString TargetFolder(const QString& driveBoxText) {
    // A folder whose name begins or ends with blanks is tested when it exists as typed.
    QString asTyped = driveBoxText;
    if (!asTyped.endsWith(u'/')) asTyped += u'/';
    if (FolderExists(asTyped)) return asTyped;
    qsizetype first = 0;
    qsizetype last = driveBoxText.size();
    while (first < last && driveBoxText.at(first) == u' ') ++first;
    while (last > first && driveBoxText.at(last - 1) == u' ') --last;
    QString folder = driveBoxText.mid(first, last - first);
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}

namespace {

constexpr char kMountTable[] = "/proc/self/mountinfo";

// The whole mount table; nothing, with errno set, when it cannot be read.
std::optional<QByteArray> ReadMountTable() {
    const int fd = ::open(kMountTable, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    QByteArray table;
    char chunk[4096];
    ssize_t count = 0;
    while ((count = ::read(fd, chunk, sizeof chunk)) > 0) table.append(chunk, count);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (count < 0) return std::nullopt;
    return table;
}

}  // namespace

std::optional<MountEntry> MountOf(const QString& path) {
    char* resolved =
        path.isEmpty() ? nullptr : ::realpath(FileNameBytes(path).constData(), nullptr);
    if (!resolved) return std::nullopt;  // the path does not exist
    const QString canonical = FileNameFromBytes(resolved);
    std::free(resolved);
    const std::optional<QByteArray> table = ReadMountTable();
    if (!table) return std::nullopt;
    return drivekind::MountHolding(drivekind::ParseMountInfo(*table), canonical);
}

QString MountTableProblem() {
    if (ReadMountTable()) return QString();
    const int error = errno;
    return QStringLiteral("the mount table cannot be read (%1: %2)")
        .arg(QLatin1String(kMountTable), EnglishErrorText(error));
}

bool DriveKind(const QString& path, int16_t& kind) {
    using namespace drivekind;
    const auto mount = MountOf(path);
    kind = mount ? KindOfMount(*mount, QStringLiteral("/sys")) : kUnknown;
    return kind == kRemovable || kind == kFixed || kind == kRemote || kind == kRamDisk;
}

bool FolderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

TargetRefusal TargetProblem(const QString& folder, QString& reason) {
    QString path = folder;
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    const QByteArray name = FileNameBytes(path);
    struct stat status {};
    if (path.isEmpty() || ::stat(name.constData(), &status) != 0) {
        reason = QStringLiteral("the folder does not exist");
        if (!path.isEmpty() && errno != ENOENT && errno != ENOTDIR)
            reason = QStringLiteral("the folder cannot be reached: ") + EnglishErrorText(errno);
        return TargetRefusal::Missing;
    }
    if (!S_ISDIR(status.st_mode)) {
        reason = QStringLiteral("the path names something that is not a folder");
        return TargetRefusal::NotAFolder;
    }
    if (const QString problem = MountTableProblem(); !problem.isEmpty()) {
        reason = problem;
        return TargetRefusal::CannotBeTested;
    }
    int16_t kind = 0;
    if (!DriveKind(folder, kind)) {
        reason = QStringLiteral("its drive or file system is of a kind that cannot be tested");
        return TargetRefusal::CannotBeTested;
    }
    if (::access(name.constData(), W_OK | X_OK) != 0) {
        reason = QStringLiteral("no file can be created in it: ") + EnglishErrorText(errno);
        return TargetRefusal::NotWritable;
    }
    reason.clear();
    return TargetRefusal::None;
}
