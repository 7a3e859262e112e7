// How DriveKind tells the kind of device that holds a folder on Linux: the mount table of the
// process (/proc/self/mountinfo) names the mount and its file system, sysfs describes the block
// device behind it. The classification itself only looks at the facts gathered here, so that it
// can be exercised with made-up mounts and devices.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// One line of /proc/self/mountinfo, with the escapes ("\040" for a blank, ...) decoded.
struct MountEntry {
    uint32_t major = 0;  // device number of the file system; major 0 means no block device
    uint32_t minor = 0;
    QString mountPoint;
    QString fsType;
    QString source;
};

// What sysfs tells about a block device; for a partition, the removable flag and the device type
// come from the disk it belongs to.
struct BlockDeviceFacts {
    bool isBlockDevice = false;
    uint32_t major = 0;
    bool removable = false;  // the removable flag of the disk
    bool onUsb = false;      // the device hangs off a USB bus
    int scsiType = -1;       // the disk's SCSI peripheral type (5: CD/DVD drive), -1 unknown
};

namespace drivekind {

// Kinds reported by DriveKind.
constexpr int16_t kUnknown = 0;
constexpr int16_t kRemovable = 1;
constexpr int16_t kFixed = 2;
constexpr int16_t kRemote = 3;
constexpr int16_t kCdRom = 4;
constexpr int16_t kRamDisk = 5;

// One mountinfo line; nothing for a line that is not one.
std::optional<MountEntry> ParseMountInfoLine(const QByteArray& line);
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);

// The mount that holds an absolute, canonical path: the longest mount point that is the path or
// one of its parent folders; of several mounts on the same point the last one, which covers
// the others.
std::optional<MountEntry> MountHolding(const std::vector<MountEntry>& mounts,
                                       const QString& canonicalPath);

// The kind of a mount from its file system type, its source and the facts about its device.
int16_t ClassifyMount(const QString& fsType, const QString& source, const BlockDeviceFacts& device);

// Reads the facts about block device major:minor from a sysfs tree (normally "/sys").
BlockDeviceFacts ReadBlockDeviceFacts(uint32_t major, uint32_t minor, const QString& sysRoot);

// The block device of a mount: its own device number when the major is not 0, otherwise the
// device that a "/dev/..." source names. Nothing when the mount has no block device.
std::optional<std::pair<uint32_t, uint32_t>> BlockDeviceOf(const MountEntry& mount);

// The kind of the device behind a mount, from a sysfs tree.
int16_t KindOfMount(const MountEntry& mount, const QString& sysRoot);

// The kind of the device that holds an absolute, canonical path, from the text of a mountinfo
// table and a sysfs tree.
int16_t KindFromMountInfo(const QByteArray& mountInfo, const QString& canonicalPath,
                          const QString& sysRoot);

}  // namespace drivekind
