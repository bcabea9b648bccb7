// File operations on a disk-mode iPod held in a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/FakeServices.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using test::DeviceFixture;
using test::ReadFileText;
using test::TempDir;
using test::VolumeAt;
using test::WriteFile;

class DeviceFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceFixture::MakeIpodTree(ipod());
    fx.Volumes.Present = {VolumeAt(ipod())};
    ASSERT_TRUE(fx.Device->ScanDrives());
    fx.Device->ClearErrors();
    fs::create_directories(pc());
  }
  std::string ipod() const { return dir / "ipod"; }
  std::string pc() const { return dir / "pc"; }
  TIpodDevice& device() { return *fx.Device; }

  TempDir dir;
  DeviceFixture fx;
};

TEST_F(DeviceFiles, ReadItunesDbPrefersTheCompressedFile) {
  WriteFile(ipod() + "/iPod_Control/iTunes/iTunesDB", "plain");
  TMemoryStream stream;
  bool compressed = true;
  ASSERT_TRUE(device().ReadItunesDb(stream, compressed));
  EXPECT_FALSE(compressed);
  EXPECT_EQ(std::string(stream.Bytes.begin(), stream.Bytes.end()), "plain");
  EXPECT_EQ(device().ErrorText(), "\r\nNot found: /iPod_Control/iTunes/iTunesCDB");

  WriteFile(ipod() + "/iPod_Control/iTunes/iTunesCDB", "packed");
  ASSERT_TRUE(device().ReadItunesDb(stream, compressed));
  EXPECT_TRUE(compressed);
  EXPECT_EQ(stream.Size(), 6u);
  EXPECT_EQ(stream.Position, 0u);

  TMemoryStream photos;
  EXPECT_FALSE(device().ReadPhotoDatabase(photos));
  EXPECT_TRUE(device().ErrorText().ends_with("\r\nNot found: /Photos/Photo Database"));
}

TEST_F(DeviceFiles, PathsAreLookedUpWithoutRegardToCase) {
  WriteFile(ipod() + "/iPod_Control/Music/F24/VULT.mp3", "x");
  std::string found;
  for (const char* path :
       {":iPod_Control:Music:F24:VULT.mp3", "iPod_Control/Music/F24/VULT.mp3",
        "\\IPOD_CONTROL\\music\\f24\\vult.MP3", "//iPod_Control//Music/./F24/VULT.mp3"}) {
    EXPECT_TRUE(device().ResolveDevicePath(path, found)) << path;
    EXPECT_EQ(found, ipod() + "/iPod_Control/Music/F24/VULT.mp3") << path;
    EXPECT_TRUE(device().DeviceFileExists(path));
  }
  EXPECT_EQ(device().DeviceFileSize(":ipod_control:MUSIC:F24:vult.mp3"), 1);
}

TEST_F(DeviceFiles, PathsNeverLeaveTheDevice) {
  WriteFile(dir / "secret", "host file");
  WriteFile(ipod() + "/inside", "ok");
  fs::create_symlink(dir / "secret", ipod() + "/link-out");
  fs::create_symlink(dir.Path(), ipod() + "/dir-out");
  fs::create_symlink(ipod() + "/inside", ipod() + "/link-in");
  std::string found;
  for (const char* path : {"../secret", ":..:secret", "\\iPod_Control\\..\\..\\secret", "/link-out",
                           "dir-out/secret", "DIR-OUT/secret", "/etc/passwd"}) {
    EXPECT_FALSE(device().ResolveDevicePath(path, found)) << path;
    EXPECT_EQ(device().CopyDeviceFile(path, pc() + "/copy"), ENOENT) << path;
    TMemoryStream stream;
    EXPECT_FALSE(device().ReadDeviceFile(path, stream));
    EXPECT_TRUE(device().ErrorText().ends_with(std::string("Not found: ") + path)) << path;
  }
  EXPECT_FALSE(fs::exists(pc() + "/copy"));
  EXPECT_TRUE(device().ResolveDevicePath("/link-in", found));  // a link inside is fine
}

TEST_F(DeviceFiles, CopyDeviceFileNeverOverwritesNorLeavesAPartialFile) {
  const std::string content(300000, 'm');
  WriteFile(ipod() + "/iPod_Control/Music/F00/A.mp3", content);
  EXPECT_EQ(device().CopyDeviceFile(":iPod_Control:Music:F00:A.mp3", pc() + "/a.mp3"), 0);
  EXPECT_EQ(ReadFileText(pc() + "/a.mp3"), content);

  WriteFile(pc() + "/b.mp3", "keep me");
  EXPECT_EQ(device().CopyDeviceFile(":iPod_Control:Music:F00:A.mp3", pc() + "/b.mp3"), EEXIST);
  EXPECT_EQ(ReadFileText(pc() + "/b.mp3"), "keep me");

  fx.Files.FailAfterBytes = 65536;  // the disk fills up half-way
  EXPECT_EQ(device().CopyDeviceFile(":iPod_Control:Music:F00:A.mp3", pc() + "/c.mp3"), ENOSPC);
  fx.Files.FailErrno = EIO;  // the device is pulled half-way
  EXPECT_EQ(device().CopyDeviceFile(":iPod_Control:Music:F00:A.mp3", pc() + "/c.mp3"), EIO);
  fx.Files.FailAfterBytes.reset();
  fs::remove(ipod() + "/iPod_Control/Music/F00/A.mp3");  // gone before the copy starts
  EXPECT_EQ(device().CopyDeviceFile(":iPod_Control:Music:F00:A.mp3", pc() + "/c.mp3"), ENOENT);
  EXPECT_EQ(test::ListTree(pc()), (std::vector<std::string>{"a.mp3", "b.mp3"}));
}

TEST_F(DeviceFiles, CopyWithFreeNameNumbersOrReusesNames) {
  WriteFile(ipod() + "/iPod_Control/Music/F00/S.mp3", "12345");
  const std::string dev = ":iPod_Control:Music:F00:S.mp3";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> existing;
    std::string expected;
    bool copied;
  } cases[] = {
      {"empty folder", {}, "Song.mp3", true},
      {"same size there", {{"Song.mp3", "abcde"}}, "Song.mp3", false},
      {"numbered one has the size",
       {{"Song.mp3", "abc"}, {"Song1.mp3", "vwxyz"}},
       "Song1.mp3",
       false},
      {"both differ", {{"Song.mp3", "abc"}, {"Song1.mp3", "ab"}}, "Song2.mp3", true},
  };
  for (const Case& c : cases) {
    TempDir dest;
    for (const auto& [name, content] : c.existing) WriteFile(dest / name, content);
    std::string base = dest / "Song";
    const int copiesBefore = fx.Files.Copies;
    EXPECT_EQ(device().CopyWithFreeName(dev, base, 5), 0) << c.name;
    EXPECT_EQ(base, dest / c.expected) << c.name;
    EXPECT_EQ(fx.Files.Copies - copiesBefore, c.copied ? 1 : 0) << c.name;
    if (c.copied) {
      EXPECT_EQ(ReadFileText(base), "12345") << c.name;
    }
  }
}

TEST_F(DeviceFiles, SizesAreZeroForMissingFiles) {
  EXPECT_EQ(device().PcFileSize(pc() + "/missing"), 0);
  EXPECT_TRUE(device().HasSize(pc() + "/missing", 0));
  EXPECT_EQ(device().DeviceFileSize(":nothing"), 0);
  bool wasFolder = true;
  std::string base = "x";
  EXPECT_EQ(device().CopyItemOrFolder(":a", base, wasFolder, 0), 1);
  EXPECT_FALSE(wasFolder);
}

TEST_F(DeviceFiles, CheckDestinationRefusesTheIpodAndTooLittleSpace) {
  std::string folder = ipod() + "/Music/out";
  EXPECT_FALSE(device().CheckDestination(folder, 0));
  EXPECT_EQ(folder, ipod() +
                        " is your iPod.\rYou cannot transfer the files from iPod to iPod. Please "
                        "choose another folder in your computer.");
  fs::create_symlink(ipod(), dir / "alias");  // the same folder by another name
  folder = dir / "alias/out";
  EXPECT_FALSE(device().CheckDestination(folder, 0));

  fx.Files.FreeBytes = 1000;
  folder = pc() + "/new";
  EXPECT_FALSE(device().CheckDestination(folder, 1000));
  EXPECT_TRUE(folder.ends_with(
      " hasn't enough free disk space to save all the selected items.\rPlease choose another "
      "place to try again."));
  EXPECT_FALSE(fs::exists(pc() + "/new"));

  folder = pc() + "/new/deeper";
  EXPECT_TRUE(device().CheckDestination(folder, 999));
  EXPECT_EQ(folder, pc() + "/new/deeper/");
  EXPECT_TRUE(fs::is_directory(folder));

  WriteFile(pc() + "/file", "a file is in the way");
  folder = pc() + "/file/sub";
  EXPECT_FALSE(device().CheckDestination(folder, 0));
  EXPECT_EQ(folder,
            "Can not create the folder: " + pc() + "/file/sub\rPlease choose another place.");
}

TEST_F(DeviceFiles, CameraRollListsImagesAndFindsPreviews) {
  const std::string roll = ipod() + "/DCIM/100APPLE/";
  WriteFile(roll + "IMG_0001.JPG", "jpeg");
  WriteFile(roll + "IMG_0001.THM", "thumb");
  WriteFile(roll + "IMG_0002.MOV", "movie");
  WriteFile(roll + "img_0003.png", "png");
  WriteFile(roll + "OTHER.JPG", "not a camera name");
  WriteFile(roll + ".IMG_hidden.JPG", "hidden");
  fs::create_directories(roll + "IMG_folder");
  std::vector<std::string> names;
  EXPECT_EQ(device().ListCameraRoll(names), 3);
  EXPECT_EQ(names, (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.MOV", "img_0003.png"}));

  std::string folder;
  device().GetCameraRollFolder(folder);
  EXPECT_EQ(folder, ipod() + "/DCIM/100APPLE/");
  TMemoryStream stream;
  std::string ext;
  ASSERT_TRUE(device().ReadCameraThumb(folder, "IMG_0001.JPG", stream, ext));
  EXPECT_EQ(ext, ".JPG");
  EXPECT_EQ(stream.Size(), 5u);  // the .THM preview
  ASSERT_TRUE(device().ReadCameraThumb(folder, "IMG_0002.MOV", stream, ext));
  EXPECT_EQ(ext, ".MOV");
  EXPECT_EQ(stream.Size(), 0u);
  ASSERT_TRUE(device().ReadCameraThumb(folder, "img_0003.png", stream, ext));
  EXPECT_EQ(ext, ".png");
  EXPECT_EQ(stream.Size(), 3u);
  EXPECT_TRUE(device().ErrorText().ends_with("Not found: " + folder + "img_0003.THM"));

  WriteFile(pc() + "/x", "");
  EXPECT_EQ(device().CopyCameraFile(folder + "IMG_0002.MOV", pc() + "/m.mov"), 0);
  EXPECT_EQ(device().CopyCameraFile(dir / "x", pc() + "/n.mov"), ENOENT);  // not on the device
}

TEST_F(DeviceFiles, RecordingsAreTheM4aFiles) {
  WriteFile(ipod() + "/Recordings/20090101 120000.m4a", "a");
  WriteFile(ipod() + "/Recordings/B.M4A", "b");
  WriteFile(ipod() + "/Recordings/notes.txt", "c");
  std::vector<std::string> names;
  EXPECT_EQ(device().ListRecordings(names), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"20090101 120000.m4a", "B.M4A"}));
}

TEST_F(DeviceFiles, ThumbStoresAreReadRecordByRecord) {
  WriteFile(ipod() + "/Photos/Thumbs/F1019_1.ithmb", "0123456789");
  EXPECT_FALSE(device().OpenThumbFile("F9999_1", 4));
  EXPECT_TRUE(device().ErrorText().ends_with("\r\nFile not found: F9999_1"));
  ASSERT_TRUE(device().OpenThumbFile("F1019_1", 4));
  TMemoryStream stream;
  stream.Write("HD", 2);  // a header the caller put in front
  ASSERT_TRUE(device().ReadThumb(4, stream, 6));
  EXPECT_EQ(std::string(stream.Bytes.begin(), stream.Bytes.end()), "HD6789");
  EXPECT_EQ(stream.Position, 0u);
  stream.Clear();
  EXPECT_FALSE(device().ReadThumb(4, stream, 8));  // only two bytes left
  device().CloseThumbFile();
  EXPECT_FALSE(device().ReadThumb(1, stream, 0));
}

TEST_F(DeviceFiles, FetchGivesACopyOrNothing) {
  WriteFile(ipod() + "/iPod_Control/iTunes/iTunes Library.itlp/Library.itdb", "db");
  std::string local = "stale";
  device().FetchItunesFile("Library.itdb", true, local, "");
  EXPECT_EQ(local, device().WorkFile);
  EXPECT_EQ(test::ReadFileText(local), "db");
  device().FetchItunesFile("MediaLibrary.sqlitedb", false, local, "");
  EXPECT_EQ(local, "");
  device().FetchBooksPlist(false, local);
  EXPECT_EQ(local, "");
}

}  // namespace
}  // namespace ortelan
