// What a damaged or crafted device must never do: hang on a special file,
// read without bound, hand over a file from outside, or take itself as the
// destination under another name.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/FakeServices.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using test::DeviceFixture;
using test::ListTree;
using test::TempDir;
using test::VolumeAt;
using test::WriteFile;

class HostileDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx.ConnectIpodAt(ipod()));
    fs::create_directories(pc());
  }
  std::string ipod() const { return dir / "ipod"; }
  std::string pc() const { return dir / "pc"; }
  TIpodDevice& device() { return *fx.Device; }
  void MakeFifo(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  }

  TempDir dir;
  DeviceFixture fx;
};

TEST_F(HostileDevice, SpecialFilesAreRefusedByNameAndNeverBlock) {
  MakeFifo(ipod() + "/iPod_Control/iTunes/iTunesDB");
  MakeFifo(ipod() + "/iPod_Control/iTunes/MediaLibrary.sqlitedb");
  MakeFifo(ipod() + "/iPod_Control/Music/F00/FIFO.mp3");
  MakeFifo(ipod() + "/Photos/Thumbs/F1019_1.ithmb");
  fs::create_directories(ipod() + "/iPod_Control/Music/F00/Folder.mp3");
  fs::create_symlink("/dev/zero", ipod() + "/iPod_Control/Music/F00/Zero.mp3");

  TMemoryStream stream;
  bool compressed = false;
  EXPECT_FALSE(device().ReadItunesDb(stream, compressed));
  EXPECT_TRUE(
      device().ErrorText().ends_with("\r\nNot a regular file: /iPod_Control/iTunes/iTunesDB"))
      << device().ErrorText();

  std::string local = "x";
  device().FetchItunesFile("MediaLibrary.sqlitedb", false, local, "");
  EXPECT_EQ(local, "");
  EXPECT_NE(device().ErrorText().find("Copy itdb failed: Not a regular file"), std::string::npos);

  EXPECT_FALSE(device().OpenThumbFile("F1019_1", 100));

  const struct {
    const char* track;
    int code;
  } tracks[] = {{":iPod_Control:Music:F00:FIFO.mp3", platform::kNotRegularFile},
                {":iPod_Control:Music:F00:Folder.mp3", EISDIR},
                {":iPod_Control:Music:F00:Zero.mp3", ENOENT}};  // a link out: not there
  for (const auto& t : tracks) {
    std::string base = pc() + "/track";
    EXPECT_EQ(device().CopyWithFreeName(t.track, base, 0), t.code) << t.track;
  }
  EXPECT_TRUE(ListTree(pc()).empty());
}

TEST_F(HostileDevice, AnAbsurdlyLargeDatabaseIsRefusedBeforeItIsRead) {
  const std::string database = ipod() + "/iPod_Control/iTunes/iTunesDB";
  WriteFile(database, "");
  fs::resize_file(database, uint64_t{64} << 30);  // a damaged directory entry; sparse here
  TMemoryStream stream;
  bool compressed = false;
  EXPECT_FALSE(device().ReadItunesDb(stream, compressed));
  EXPECT_TRUE(device().ErrorText().ends_with(
      "\r\nFile too large: /iPod_Control/iTunes/iTunesDB (68719476736 bytes; a database is at "
      "most 512 MB)"))
      << device().ErrorText();
  EXPECT_EQ(stream.Bytes.capacity(), 0u);

  const std::string photos = ipod() + "/PhotoData/Photos.sqlite";
  WriteFile(photos, "");
  fs::resize_file(photos, uint64_t{64} << 30);
  std::string local = "x";
  device().FetchPhotoDataFile("Photos.sqlite", "", local);
  EXPECT_EQ(local, "");
  EXPECT_NE(
      device().ErrorText().find("Copy photodb failed: File too large: /PhotoData/Photos.sqlite"),
      std::string::npos);
}

TEST_F(HostileDevice, AFolderSwappedForALinkAfterItsCheckHandsOverNothing) {
  WriteFile(ipod() + "/iPod_Control/Music/F00/A.mp3", "the track");
  WriteFile(dir / "private/A.mp3", "a file of the user's, outside the device");
  std::string resolved;
  ASSERT_TRUE(device().ResolveDevicePath(":iPod_Control:Music:F00:A.mp3", resolved));
  // The folder is checked and remembered; then it changes under the program.
  fs::rename(ipod() + "/iPod_Control/Music/F00", ipod() + "/iPod_Control/Music/Old");
  fs::create_symlink(dir / "private", ipod() + "/iPod_Control/Music/F00");
  EXPECT_NE(device().CopyDeviceFile(":iPod_Control:Music:F00:A.mp3", pc() + "/A.mp3"), 0);
  EXPECT_FALSE(fs::exists(pc() + "/A.mp3"));
}

TEST_F(HostileDevice, TheDeviceUnderAnotherMountIsNoDestination) {
  fs::create_directories(dir / "bound");
  if (mount(ipod().c_str(), (dir / "bound").c_str(), nullptr, MS_BIND, nullptr) != 0) {
    GTEST_SKIP() << "bind mounts need privileges this run does not have";
  }
  std::string folder = dir / "bound/Music";
  const bool accepted = device().CheckDestination(folder, 0);
  umount((dir / "bound").c_str());
  EXPECT_FALSE(accepted);
  EXPECT_TRUE(
      folder.ends_with(" is your iPod.\rYou cannot transfer the files from iPod to iPod. "
                       "Please choose another folder in your computer."));
  EXPECT_FALSE(fs::exists(ipod() + "/Music"));
}

TEST_F(HostileDevice, FoldersListedForCaseLookupsAreReadAgainOnceTheyChange) {
  WriteFile(ipod() + "/iPod_Control/Music/F00/AAAA.MP3", "a");
  std::string found;
  ASSERT_TRUE(device().ResolveDevicePath(":iPod_Control:Music:F00:aaaa.mp3", found));
  EXPECT_FALSE(device().ResolveDevicePath(":iPod_Control:Music:F00:bbbb.mp3", found));
  WriteFile(ipod() + "/iPod_Control/Music/F00/BBBB.MP3", "b");
  ASSERT_TRUE(device().ResolveDevicePath(":iPod_Control:Music:F00:bbbb.mp3", found));
  EXPECT_EQ(found, ipod() + "/iPod_Control/Music/F00/BBBB.MP3");
  fs::remove(ipod() + "/iPod_Control/Music/F00/AAAA.MP3");
  EXPECT_FALSE(device().ResolveDevicePath(":iPod_Control:Music:F00:aaaa.mp3", found));
}

}  // namespace
}  // namespace ortelan
