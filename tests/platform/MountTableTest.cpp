#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/MountTable.h"
#include "support/TempDir.h"

namespace ortelan::platform::linux_impl {
namespace {

namespace fs = std::filesystem;

TEST(MountInfo, ParsesFieldsAndDecodesEscapes) {
  const char* text =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "98 22 8:17 / /media/ann/ANN\\040IPOD rw,nosuid master:7 shared:9 - vfat /dev/sdb1 rw\n"
      "garbage line\n"
      "99 22 0:50 / /mnt/back\\134slash rw - fuse.x my\\040src rw";
  const auto entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].MountPoint, "/");
  EXPECT_EQ(entries[1].MajorMinor, "8:17");
  EXPECT_EQ(entries[1].MountPoint, "/media/ann/ANN IPOD");
  EXPECT_EQ(entries[1].FsType, "vfat");
  EXPECT_EQ(entries[1].Source, "/dev/sdb1");
  EXPECT_EQ(entries[2].MountPoint, "/mnt/back\\slash");
  EXPECT_EQ(entries[2].Source, "my src");
}

TEST(MountInfo, DecodesEscapedFieldsAndLabels) {
  EXPECT_EQ(DecodeMountField("a\\011b\\012c"), "a\tb\nc");
  EXPECT_EQ(DecodeMountField("trailing\\04"), "trailing\\04");  // incomplete escape kept
  EXPECT_EQ(DecodeLabelName("ANN\\x27S\\x20IPOD"), "ANN'S IPOD");
}

TEST(MountInfo, DiffGivesRemovalsThenArrivals) {
  const std::vector<Volume> before = {{"/media/a", "/dev/sdb1", "A", false},
                                      {"/media/b", "/dev/sdc1", "B", false}};
  const std::vector<Volume> after = {{"/media/b", "/dev/sdc1", "B", false},
                                     {"/media/c", "/dev/sdd1", "C", false}};
  const auto changes = DiffVolumes(before, after);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_FALSE(changes[0].Arrived);
  EXPECT_EQ(changes[0].Vol.MountPoint, "/media/a");
  EXPECT_TRUE(changes[1].Arrived);
  EXPECT_EQ(changes[1].Vol.MountPoint, "/media/c");
  EXPECT_TRUE(DiffVolumes(after, after).empty());
  // Another device mounted at the same place is a removal and an arrival.
  EXPECT_EQ(
      DiffVolumes({{"/media/a", "/dev/sdb1", "", false}}, {{"/media/a", "/dev/sde1", "", false}})
          .size(),
      2u);
}

// A sysfs tree with a USB stick, an internal disk and a removable card reader.
TEST(RemovableDevices, AreToldFromSysfs) {
  test::TempDir sys;
  auto device = [&](const std::string& path, const char* removable) {
    fs::create_directories(sys / path);
    test::WriteFile(sys / (path + "/removable"), std::string(removable) + "\n");
  };
  auto partition = [&](const std::string& disk, const std::string& name, const std::string& mm) {
    fs::create_directories(sys / (disk + "/" + name));
    test::WriteFile(sys / (disk + "/" + name + "/partition"), "1\n");
    fs::create_directories(sys / "dev/block");
    fs::create_symlink(sys / (disk + "/" + name), sys / ("dev/block/" + mm));
  };
  device("devices/pci0/usb1/1-1/host6/block/sdb", "0");
  partition("devices/pci0/usb1/1-1/host6/block/sdb", "sdb1", "8:17");
  device("devices/pci0/ata1/block/sda", "0");
  partition("devices/pci0/ata1/block/sda", "sda1", "8:1");
  device("devices/pci0/mmc/block/mmcblk0", "1");
  partition("devices/pci0/mmc/block/mmcblk0", "mmcblk0p1", "179:1");

  EXPECT_TRUE(IsRemovableBlockDevice(sys.Path(), "8:17"));
  EXPECT_FALSE(IsRemovableBlockDevice(sys.Path(), "8:1"));
  EXPECT_TRUE(IsRemovableBlockDevice(sys.Path(), "179:1"));
  EXPECT_FALSE(IsRemovableBlockDevice(sys.Path(), "0:50"));  // no block device
}

}  // namespace
}  // namespace ortelan::platform::linux_impl
