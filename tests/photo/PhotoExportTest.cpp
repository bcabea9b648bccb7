#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "photo/ImageCodec.h"
#include "photo/PhotoCopyThread.h"
#include "photo/UyvyRows.h"
#include "photo/iPodPhoto.h"
#include "support/FakeServices.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
constexpr uint32_t kUyvyBytes = 691200;
using namespace fixtures;
using namespace fixtures::photodb;
using test::ListTree;
using test::WriteFile;

// A disk-mode iPod with a Photo Database of 4 x 2 RGB565 export records
// (format 1099) and 2 x 1 display records (format 1098).
class PhotoExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ImageCodec::Start());
    root = dir / "ipod";
    ASSERT_TRUE(fx.ConnectIpodAt(root));
    dest = dir / "dest";
  }

  // Photos with ids 100, 101, ... whose export records are filled with `colours`.
  void MakeThumbLibrary(const std::vector<uint16_t>& colours) {
    std::vector<Bytes> images;
    std::string store;
    for (size_t i = 0; i < colours.size(); ++i) {
      const auto offset = static_cast<uint32_t>(16 * i);
      images.push_back(
          Image(static_cast<uint32_t>(100 + i),
                {1098, static_cast<uint32_t>(4 * i), 4, 2, 1, 0, 0, ":Thumbs:F1098_1.ithmb"},
                {1099, offset, 16, 4, 2, 0, 0, ":Thumbs:F1099_1.ithmb"}));
      for (int p = 0; p < 8; ++p)
        store +=
            std::string{static_cast<char>(colours[i] & 0xFF), static_cast<char>(colours[i] >> 8)};
    }
    WriteFile(root + "/Photos/Thumbs/F1099_1.ithmb", store);
    Load(Mhfd({Section(1, Mhli(images))}));
  }

  void Load(const Bytes& database) {
    WriteFile(root + "/Photos/Photo Database", database);
    db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), true, nullptr);
    db->RetryWait = std::chrono::milliseconds(0);
    db->LoadPhotoLibrary();
  }

  void CheckAllAndPrepare() {
    for (int i = 0; i < db->Photos.Count(); ++i) db->Photos.Check(i);
    for (int i = 0; i < db->CamPhotos.Count(); ++i) db->CamPhotos.Check(i);
    std::string folder = dest;
    ASSERT_TRUE(db->PrepareDestination(folder)) << folder;
  }

  // Runs the export on its worker as the window does; returns the names reported.
  std::vector<std::string> Run() {
    std::vector<std::string> names;
    bool done = false;
    TPhotoCopyThread worker(*db, fx.Dispatcher);
    worker.OnProgress = [&](const std::string& name) { names.push_back(name); };
    worker.OnDone = [&] { done = true; };
    worker.Start();
    fx.Dispatcher.RunUntil([&] { return worker.Finished(); });
    EXPECT_TRUE(done);
    return names;
  }

  test::TempDir dir;
  test::DeviceFixture fx;
  std::string root, dest;
  std::unique_ptr<TIpodPhotoDb> db;
};

TEST_F(PhotoExport, ThumbnailsBecomeJpegFilesOfTheirPictures) {
  MakeThumbLibrary({0xF800, 0x001F});  // red, blue
  ASSERT_EQ(db->Photos.Count(), 2);
  ASSERT_EQ(db->ExportInfo.FormatId, 1099);
  CheckAllAndPrepare();
  WriteFile(dest + "/101.jpg", "already here");
  EXPECT_EQ(Run(), (std::vector<std::string>{"100.jpg", "101.jpg"}));
  EXPECT_EQ(db->Log, "\r\nCopy pics: t2, c1");
  EXPECT_EQ(test::ReadFileText(dest + "/101.jpg"), "already here");  // left alone
  TPicture24 picture;
  ASSERT_TRUE(ImageCodec::DecodeJpeg(test::ReadBytes(dest + "/100.jpg"), picture));
  ASSERT_EQ(picture.Width, 4);
  ASSERT_EQ(picture.Height, 2);
  EXPECT_GT(picture.Pixels[0], 200);
  EXPECT_LT(picture.Pixels[1], 60);
  EXPECT_LT(picture.Pixels[2], 60);
}

TEST_F(PhotoExport, UyvyRecordsAreCutScaledAndEncoded) {
  // Two records: white, then a black one whose cut-off edge columns are white.
  std::string store(2 * kUyvyBytes, '\0');
  for (size_t i = 0; i < store.size(); i += 2) {
    store[i] = static_cast<char>(128);
    store[i + 1] = static_cast<char>(i < kUyvyBytes ? 235 : 16);
  }
  for (int row = 0; row < 480; ++row) {
    for (int j : {0, 1, 718, 719})
      store[kUyvyBytes + row * 1440 + 2 * j + 1] = static_cast<char>(235);
  }
  WriteFile(root + "/Photos/Thumbs/F1019_1.ithmb", store);
  const ThumbRef small{1098, 0, 4, 2, 1, 0, 0, ":Thumbs:F1098_1.ithmb"};
  Load(Mhfd({Section(
      1, Mhli({Image(1, small, {1019, 0, kUyvyBytes, 720, 480, 0, 0, ":Thumbs:F1019_1.ithmb"}),
               Image(2, small,
                     {1019, kUyvyBytes, kUyvyBytes, 720, 480, 0, 0, ":Thumbs:F1019_1.ithmb"})}))}));
  ASSERT_EQ(db->ExportInfo.FormatId, 1019);
  // Both ways of sharing a photo between the threads: all rows made before
  // encoding (vector form), or the last ones beside it (one-pixel form).
  for (const bool vector : {true, false}) {
    uyvy::AllowVectorRows(vector);
    fs::remove_all(dest);
    CheckAllAndPrepare();
    EXPECT_EQ(Run(), (std::vector<std::string>{"1.jpg", "2.jpg"}));
    EXPECT_EQ(db->FailedCount, 0);
    for (const auto& [file, low, high] :
         {std::tuple{"1.jpg", 250, 255}, std::tuple{"2.jpg", 0, 5}}) {
      TPicture24 picture;
      ASSERT_TRUE(ImageCodec::DecodeJpeg(test::ReadBytes(dest + "/" + file), picture));
      EXPECT_EQ(picture.Width, 640);
      EXPECT_EQ(picture.Height, 480);
      const auto [lo, hi] = std::minmax_element(picture.Pixels.begin(), picture.Pixels.end());
      EXPECT_GE(*lo, low) << file << ", vector form allowed: " << vector;
      EXPECT_LE(*hi, high) << file << ", vector form allowed: " << vector;
    }
  }
  uyvy::AllowVectorRows(true);
}

// One photo in a store of format `formatId` whose record is `record`.
Bytes OnePhotoLibrary(uint32_t formatId, uint32_t recordSize, uint16_t width, uint16_t height) {
  const ThumbRef small{1098, 0, 4, 2, 1, 0, 0, ":Thumbs:F1098_1.ithmb"};
  const std::string store = ":Thumbs:F" + std::to_string(formatId) + "_1.ithmb";
  return Mhfd(
      {Section(1, Mhli({Image(7, small, {formatId, 0, recordSize, width, height, 0, 0, store})}))});
}

TEST_F(PhotoExport, NrgbYuvAndJpgRecordsExport) {
  TPicture24 source;
  source.SetSize(8, 8);
  std::fill(source.Pixels.begin(), source.Pixels.end(), 90);
  std::vector<uint8_t> jpegRecord;
  ASSERT_TRUE(ImageCodec::EncodeJpeg(source, jpegRecord));
  std::string yuv(691200, static_cast<char>(128));
  std::fill(yuv.begin(), yuv.begin() + 720 * 480, static_cast<char>(235));
  std::string nrgb;
  for (int i = 0; i < 176 * 132; ++i)
    nrgb += std::string{static_cast<char>(0xF8), 0};  // big-endian red
  const struct {
    uint32_t format;
    std::string record;
    uint16_t width, height;
    uint8_t red, green;
  } cases[] = {{1023, nrgb, 176, 132, 255, 0},
               {1067, yuv, 720, 480, 255, 255},
               {1081, std::string(jpegRecord.begin(), jpegRecord.end()), 8, 8, 90, 90}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    fs::remove_all(dest);
    WriteFile(root + "/Photos/Thumbs/F" + std::to_string(c.format) + "_1.ithmb", c.record);
    Load(OnePhotoLibrary(c.format, static_cast<uint32_t>(c.record.size()), c.width, c.height));
    CheckAllAndPrepare();
    Run();
    const auto written = test::ReadBytes(dest + "/7.jpg");
    if (c.format == 1081) {
      EXPECT_EQ(written, jpegRecord);  // the record is the file
    }
    TPicture24 picture;
    ASSERT_TRUE(ImageCodec::DecodeJpeg(written, picture));
    EXPECT_EQ(picture.Width, c.width);
    EXPECT_NEAR(picture.Pixels[0], c.red, 6);
    EXPECT_NEAR(picture.Pixels[1], c.green, 6);
  }
}

TEST_F(PhotoExport, OversizedRecordsAreRefusedByName) {
  WriteFile(root + "/Photos/Thumbs/F1023_1.ithmb", std::string(50000, 'x'));
  Load(OnePhotoLibrary(1023, 50000, 176, 132));
  CheckAllAndPrepare();
  Run();
  EXPECT_NE(db->Log.find("\r\n7.jpg: record of 50000 bytes is larger than the format allows"),
            std::string::npos)
      << db->Log;
  EXPECT_TRUE(ListTree(dest).empty());
}

TEST_F(PhotoExport, MissingStoreFileIsLoggedAndPassedOver) {
  MakeThumbLibrary({0xF800});
  fs::remove(root + "/Photos/Thumbs/F1099_1.ithmb");
  CheckAllAndPrepare();
  Run();
  EXPECT_NE(db->Log.find("\r\nCannot open RGB DB: 1099_1\r\n"), std::string::npos) << db->Log;
  EXPECT_TRUE(db->Log.ends_with("File not found: F1099_1\r\nCopy pics: t1, c0"));
  EXPECT_TRUE(ListTree(dest).empty());
}

TEST_F(PhotoExport, OriginalsKeepTheirNamesAndNeverOverwrite) {
  const ThumbRef small{1098, 0, 4, 2, 1, 0, 0, ":Thumbs:F1098_1.ithmb"};
  const ThumbRef large{1099, 0, 16, 4, 2, 0, 0, ":Thumbs:F1099_1.ithmb"};
  Load(Mhfd({Section(
      1, Mhli({Image(1, small, large, ":A:x.jpg"), Image(2, small, large, ":B:x.jpg"),
               Image(3, small, large, "C\\x.jpg"), Image(4, small, large, ":D:same.jpg"),
               Image(5, small, large, ":E:.."), Image(6, small, large, ":..:..:etc:passwd")}))}));
  ASSERT_TRUE(db->HasOriginals);
  WriteFile(root + "/Photos/A/x.jpg", "first");
  WriteFile(root + "/Photos/B/x.jpg", "second one");
  WriteFile(root + "/Photos/C/x.jpg", "third  one!");
  WriteFile(root + "/Photos/D/same.jpg", "same size");
  WriteFile(dir / "etc/passwd", "host file");
  CheckAllAndPrepare();
  WriteFile(dest + "/same.jpg", "SAME SIZE");  // counts as exported already
  Run();
  EXPECT_EQ(ListTree(dest),
            (std::vector<std::string>{"1_x.jpg", "2_1_x.jpg", "same.jpg", "x.jpg"}));
  EXPECT_EQ(test::ReadFileText(dest + "/x.jpg"), "first");
  EXPECT_EQ(test::ReadFileText(dest + "/same.jpg"), "SAME SIZE");
  EXPECT_NE(db->Log.find("\r\n[X] Refused file name: :E:..\r\n:E:..: Error "), std::string::npos);
  EXPECT_NE(db->Log.find(":..:..:etc:passwd: Error " + std::to_string(ENOENT)), std::string::npos);
  EXPECT_TRUE(db->Log.ends_with("Copy pics: t6, c3")) << db->Log;
}

TEST_F(PhotoExport, CameraFilesStopAfterThirtyOneErrors) {
  MakeThumbLibrary({});
  for (int i = 0; i < 33; ++i)
    WriteFile(root + "/DCIM/100APPLE/IMG_" + std::to_string(1000 + i) + ".JPG", "j");
  db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), true, nullptr);
  db->LoadPhotoLibrary();
  ASSERT_EQ(db->CamPhotos.Count(), 33);
  CheckAllAndPrepare();
  int tried = 0;
  fx.Files.Refuse = [&](const std::string&, const std::string&) { return ++tried, EIO; };
  const auto names = Run();
  EXPECT_EQ(tried, 31);
  EXPECT_EQ(names.size(), 31u);
  EXPECT_TRUE(
      db->Log.ends_with("IMG_1030.JPG: Error 5\r\nToo many error, camera photos transfer "
                        "abort.\r\nCopy cam pics: t33, c0"))
      << db->Log;
}

// A camera-roll name with control characters gives a clean name on the PC.
TEST_F(PhotoExport, CameraFileNamesAreCleanedForThePc) {
  MakeThumbLibrary({});
  WriteFile(root + "/DCIM/100APPLE/IMG\x1b[2J\a\r\n.JPG", "escape");
  db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), true, nullptr);
  db->LoadPhotoLibrary();
  ASSERT_EQ(db->CamPhotos.Count(), 1);
  CheckAllAndPrepare();
  Run();
  EXPECT_EQ(test::ListTree(dest), std::vector<std::string>{"IMG_[2J___.JPG"});
  EXPECT_EQ(test::ReadFileText(dest + "/IMG_[2J___.JPG"), "escape");
}

TEST_F(PhotoExport, SpaceEstimateAndDefaultFolder) {
  TIpodPhotoDb photos(fx.Device.get(), true, nullptr);
  for (int i = 0; i < 3; ++i) photos.Photos.Add();
  for (int i = 0; i < 3; ++i) photos.Photos.Check(i);
  photos.CamPhotos.Add();
  photos.CamPhotos.Add();
  photos.CamPhotos.Check(0);
  photos.CamPhotos.Check(1);
  EXPECT_EQ(photos.NeededBytes(), 3 * 819200 + 2 * 600000);
  photos.ExportInfo.ImageSize = 1000;
  EXPECT_EQ(photos.NeededBytes(), 3 * 1000 + 2 * 600000);
  EXPECT_EQ(TIpodPhotoDb::ExtractDevFileName(":a:b\\c/d.jpg"), "d.jpg");
  EXPECT_EQ(TIpodPhotoDb::ExtractDevFileName("plain"), "plain");
}

}  // namespace
}  // namespace ortelan
