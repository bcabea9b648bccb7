// The device manager with an iOS device behind a fake library: attach and
// detach, and the iOS side of the file operations.

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <filesystem>
#include <thread>

#include "support/FakeMobileDevice.h"
#include "support/FakeServices.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

using test::DeviceFixture;
using test::FakeMobileDevice;
using test::TempDir;

using Calls = std::vector<std::pair<bool, bool>>;

class IosDevice : public ::testing::Test {
 protected:
  IosDevice() : fake(phone.Path()) { fake.Attached = {"udid"}; }
  // The manager, with the phone attached before it was made.
  void SetUp() override {
    fx = std::make_unique<DeviceFixture>(&fake);
    ASSERT_TRUE(fx->Calls.empty());  // never before the constructor has returned
    fx->Dispatcher.RunPending();
    ASSERT_EQ(fx->Calls, (Calls{{true, true}}));
    fx->Device->ClearErrors();
  }
  TIpodDevice& device() { return *fx->Device; }
  std::string Phone(const std::string& path) { return test::WriteFile(phone / path, path); }

  TempDir phone, pc;
  FakeMobileDevice fake;
  std::unique_ptr<DeviceFixture> fx;
};

TEST_F(IosDevice, AttachAndDetachReachTheWindowThread) {
  EXPECT_TRUE(device().IsIos);
  EXPECT_TRUE(device().Connected);
  EXPECT_FALSE(device().IosUnavailable);
  fake.Detach("udid");
  EXPECT_TRUE(device().Connected);  // until the window thread has run
  fx->Dispatcher.RunPending();
  EXPECT_EQ(fx->Calls, (Calls{{true, true}, {false, true}}));
  EXPECT_FALSE(device().IsIos);
  EXPECT_FALSE(device().Connected);
}

TEST_F(IosDevice, AttachIsIgnoredWhileADiskModeIpodIsInUse) {
  fake.Detach("udid");
  fx->Dispatcher.RunPending();
  fx->Calls.clear();
  ASSERT_TRUE(fx->ConnectIpodAt(pc / "ipod"));
  fake.Attach("udid");
  fx->Dispatcher.RunPending();
  EXPECT_EQ(fx->Calls, (Calls{{true, false}}));
  EXPECT_FALSE(device().IsIos);
}

TEST_F(IosDevice, CopiesNeverReplaceAndLeaveNoPartialFile) {
  Phone("iTunes_Control/Music/F00/A.mp3");
  test::WriteFile(pc / "Song.mp3", "someone else's song");
  std::string dest = pc / "Song";
  EXPECT_EQ(device().CopyWithFreeName("iTunes_Control/Music/F00/A.mp3", dest, 0), 0);
  EXPECT_EQ(dest, pc / "Song1.mp3");
  EXPECT_EQ(test::ReadFileText(pc / "Song1.mp3"), "iTunes_Control/Music/F00/A.mp3");
  EXPECT_EQ(test::ReadFileText(pc / "Song.mp3"), "someone else's song");
  // Found in place the second time: the device's own size says so.
  dest = pc / "Song";
  EXPECT_EQ(device().CopyWithFreeName("iTunes_Control/Music/F00/A.mp3", dest, 0), 0);
  EXPECT_EQ(dest, pc / "Song1.mp3");

  device().IosSession().SetBufferSize(4);
  fake.FailReadsAfter = fake.BytesRead() + 4;  // unplugged after the first chunk
  EXPECT_EQ(device().CopyDeviceFile(":iTunes_Control:Music:F00:A.mp3", pc / "Cut.mp3"), EIO);
  EXPECT_EQ(device().ErrorText(), "\r\nCopy fail: Read error: 3892314113");
  EXPECT_EQ(test::ListTree(pc.Path()), (std::vector<std::string>{"Song.mp3", "Song1.mp3"}));
}

TEST_F(IosDevice, PathsFromADatabaseNeverLeaveTheMediaFolder) {
  for (const std::string path : {"../etc/passwd", "iTunes_Control/../../x", "/a//b.mp3", "./a.mp3",
                                 "", "C:\\..\\b.mp3", "a/../b"}) {
    device().ClearErrors();
    EXPECT_EQ(device().CopyDeviceFile(path, pc / "x"), ENOENT) << path;
    EXPECT_EQ(device().ErrorText(), "\r\nCopy fail: Not found: " + path);
    EXPECT_FALSE(device().DeviceFileExists(path));
  }
  for (const std::string& asked : fake.Paths) EXPECT_EQ(asked.find(".."), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(pc / "x"));
}

TEST_F(IosDevice, FetchesCopyTheDatabasesAndSayWhatIsMissing) {
  Phone("iTunes_Control/iTunes/MediaLibrary.sqlitedb");
  std::string first, second, wal;
  device().FetchItunesFile("MediaLibrary.sqlitedb", false, first, "");
  device().FetchItunesFile("MediaLibrary.sqlitedb", false, second, "");
  EXPECT_EQ(first, second);
  EXPECT_EQ(test::ReadFileText(first), "iTunes_Control/iTunes/MediaLibrary.sqlitedb");
  device().FetchItunesFile("MediaLibrary.sqlitedb-wal", false, wal, "-wal");
  EXPECT_TRUE(wal.empty());
  EXPECT_EQ(device().ErrorText(),
            "\r\nCopy itdb failed: Not found: /iTunes_Control/iTunes/MediaLibrary.sqlitedb-wal");
  device().DeleteWorkCopy(first);
  EXPECT_FALSE(std::filesystem::exists(first));
}

TEST_F(IosDevice, BinaryBooksListIsRewrittenAsXml) {
  plist_t books = plist_new_dict();
  plist_dict_set_item(books, "Books", plist_new_array());
  char* binary = nullptr;
  uint32_t length = 0;
  plist_to_bin(books, &binary, &length);
  test::WriteFile(phone / "Books/Books.plist", std::string(binary, length));
  plist_to_bin_free(binary);
  plist_free(books);
  std::string local;
  device().FetchBooksPlist(false, local);
  ASSERT_FALSE(local.empty()) << device().ErrorText();
  EXPECT_NE(test::ReadFileText(local).find("<key>Books</key>"), std::string::npos);
  device().FetchBooksPlist(true, local);
  EXPECT_TRUE(local.empty());
  EXPECT_NE(device().ErrorText().find("Copy puchased bookplist failed: Not found: "),
            std::string::npos);
}

TEST_F(IosDevice, BookFolderGoesToTheFirstFreeFolderName) {
  Phone("Books/Epub/mimetype");
  Phone("Books/Epub/OEBPS/c.xhtml");
  std::filesystem::create_directories(phone / "Books/Empty");
  std::filesystem::create_directories(pc / "Book");
  std::filesystem::create_directories(pc / "Book_1");
  std::string dest = pc / "Book";
  bool wasFolder = false;
  EXPECT_EQ(device().CopyItemOrFolder("Books/Epub", dest, wasFolder, 0), 0);
  EXPECT_TRUE(wasFolder);
  EXPECT_EQ(dest, pc / "Book_2/");
  EXPECT_EQ(test::ListTree(dest), (std::vector<std::string>{"OEBPS/c.xhtml", "mimetype"}));
  std::string empty = pc / "Empty";
  EXPECT_EQ(device().CopyItemOrFolder("Books/Empty", empty, wasFolder, 0), ENOENT);
  EXPECT_TRUE(std::filesystem::is_directory(empty));
}

TEST_F(IosDevice, CameraRollThumbnailStoresAndRecordings) {
  for (const char* name : {"IMG_0001.JPG", "IMG_0001.THM", "PANO.JPG", "IMG_0002.MOV"}) {
    Phone(std::string("DCIM/100APPLE/") + name);
  }
  Phone("Recordings/memo.m4a");
  Phone("Recordings/memo.txt");
  std::vector<std::string> roll, memos;
  EXPECT_EQ(device().ListCameraRoll(roll), 3);
  EXPECT_EQ(roll, (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.MOV", "PANO.JPG"}));
  EXPECT_EQ(device().ListRecordings(memos), 1);
  std::string folder;
  device().GetCameraRollFolder(folder);
  EXPECT_EQ(folder, "/DCIM/100APPLE/");
  EXPECT_EQ(device().CopyCameraFile(folder + "PANO.JPG", pc / "PANO.JPG"), 0);

  test::WriteFile(phone / "PhotoData/Thumbnails/120x120.ithmb", "0123456789");
  ASSERT_TRUE(device().OpenThumbFile("120x120.ithmb", 4));
  TMemoryStream stream;
  EXPECT_TRUE(device().ReadThumb(4, stream, 6));
  EXPECT_EQ(std::string(stream.Bytes.begin(), stream.Bytes.end()), "6789");
  EXPECT_FALSE(device().ReadThumb(4, stream, 8));  // past the end of the store
  device().CloseThumbFile();
  EXPECT_FALSE(device().OpenThumbFile("F1019", 4));
  EXPECT_NE(device().ErrorText().find("Not found"), std::string::npos);
}

// A book folder whose listing names paths outside it writes nothing outside
// the destination; names with control characters are cleaned.
TEST_F(IosDevice, ABookFolderListingNeverLeavesTheDestination) {
  Phone("Books/B.epub/mimetype");
  Phone("Books/B.epub/OEBPS/ring\a\x1b[31m.xhtml");
  fake.ExtraNames["/Books/B.epub/OEBPS/"] = {"../../../../tmp/x/evil.desktop", "..", "."};
  std::string dest = pc / "out/Book";
  bool wasFolder = false;
  EXPECT_EQ(device().CopyItemOrFolder("Books/B.epub", dest, wasFolder, 0), 0);
  EXPECT_EQ(test::ListTree(pc.Path()),
            (std::vector<std::string>{"out/Book/OEBPS/ring__[31m.xhtml", "out/Book/mimetype"}));
  EXPECT_NE(device().ErrorText().find(
                "Refused file name: /Books/B.epub/OEBPS/../../../../tmp/x/evil.desktop"),
            std::string::npos)
      << device().ErrorText();
}

// A Cancel while the device does not answer ends the copy within moments,
// leaves no part file, and the next copy connects anew.
TEST_F(IosDevice, AStopEndsACopyThatWaitsForTheDevice) {
  Phone("iTunes_Control/Music/F00/A.mp3");
  device().IosSession().SetBufferSize(4);
  fake.StallReadsAfter = fake.BytesRead() + 4;
  std::thread cancel([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    device().InterruptTransfer();
  });
  const auto start = std::chrono::steady_clock::now();
  const int code = device().CopyDeviceFile("iTunes_Control/Music/F00/A.mp3", pc / "A.mp3");
  cancel.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(code, ECANCELED);
  EXPECT_TRUE(test::ListTree(pc.Path()).empty());
  fake.StallReadsAfter.reset();
  fake.Calls.clear();
  EXPECT_EQ(device().CopyDeviceFile("iTunes_Control/Music/F00/A.mp3", pc / "A.mp3"), 0);
  EXPECT_EQ(fake.Calls.front(), "Connect");
  EXPECT_EQ(test::ReadFileText(pc / "A.mp3"), "iTunes_Control/Music/F00/A.mp3");
}

// An earlier copy cut short by an unplug is no copy: the next run writes the
// whole file beside it.
TEST_F(IosDevice, AShorterEarlierCopyDoesNotCountAsCopied) {
  Phone("iTunes_Control/Music/F00/A.mp3");  // holds its own path
  const std::string content = "iTunes_Control/Music/F00/A.mp3";
  test::WriteFile(pc / "Song.mp3", content.substr(0, content.size() - 3));
  std::string dest = pc / "Song";
  EXPECT_EQ(device().CopyWithFreeName("iTunes_Control/Music/F00/A.mp3", dest, 0), 0);
  EXPECT_EQ(dest, pc / "Song1.mp3");
  EXPECT_EQ(test::ReadFileText(pc / "Song1.mp3"), content);
}

TEST_F(IosDevice, CameraRollListingsGiveSingleNamesOnly) {
  Phone("DCIM/100APPLE/IMG_0001.JPG");
  fake.ExtraNames["/DCIM/100APPLE/"] = {"../../evil.JPG", "a/b.JPG"};
  std::vector<std::string> roll;
  EXPECT_EQ(device().ListCameraRoll(roll), 1);
  EXPECT_EQ(roll, std::vector<std::string>{"IMG_0001.JPG"});
}

}  // namespace
}  // namespace ortelan
