// The iOS session over a fake library: the connection sequence and its
// failures, the read loop, positioned reads and folder listings.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "device/IosHelper.h"
#include "support/FakeMobileDevice.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

using test::FakeMobileDevice;
using test::TempDir;

class IosSession : public ::testing::Test {
 protected:
  IosSession() : fake(dir.Path()) {}
  void SetUp() override {
    session = std::make_unique<TIosHelper>(&fake, 0, [this](bool c) { changes.push_back(c); });
  }
  // A connected session with a buffer of `bufferBytes`.
  void Connect(uint32_t bufferBytes) {
    session->SetBufferSize(bufferBytes);
    ASSERT_TRUE(session->ConnectDevice("udid"));
    fake.Calls.clear();
  }

  TempDir dir;
  FakeMobileDevice fake;
  std::unique_ptr<TIosHelper> session;
  std::vector<bool> changes;
};

TEST_F(IosSession, ConnectionSequenceFailuresSayWhereAndWithWhichCode) {
  struct Case {
    std::map<std::string, platform::MobileResult> failures;
    bool paired;
    std::string lastError;
  } cases[] = {
      {{{"Connect", 0xE800001Au}}, true, "Connect failed: 3892314138"},
      {{{"ValidatePairing", 5}, {"Pair", 6}},
       true,
       "Invalid pair: 6 (Run iTunes to pair the device)"},
      {{{"Pair", 0xFFFFFFF0u}}, false, "Pair failed: 4294967280 (Run iTunes to pair the device)"},
      {{{"StartSession", 17}}, true, "Cannot start session: 17"},
      {{{"StartService", 3}}, true, "Cannot start AFC service: 3"},
      {{{"AfcConnectionOpen", 9}}, true, "Open AFC error: 9"},
  };
  for (const Case& c : cases) {
    fake.Failures = c.failures;
    fake.Paired = c.paired;
    session->LastError().clear();
    EXPECT_FALSE(session->ConnectDevice("udid")) << c.lastError;
    EXPECT_EQ(session->LastError(), c.lastError);
    EXPECT_FALSE(session->AfcOpen());
  }
}

TEST_F(IosSession, PairingThatNoLongerHoldsIsMadeAgainAndTheSessionEndsBeforeAfc) {
  fake.Failures = {{"ValidatePairing", 5}};
  ASSERT_TRUE(session->ConnectDevice("udid"));
  EXPECT_EQ(fake.Calls, (std::vector<std::string>{"Connect", "IsPaired", "ValidatePairing", "Pair",
                                                  "StartSession", "StartService", "StopSession",
                                                  "Disconnect", "AfcConnectionOpen"}));
  EXPECT_EQ(fake.Paths, std::vector<std::string>{"com.apple.afc"});
  EXPECT_TRUE(session->AfcOpen());
  EXPECT_FALSE(session->SessionOpen());
}

TEST_F(IosSession, NotificationsConnectAndReportOnlyWhenTheSequenceSucceeded) {
  session->Start(false);  // subscribes
  fake.Failures = {{"Connect", 1}};
  fake.Attach("udid");
  EXPECT_TRUE(changes.empty());
  EXPECT_FALSE(session->Connected);
  fake.Failures.clear();
  fake.Attach("udid");
  fake.Detach("other");
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  EXPECT_EQ(session->AttachesHandled, 2);
  // A session that has gone hears of nothing more.
  session.reset();
  fake.Attach("udid");
  EXPECT_EQ(changes.size(), 2u);
}

TEST_F(IosSession, ReadLoopEndsOnAShortReadAndHandlesEmptyAndMissingFiles) {
  Connect(4);
  test::WriteFile(dir / "eight", "abcdefgh");
  test::WriteFile(dir / "empty", "");
  TMemoryStream stream;
  ASSERT_TRUE(session->ReadToStream("/eight", stream, 100));
  EXPECT_EQ(std::string(stream.Bytes.begin(), stream.Bytes.end()), "abcdefgh");
  // An exact multiple of the buffer ends with one read that gives nothing.
  EXPECT_EQ(fake.ReadSizes, (std::vector<uint32_t>{4, 4, 0}));
  TMemoryStream empty;
  EXPECT_TRUE(session->ReadToStream("/empty", empty, 100));
  EXPECT_EQ(empty.Size(), 0u);
  EXPECT_FALSE(session->ReadToStream("/none", empty, 100));
  EXPECT_EQ(session->LastError(), "Not found: /none");
  EXPECT_FALSE(session->ReadToStream("/eight", empty, 5));
  EXPECT_EQ(session->LastError(), "File too large: /eight");
  fake.Failures = {{"AfcFileRefRead", 0x80000001u}};
  EXPECT_FALSE(session->ReadToStream("/eight", empty, 100));
  EXPECT_EQ(session->LastError(), "Read error: 2147483649");
}

TEST_F(IosSession, PositionedReadsCollectShortReadsAndFailPastTheEnd) {
  Connect(4);
  test::WriteFile(dir / "store", "0123456789");
  ASSERT_TRUE(session->OpenFile("/store"));
  fake.ReadLimit = 3;
  uint8_t bytes[6] = {};
  ASSERT_TRUE(session->ReadAt(5, bytes, 2));
  EXPECT_EQ(std::string(bytes, bytes + 5), "23456");
  EXPECT_FALSE(session->ReadAt(6, bytes, 7));
  EXPECT_EQ(session->LastError(), "Read Err: the file ends after 3 of 6 bytes");
  session->CloseFile();
  EXPECT_FALSE(session->OpenFile("/none"));
  EXPECT_EQ(session->LastError(), "Not found");
}

TEST_F(IosSession, ListingsTakePlainFilesOnly) {
  Connect(4);
  std::filesystem::create_directories(dir / "Books/Empty");
  std::filesystem::create_directories(dir / "Books/Epub/OEBPS");
  test::WriteFile(dir / "Books/a.pdf", "a");
  test::WriteFile(dir / "Books/Epub/mimetype", "m");
  test::WriteFile(dir / "Books/Epub/OEBPS/c.xhtml", "c");
  std::filesystem::create_symlink("a.pdf", (dir / "Books/link.pdf"));
  std::vector<std::string> tree, files;
  session->ListTree("/Books/", tree);
  EXPECT_EQ(tree, (std::vector<std::string>{"/Books/Epub/OEBPS/c.xhtml", "/Books/Epub/mimetype",
                                            "/Books/a.pdf"}));
  session->ListFiles("/Books/", files);
  EXPECT_EQ(files, std::vector<std::string>{"a.pdf"});
  session->ListFiles("/None/", files);
  EXPECT_EQ(session->LastError(), "Path not found: /None/");
}

TEST_F(IosSession, SizesAreSixtyFourBit) {
  Connect(4);
  test::WriteFile(dir / "movie.mov", "");
  std::filesystem::resize_file(dir / "movie.mov", int64_t{5} << 30);  // sparse
  EXPECT_EQ(session->GetFileSize("/movie.mov"), int64_t{5} << 30);
  EXPECT_EQ(session->GetFileKind("/movie.mov"), TFileKind::Regular);
  EXPECT_EQ(session->GetFileKind("/"), TFileKind::Directory);
  EXPECT_EQ(session->GetFileKind("/none"), TFileKind::Missing);
  EXPECT_EQ(session->GetFileSize("/none"), 0);
}

// A read takes exactly the size the file's information gives: a file that
// ends before it or goes on past it fails (the copy then leaves nothing),
// and only plain files are read.
TEST_F(IosSession, ReadsTakeExactlyTheGivenSizeOfAPlainFile) {
  Connect(4);
  test::WriteFile(dir / "file", "abcdefghij");  // 10 bytes
  std::filesystem::create_symlink("file", dir / "link");
  const struct {
    const char* size;
    uint32_t limit;
    bool read;
    std::string error;
  } cases[] = {
      {"10", 4, true, ""},
      {"10", 3, true, ""},  // the device gives less than asked at a time
      {"4", 4, false, "Read error: the file is longer than its size of 4"},
      {"9", 4, false, "Read error: the file is longer than its size of 9"},
      {"60", 4, false, "Read error: the file ends after 10 of 60 bytes"},
      {"x", 4, false, "Read error: no size for /file"},
  };
  for (const auto& c : cases) {
    fake.SizeOverrides["/file"] = c.size;
    fake.ReadLimit = c.limit;
    TMemoryStream stream;
    EXPECT_EQ(session->ReadToStream("/file", stream, 100), c.read) << c.size;
    EXPECT_EQ(c.read ? std::to_string(stream.Size()) : session->LastError(),
              c.read ? "10" : c.error)
        << c.size;
  }
  TMemoryStream stream;
  EXPECT_FALSE(session->ReadToStream("/link", stream, 100));
  EXPECT_EQ(session->LastError(), "Not a regular file: /link");
}

// A device that stops answering in the middle of a read counts as gone; one
// that goes away during a read ends it at once.
TEST_F(IosSession, ASilentOrUnpluggedDeviceEndsTheReadAsALoss) {
  Connect(4);
  session->Connected = true;
  test::WriteFile(dir / "file", "abcdefghij");
  fake.Failures = {{"AfcFileRefRead", platform::kMobileTimedOut}};
  TMemoryStream stream;
  EXPECT_FALSE(session->ReadToStream("/file", stream, 100));
  EXPECT_EQ(session->LastError(), "Read error: the device stopped answering");
  EXPECT_EQ(changes, std::vector<bool>{false});
  EXPECT_FALSE(session->Connected);

  fake.Failures.clear();
  ASSERT_TRUE(session->ConnectDevice("udid"));
  fake.StallReadsAfter = fake.BytesRead() + 4;
  fake.Aborts = 0;
  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    session->HandleNotice({"udid", platform::DeviceMessage::Detached});
  });
  const int code = session->ReadChunks("/file", [](std::span<const uint8_t>) { return true; });
  unplug.join();
  EXPECT_EQ(code, EIO);
  EXPECT_EQ(session->LastError(), "Read error: the device was unplugged");
  EXPECT_EQ(fake.Aborts, 1);
}

// Listings give single names only, and a walk ends at its bound.
TEST_F(IosSession, HostileListingsAreRefusedAndEndlessOnesBounded) {
  Connect(4);
  std::filesystem::create_directories(dir / "Books/Epub");
  test::WriteFile(dir / "Books/Epub/ok.txt", "ok");
  fake.ExtraNames["/Books/Epub/"] = {"../../../../tmp/x/evil.desktop", "..", "a:b", "c\\d", ""};
  std::vector<std::string> tree;
  EXPECT_TRUE(session->ListTree("/Books/", tree));
  EXPECT_EQ(tree, std::vector<std::string>{"/Books/Epub/ok.txt"});
  EXPECT_EQ(session->RefusedNames().size(), 4u);  // ".." is every listing's own
  for (const std::string& asked : fake.Paths)
    EXPECT_EQ(asked.find(".."), std::string::npos) << asked;

  fake.ExtraNames.clear();
  fake.EndlessFolders = 3;  // 3^64 folders within the depth bound
  tree.clear();
  EXPECT_FALSE(session->ListTree("/Books/", tree));
  EXPECT_TRUE(session->LastError().starts_with("Too many files below /Books/Epub/d0/d0/"))
      << session->LastError();
  EXPECT_TRUE(session->LastError().ends_with("/ (more than 100000)")) << session->LastError();
}

}  // namespace
}  // namespace ortelan
