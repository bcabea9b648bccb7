// Finding the iPod, following its volume, and the start-up log.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/FakeServices.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

using test::DeviceFixture;
using test::TempDir;
using test::VolumeAt;

constexpr const char* kLost = "\r\n[!]: Lost iPod, please connect iPod to try again";
constexpr const char* kCreateLog =
    "\r\nCannot load the iTunes Dll, requires iTunes 7.5 or above."
    "\r\nCannot access iPhone/iTouch/iPad.";

class DeviceState : public ::testing::Test {
 protected:
  // Volumes e (a stick), f and h (iPods), as mount points below one folder.
  void SetUp() override {
    for (const char* name : {"e", "f", "h"}) std::filesystem::create_directories(dir / name);
    DeviceFixture::MakeIpodTree(dir / "f");
    DeviceFixture::MakeIpodTree(dir / "h");
  }
  TempDir dir;
  DeviceFixture fx;
};

TEST_F(DeviceState, CreateLogsTheMissingIosLibrary) {
  EXPECT_EQ(fx.Device->ErrorText(), kCreateLog);
  EXPECT_TRUE(fx.Device->IosUnavailable);
  EXPECT_FALSE(fx.Device->Connected);
}

TEST_F(DeviceState, ScanTakesTheFirstIpodInMountPointOrderWithOneCall) {
  fx.Volumes.Present = {VolumeAt(dir / "e"), VolumeAt(dir / "f"), VolumeAt(dir / "h")};
  EXPECT_TRUE(fx.Device->ScanDrives());
  EXPECT_EQ(fx.Device->Drive, dir / "f");
  EXPECT_TRUE(fx.Device->Connected);
  EXPECT_TRUE(fx.Device->DiskModeConnected);
  EXPECT_EQ(fx.Calls, (std::vector<std::pair<bool, bool>>{{true, false}}));
}

TEST_F(DeviceState, ScanWithoutAnIpodFindsNothingAndCallsNothing) {
  fx.Volumes.Present = {VolumeAt(dir / "e"), VolumeAt(dir / "missing")};
  EXPECT_FALSE(fx.Device->ScanDrives());
  EXPECT_TRUE(fx.Calls.empty());
  EXPECT_TRUE(fx.Device->Drive.empty());
}

TEST_F(DeviceState, IpodFolderIsFoundWhateverItsCase) {
  std::filesystem::create_directories(dir / "e/IPOD_CONTROL/itunes");
  EXPECT_TRUE(fx.Device->ProbeDrive(VolumeAt(dir / "e")));
  test::WriteFile(dir / "h/iPod_Control/iTunes.txt", "not a folder");
  std::filesystem::remove_all(dir / "h/iPod_Control/iTunes");
  EXPECT_FALSE(fx.Device->ProbeDrive(VolumeAt(dir / "h")));
}

TEST_F(DeviceState, VolumeChangesReachTheDeviceOnlyThroughTheDispatcher) {
  fx.Volumes.Arrive(VolumeAt(dir / "e"));
  fx.Volumes.Arrive(VolumeAt(dir / "f"));
  EXPECT_TRUE(fx.Calls.empty());  // still queued for the window thread
  fx.Dispatcher.RunPending();
  EXPECT_EQ(fx.Calls, (std::vector<std::pair<bool, bool>>{{true, false}}));
  EXPECT_EQ(fx.Device->Drive, dir / "f");

  // A second iPod while connected, and the removal of another volume: nothing.
  fx.Volumes.Arrive(VolumeAt(dir / "h"));
  fx.Volumes.Remove(dir / "e");
  fx.Dispatcher.RunPending();
  EXPECT_EQ(fx.Calls.size(), 1u);
  EXPECT_EQ(fx.Device->Drive, dir / "f");

  // The iPod's own removal: exactly one call and one line.
  fx.Volumes.Remove(dir / "f");
  fx.Dispatcher.RunPending();
  EXPECT_EQ(fx.Calls, (std::vector<std::pair<bool, bool>>{{true, false}, {false, false}}));
  EXPECT_EQ(fx.Device->ErrorText(), std::string(kCreateLog) + kLost);
  EXPECT_FALSE(fx.Device->Connected);
  EXPECT_FALSE(fx.Device->DiskModeConnected);
  EXPECT_TRUE(fx.Device->Drive.empty());

  // Once idle, the other iPod's arrival connects again.
  fx.Volumes.Remove(dir / "h");
  fx.Volumes.Arrive(VolumeAt(dir / "h"));
  fx.Dispatcher.RunPending();
  EXPECT_EQ(fx.Calls.back(), std::make_pair(true, false));
  EXPECT_EQ(fx.Device->Drive, dir / "h");
}

TEST_F(DeviceState, ChangesQueuedForADestroyedManagerAreDropped) {
  fx.Volumes.Arrive(VolumeAt(dir / "f"));
  fx.Device.reset();
  EXPECT_EQ(fx.Dispatcher.RunPending(), 1);
  EXPECT_TRUE(fx.Calls.empty());
}

TEST_F(DeviceState, IosChangesAreIgnoredWhileADiskModeIpodIsInUse) {
  fx.Volumes.Present = {VolumeAt(dir / "f")};
  fx.Device->ScanDrives();
  fx.Device->IosDeviceChanged(true);
  EXPECT_FALSE(fx.Device->IsIos);
  EXPECT_EQ(fx.Calls.size(), 1u);

  DeviceFixture idle;
  idle.Device->IosDeviceChanged(true);
  EXPECT_TRUE(idle.Device->IsIos && idle.Device->Connected);
  // While an iOS device is in use, volumes are not looked at.
  idle.Volumes.Arrive(VolumeAt(dir / "f"));
  idle.Dispatcher.RunPending();
  idle.Device->IosDeviceChanged(false);
  EXPECT_EQ(idle.Calls, (std::vector<std::pair<bool, bool>>{{true, true}, {false, true}}));
  EXPECT_FALSE(idle.Device->Connected);
}

TEST_F(DeviceState, EjectOnCloseEjectsTheDiskModeVolume) {
  fx.Volumes.Present = {VolumeAt(dir / "f")};
  fx.Device->ScanDrives();
  fx.Device->EjectOnClose = true;
  fx.Device.reset();
  EXPECT_EQ(fx.Volumes.Ejected, 1);
}

TEST(FormatSize, PrintsTwoDecimalsInTheRightUnit) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0.00 KB"},          {512, "0.50 KB"},           {1048575, "1024.00 KB"},
      {1048576, "1.00 MB"},    {1073741824, "1024.00 MB"}, {1073741825, "1.00 GB"},
      {1610612736, "1.50 GB"}, {-2048, "-2.00 KB"},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(TIpodDevice::FormatSize(size), text) << size;
}

}  // namespace
}  // namespace ortelan
