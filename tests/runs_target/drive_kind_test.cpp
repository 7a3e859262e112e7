// The test target: the folder taken from the drive/path box, and the kind of device that holds
// it, on this machine's mounts and on made-up mount tables and sysfs trees.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>

#include "MountTable.h"
#include "modMain.h"
#include "temp_folder.h"

using namespace drivekind;

namespace {

int16_t KindOf(const QString& path) {
    int16_t kind = -1;
    const bool testable = DriveKind(path, kind);
    EXPECT_EQ(testable, kind == 1 || kind == 2 || kind == 3 || kind == 5) << path.toStdString();
    return kind;
}

// A mount on a folder of the test's choosing, undone at the end.
struct MountAt {
    MountAt(const QString& source, const QString& target, const char* type, unsigned long flags)
        : target_(QFile::encodeName(target)) {
        QDir().mkpath(target);
        ok = ::mount(QFile::encodeName(source).constData(), target_.constData(), type, flags,
                     nullptr) == 0;
    }
    ~MountAt() {
        if (ok) ::umount2(target_.constData(), MNT_DETACH);
    }
    QByteArray target_;
    bool ok = false;
};

// A sysfs tree with an ATA disk, a card reader, a USB disk and a DVD drive, each device
// number linked from dev/block as the kernel does.
class FakeSys {
  public:
    FakeSys() {
        const QString pci = QStringLiteral("devices/pci0000:00/");
        Disk("8:0", pci + "0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", "0", "0");
        Disk("8:32", pci + "0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0", "sdc", "1", "0");
        Disk("8:16", pci + "0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0", "sdb", "0",
             "0");
        Disk("11:0", pci + "0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0", "sr0", "1", "5");
    }
    QString root() const { return dir_.path(); }

  private:
    void Disk(const QString& number, const QString& device, const QString& name,
              const QByteArray& removable, const QByteArray& type) {
        const QString disk = dir_.path() + '/' + device + "/block/" + name;
        QDir().mkpath(disk + '/' + name + '1');
        QDir().mkpath(dir_.path() + "/dev/block");
        Write(disk + "/removable", removable);
        Write(dir_.path() + '/' + device + "/type", type);
        QFile::link(dir_.path() + '/' + device, disk + "/device");
        Write(disk + '/' + name + "1/partition", "1");
        QFile::link(disk, dir_.path() + "/dev/block/" + number);
        const QString partition =
            number.section(':', 0, 0) + ':' + QString::number(number.section(':', 1).toInt() + 1);
        QFile::link(disk + '/' + name + '1', dir_.path() + "/dev/block/" + partition);
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(bytes + '\n');
    }
    QTemporaryDir dir_;
};

}  // namespace

// Blanks at either end are trimmed only when the text as typed names no existing folder.
TEST(TargetFolder, KeepsTheBlanksOfAFolderThatExistsAsTyped) {
    QTemporaryDir parent;
    const QString twin = parent.path() + "/twin";
    ASSERT_TRUE(QDir().mkpath(twin));
    EXPECT_EQ(TargetFolder(twin + " "), twin + "/");
    ASSERT_TRUE(QDir().mkpath(twin + " "));
    EXPECT_EQ(TargetFolder(twin + " "), twin + " /");
    EXPECT_EQ(TargetFolder(twin), twin + "/");
}

TEST(TargetFolder, TrimsAndEndsInSeparator) {
    EXPECT_EQ(TargetFolder("/"), "/");
    EXPECT_EQ(TargetFolder("  /data/Test  "), "/data/Test/");
    EXPECT_EQ(TargetFolder("/data/Test/"), "/data/Test/");
    EXPECT_EQ(TargetFolder(""), "/");

    TempFolder folder;
    folder.write("file", "x");
    EXPECT_TRUE(FolderExists(folder.path()));
    EXPECT_FALSE(FolderExists(folder.file("file")));
    EXPECT_FALSE(FolderExists(folder.file("missing")));
    EXPECT_FALSE(FolderExists(""));
}

TEST(DriveKind, ThisMachinesMounts) {
    EXPECT_EQ(KindOf("/"), 2);
    EXPECT_EQ(KindOf("/dev/shm/"), 5);
    EXPECT_EQ(KindOf("/nonexistent/dravelo/"), 0);
    EXPECT_EQ(KindOf(""), 0);
    EXPECT_EQ(KindOf("/proc"), 0);
    EXPECT_EQ(KindOf("/proc/self/"), 0);

    // A link is judged by the folder it leads to.
    TempFolder folder;
    ASSERT_TRUE(QFile::link("/dev/shm", folder.file("shm")));
    EXPECT_EQ(KindOf(folder.file("shm") + '/'), 5);
}

TEST(DriveKind, MountsMadeByTheTest) {
    if (!TestMount::Possible()) GTEST_SKIP() << "mounting needs root";
    TempFolder folder;
    // A name with a blank is written "\040" in the mount table; a sibling folder whose name
    // begins with the mount's name is not on it.
    MountAt ram("tmpfs", folder.file("ram disk"), "tmpfs", 0);
    ASSERT_TRUE(ram.ok);
    QDir().mkpath(folder.file("ram disk/inner"));
    QDir().mkpath(folder.file("ram disk2"));
    EXPECT_EQ(KindOf(folder.file("ram disk/")), 5);
    EXPECT_EQ(KindOf(folder.file("ram disk/inner")), 5);
    EXPECT_EQ(KindOf(folder.file("ram disk2")), KindOf(folder.path()));

    // A folder of the root file system mounted on top of the tmpfs hides it.
    TempFolder fixed;
    MountAt cover(fixed.path(), folder.file("ram disk"), nullptr, MS_BIND);
    ASSERT_TRUE(cover.ok);
    EXPECT_EQ(KindOf(folder.file("ram disk")), KindOf(fixed.path()));
    EXPECT_EQ(KindOf(folder.file("ram disk/inner")), 0);  // hidden, so gone

    TestMount small(1024 * 1024);
    ASSERT_TRUE(small.mounted());
    EXPECT_EQ(KindOf(small.path()), 5);
}

TEST(MountTable, ParsesLines) {
    const auto entry = ParseMountInfoLine(
        "36 26 8:17 / /media/My\\040Stick\\134x rw,nosuid shared:5 master:1 - vfat /dev/sdb1 rw");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->major, 8u);
    EXPECT_EQ(entry->minor, 17u);
    EXPECT_EQ(entry->mountPoint, "/media/My Stick\\x");
    EXPECT_EQ(entry->fsType, "vfat");
    EXPECT_EQ(entry->source, "/dev/sdb1");

    EXPECT_FALSE(ParseMountInfoLine(""));
    EXPECT_FALSE(ParseMountInfoLine("36 26 8:17 / /media rw shared:5 vfat /dev/sdb1 rw"));
    EXPECT_EQ(ParseMountInfo("21 26 0:20 / /proc rw - proc proc rw\n\n"
                             "26 1 254:0 / / rw - ext4 /dev/vda rw\n")
                  .size(),
              2u);
}

TEST(MountTable, ClassifiesMadeUpMounts) {
    FakeSys sys;
    const QByteArray table =
        "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "30 26 0:50 / /mnt/nfs rw - nfs4 server:/export rw\n"
        "31 26 0:51 / /mnt/share rw - cifs //server/share rw\n"
        "32 26 0:52 / /mnt/ssh rw - fuse.sshfs me@host: rw\n"
        "33 26 11:0 / /media/dvd ro - iso9660 /dev/sr0 ro\n"
        "34 26 8:33 / /media/card rw - vfat /dev/sdc1 rw\n"
        "35 26 8:17 / /media/usb rw - exfat /dev/sdb1 rw\n"
        "36 26 0:53 / /var/lib/docker/x rw - overlay overlay rw,lowerdir=/a\n"
        "37 26 253:0 / /home rw - xfs /dev/mapper/vg-home rw\n"
        "38 26 0:54 / /run/ram rw - ramfs ramfs rw\n"
        "39 26 0:20 / /proc rw - proc proc rw\n"
        "40 26 7:0 / /mnt/image ro - iso9660 /dev/loop0 ro\n";
    const struct {
        const char* path;
        int16_t kind;
    } cases[] = {
        {"/srv", 2},         {"/mnt/nfs/a", 3},  {"/mnt/share", 3}, {"/mnt/ssh", 3},
        {"/media/dvd/x", 4}, {"/media/card", 1}, {"/media/usb", 1}, {"/var/lib/docker/x", 2},
        {"/home/me", 2},     {"/run/ram", 5},    {"/proc/1", 0},    {"/mnt/image", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindFromMountInfo(table, c.path, sys.root()), c.kind) << c.path;
    }
    EXPECT_EQ(KindFromMountInfo("30 26 0:50 / /mnt rw - nfs4 s:/ rw\n", "/srv", sys.root()), 0);

    // The facts alone: an optical drive known only by its SCSI type, a UDF disc, data discs
    // that are not on an optical drive, old-style FUSE network mounts.
    BlockDeviceFacts dvd{true, 8, true, false, 5};
    EXPECT_EQ(ClassifyMount("udf", "/dev/sr1", dvd), 4);
    EXPECT_EQ(ClassifyMount("iso9660", "/dev/sdb", {true, 8, false, true, 0}), 1);
    EXPECT_EQ(ClassifyMount("fuse", "sshfs#me@host:", {}), 3);
    EXPECT_EQ(ClassifyMount("fuse", "portal", {}), 0);
    EXPECT_EQ(ClassifyMount("devtmpfs", "devtmpfs", {}), 0);
}
