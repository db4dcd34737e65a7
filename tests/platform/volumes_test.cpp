// Which mounts the drive list offers on Linux, from recorded mount tables: the root and
// the volumes a person would pick, never pseudo file systems, system trees, snap loops or
// container internals; and which drive holds a given folder. On Windows, drive letters.

#include "navigation/drive_letter.h"
#include "platform/drives/volumes.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace {

using platform::Volume;

std::string labelFrom(const std::map<std::string, std::string>& labels, const std::string& device) {
    const auto found = labels.find(device);
    return found == labels.end() ? std::string() : found->second;
}

// A laptop with a separate home partition, snaps, an SD card and a USB stick inserted,
// a second disk under /mnt, a NAS share, and Docker running.
constexpr std::string_view kDesktop =
    R"(22 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:13 - proc proc rw
23 28 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw
24 28 0:5 / /dev rw,nosuid,relatime shared:8 - devtmpfs udev rw,size=8000000k
25 24 0:23 / /dev/pts rw,nosuid,noexec,relatime shared:9 - devpts devpts rw,gid=5,mode=620
26 28 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1600000k
28 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro
29 23 0:6 / /sys/kernel/security rw,nosuid,nodev,noexec,relatime shared:3 - securityfs securityfs rw
30 24 0:25 / /dev/shm rw,nosuid,nodev shared:10 - tmpfs tmpfs rw
33 23 0:28 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:4 - cgroup2 cgroup2 rw
40 22 0:35 / /proc/sys/fs/binfmt_misc rw,relatime shared:19 - autofs systemd-1 rw,fd=29
45 28 7:0 / /snap/core20/2105 ro,nodev,relatime shared:23 - squashfs /dev/loop0 ro
46 28 7:1 / /snap/firefox/3600 ro,nodev,relatime shared:24 - squashfs /dev/loop1 ro
50 28 259:1 / /boot/efi rw,relatime shared:27 - vfat /dev/nvme0n1p1 rw,fmask=0077
51 28 259:3 / /home rw,relatime shared:28 - ext4 /dev/nvme0n1p3 rw
52 28 8:1 / /mnt/data rw,relatime shared:29 - ext4 /dev/sda1 rw
53 28 8:2 / /var/lib/docker rw,relatime shared:30 - ext4 /dev/sda2 rw
54 53 0:50 / /var/lib/docker/overlay2/3f1c/merged rw,relatime - overlay overlay rw,lowerdir=/x
60 26 0:60 / /run/user/1000 rw,nosuid,nodev,relatime shared:300 - tmpfs tmpfs rw,mode=700
61 60 0:61 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:310 - fuse.gvfsd-fuse gvfsd-fuse rw
62 60 0:62 / /run/user/1000/doc rw,nosuid,nodev,relatime shared:320 - fuse.portal portal rw
70 28 179:1 / /media/anna/CANON\040SD rw,nosuid,nodev,relatime shared:400 - vfat /dev/mmcblk0p1 rw
71 28 8:33 / /run/media/anna/STICK rw,nosuid,nodev,relatime shared:410 - exfat /dev/sdc1 rw
72 28 0:70 / /mnt/nas rw,relatime shared:420 - nfs4 nas.local:/photos rw,vers=4.2
73 28 0:71 / /tmp rw,nosuid,nodev shared:430 - tmpfs tmpfs rw
74 28 7:5 / /mnt/image rw,relatime shared:440 - iso9660 /dev/loop5 ro
)";

TEST(PickableVolumes, KeepsTheRootAndPersonalVolumesOfADesktop) {
    const std::map<std::string, std::string> labels{{"/dev/nvme0n1p2", "system"},
                                                    {"/dev/nvme0n1p3", "home"},
                                                    {"/dev/mmcblk0p1", "CANON SD"},
                                                    {"/dev/sdc1", "STICK"},
                                                    {"/dev/sda2", "docker"}};
    const auto labelOf = [&](const std::string& device) { return labelFrom(labels, device); };

    EXPECT_EQ(platform::pickableVolumes(kDesktop, labelOf),
              (std::vector<Volume>{
                  {"/", "system"},
                  {"/home", "home"},
                  {"/media/anna/CANON SD", "CANON SD"},
                  {"/mnt/data", ""},
                  {"/mnt/nas", ""},
                  {"/run/media/anna/STICK", "STICK"},
              }));
}

// Inside a container the root is an overlay and single files are bound in from the host.
TEST(PickableVolumes, OffersOnlyTheRootInsideAContainer) {
    constexpr std::string_view container =
        R"(500 400 0:90 / / rw,relatime master:200 - overlay overlay rw,lowerdir=/var/lib/x
501 500 0:91 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw
502 500 0:92 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755
503 500 254:1 /var/lib/docker/containers/ab/resolv.conf /etc/resolv.conf rw,relatime - ext4 /dev/vda1 rw
504 500 254:1 /var/lib/docker/containers/ab/hosts /etc/hosts rw,relatime - ext4 /dev/vda1 rw
505 500 0:93 / /sys ro,nosuid,nodev,noexec,relatime - sysfs sysfs ro
)";
    EXPECT_EQ(
        platform::pickableVolumes(container, [](const std::string&) { return std::string("x"); }),
        (std::vector<Volume>{{"/", ""}}));
}

TEST(PickableVolumes, ListsTheRootWhateverTheText) {
    const auto noLabels = [](const std::string&) { return std::string(); };
    EXPECT_EQ(platform::pickableVolumes("", noLabels), (std::vector<Volume>{{"/", ""}}));
    EXPECT_EQ(
        platform::pickableVolumes("garbage\n1 2 3\n36 35 98:0 / /mnt/x rw - ext4\n", noLabels),
        (std::vector<Volume>{{"/", ""}}));
}

// A second mount on the same point hides the first: the entry is the visible one's.
TEST(PickableVolumes, ListsAnOvermountedPointOnce) {
    constexpr std::string_view mounts =
        R"(28 1 8:1 / / rw - ext4 /dev/sda1 rw
60 28 8:17 / /mnt/card rw - vfat /dev/sdb1 rw
61 60 8:33 / /mnt/card rw - exfat /dev/sdc1 rw
)";
    const std::map<std::string, std::string> labels{{"/dev/sdb1", "OLD"}, {"/dev/sdc1", "NEW"}};
    EXPECT_EQ(platform::pickableVolumes(mounts,
                                        [&](const std::string& d) { return labelFrom(labels, d); }),
              (std::vector<Volume>{{"/", ""}, {"/mnt/card", "NEW"}}));
}

TEST(VolumeHolding, PicksTheDeepestMountPointAboveThePath) {
    const std::vector<Volume> volumes{
        {"/", ""}, {"/home", ""}, {"/media/sd", ""}, {"/media/sdcard", ""}};
    EXPECT_EQ(platform::volumeHolding("/media/sdcard/DCIM", volumes), 3);
    EXPECT_EQ(platform::volumeHolding("/media/sd/DCIM", volumes), 2);
    EXPECT_EQ(platform::volumeHolding("/media/sd", volumes), 2);
    EXPECT_EQ(platform::volumeHolding("/media/sdx", volumes), 0);
    EXPECT_EQ(platform::volumeHolding("/homework", volumes), 0);
    EXPECT_EQ(platform::volumeHolding("/", volumes), 0);
    EXPECT_EQ(platform::volumeHolding("/tmp", {{"/home", ""}}), -1);
}

TEST(DriveLetterOf, TakesTheLetterOfAFullWindowsPathOnly) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"C:\\Users\\anna", "C:"},
        {"c:/users/anna", "C:"},
        {"D:", "D:"},
        {"z:\\", "Z:"},
        {"C:photo.jpg", ""},
        {"\\\\nas\\photos", ""},
        {"\\DCIM", ""},
        {"/media/anna", ""},
        {"", ""},
        {"1:/x", ""},
        {"宝:/x", ""},
        {"CD:/", ""},
    };
    for (const auto& [path, drive] : cases)
        EXPECT_EQ(navigation::driveLetterOf(path), drive) << path;
}

#ifdef _WIN32
// The drive letters there are, in order, the temporary folder's among them, each holding
// the paths written on it either way.
TEST(SystemVolumes, AreTheDriveLettersInOrder) {
    const std::vector<Volume> volumes = platform::systemVolumes();
    ASSERT_FALSE(volumes.empty());
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const std::string& drive = volumes[i].mountPoint;
        ASSERT_EQ(navigation::driveLetterOf(drive), drive);
        EXPECT_TRUE(i == 0 || volumes[i - 1].mountPoint < drive);
        EXPECT_EQ(platform::driveHolding(drive + "\\DCIM"), drive);
        EXPECT_EQ(platform::driveHolding(drive + "/DCIM"), drive);
    }
    const std::string temp = std::filesystem::temp_directory_path().string();
    EXPECT_GE(platform::volumeHolding(platform::driveHolding(temp), volumes), 0) << temp;

    std::string absent;
    for (char letter = 'A'; letter <= 'Z' && absent.empty(); ++letter) {
        const std::string drive{letter, ':'};
        if (std::none_of(volumes.begin(), volumes.end(),
                         [&](const Volume& v) { return v.mountPoint == drive; }))
            absent = drive;
    }
    EXPECT_EQ(platform::driveHolding(absent + "\\DCIM"), "");
    EXPECT_EQ(platform::driveHolding("\\\\nas\\photos"), "");
}
#endif

TEST(DecodeUdevName, DecodesHexEscapesOnly) {
    EXPECT_EQ(platform::decodeUdevName("CANON\\x20SD"), "CANON SD");
    EXPECT_EQ(platform::decodeUdevName("\\xe5\\xae\\x9d\\xe5\\xae\\x9d"), "宝宝");
    EXPECT_EQ(platform::decodeUdevName("A\\xZZ\\x2"), "A\\xZZ\\x2");
}

} // namespace
