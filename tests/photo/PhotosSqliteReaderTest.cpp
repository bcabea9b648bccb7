#include <gtest/gtest.h>

#include <filesystem>

#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "photo/iPodPhoto.h"
#include "support/FakeServices.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using namespace fixtures::sqlite;

// A disk-mode device with PhotoData/, and a library object over it.
class PhotosSqlite : public ::testing::Test {
 protected:
  void SetUp() override {
    root = dir / "ipod";
    ASSERT_TRUE(fx.ConnectIpodAt(root));
    db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), false, nullptr);
  }
  std::string Database() { return root + "/PhotoData/Photos.sqlite"; }
  void Store(const char* name) { test::WriteFile(root + "/PhotoData/Thumbnails/" + name, "x"); }
  std::vector<std::string> AlbumNames() {
    std::vector<std::string> names;
    for (const TPhotoAlbumItem& album : db->Albums) names.push_back(album.Name);
    return names;
  }

  test::TempDir dir;
  test::DeviceFixture fx;
  std::string root;
  std::unique_ptr<TIpodPhotoDb> db;
};

// Entity numbers from Z_PRIMARYKEY decide every query.
TEST_F(PhotosSqlite, AlbumsPhotosAndMembersFromTheEntityNumbers) {
  MakeDatabase(Database(), PhotosSchema(9, 21, 20) + R"(
INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME) VALUES (9, 'Album'), (20, 'ASSET'), (21, 'GenerateAsset');
INSERT INTO ZGENERICALBUM VALUES (7, 9, 1550, NULL), (8, 9, 1550, 'Trip'), (0, 9, 1550, 'Zero'),
  (10, 9, 1550, ''), (11, 3, 2, 'Any entity, kind 2'), (12, 3, 1550, 'Other entity');
INSERT INTO ZGENERICASSET VALUES (30, 20, 10, 'DCIM/100APPLE', 'IMG_0001.JPG', 0),
  (31, 20, 0, 'DCIM/100APPLE', 'IMG_0002.JPG', 0), (32, 20, 1, 'x', 'y', 3), (33, 5, 2, 'x', 'z', 0);
INSERT INTO Z_9ASSETS VALUES (7, 31), (7, 30), (8, 30), (0, 31);
)");
  Store("79x79.ithmb");
  Store("120x120.ithmb");
  ASSERT_TRUE(db->LoadPhotoLibrary());
  EXPECT_TRUE(db->HasOriginals);
  EXPECT_EQ(db->ThumbInfo.FileName, "79x79.ithmb");
  EXPECT_EQ(db->ThumbInfo.FormatId, 3011);
  EXPECT_TRUE(db->ThumbInfo.IsIos);
  EXPECT_EQ(AlbumNames(), (std::vector<std::string>{"Pictures", "Photo Album 1", "Trip",
                                                    "Photo Album 2", "Any entity, kind 2"}));
  ASSERT_EQ(db->Photos.Count(), 2);
  EXPECT_EQ(db->Photos.GetItem(0).ImageId, 30u);
  EXPECT_EQ(db->Photos.GetItem(0).ThumbOffset, 10u * 12668);
  EXPECT_EQ(db->Photos.GetItem(0).FileName, "DCIM/100APPLE/IMG_0001.JPG");
  const TPhotoAlbumItem& pictures = db->Albums.GetItem(0);
  EXPECT_EQ(pictures.PhotoIds, (std::vector<uint32_t>{30, 31, 31}));  // id 0 is a member row too
  EXPECT_EQ(pictures.Count, 3);
  EXPECT_EQ(db->Albums.GetItem(1).PhotoIds, (std::vector<uint32_t>{31, 30}));
  EXPECT_EQ(db->Albums.GetItem(2).Count, 1);
  EXPECT_EQ(fs::directory_iterator(platform::PrivateTempFolder()), fs::directory_iterator());
}

TEST_F(PhotosSqlite, DefaultEntityNumbersAndTheStoreOrder) {
  const struct {
    const char* name;
    std::string sql;
    const char* store;
    int32_t formatId;
    uint32_t firstPhoto;
  } cases[] = {
      // "Album" is found, "GenerateAsset" is not: all three take the defaults.
      {"old schema",
       PhotosSchema(6, 11, 12) + "INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME) VALUES (9, 'Album');"
                                 "INSERT INTO ZGENERICASSET VALUES (40, 12, 1, 'a', 'b', 0);",
       "120x120.ithmb", 1234, 40},
      {"new schema",
       PhotosSchema(8, 14, 15) + "INSERT INTO ZGENERICASSET VALUES (50, 15, 1, 'a', 'b', 0);",
       "64x64.ithmb", 1235, 50},
  };
  for (const auto& c : cases) {
    fs::remove_all(root + "/PhotoData/Thumbnails");
    db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), false, nullptr);
    MakeDatabase(Database(), c.sql);
    Store(c.store);
    ASSERT_TRUE(db->LoadPhotoLibrary()) << c.name;
    ASSERT_EQ(db->Photos.Count(), 1) << c.name;
    EXPECT_EQ(db->Photos.GetItem(0).ImageId, c.firstPhoto) << c.name;
    EXPECT_EQ(db->ThumbInfo.FormatId, c.formatId) << c.name;
    EXPECT_EQ(db->Photos.GetItem(0).ThumbOffset, static_cast<uint32_t>(db->ThumbInfo.ImageSize));
  }
}

TEST_F(PhotosSqlite, WithoutAStoreTheLibraryStillLoads) {
  MakeDatabase(Database(), PhotosSchema(8, 14, 15));
  ASSERT_TRUE(db->LoadPhotoLibrary());
  EXPECT_EQ(db->ThumbInfo.FileName, "");
  EXPECT_EQ(db->ThumbInfo.FormatId, 3011);
  EXPECT_EQ(db->ThumbInfo.ImageSize, 0);
  EXPECT_EQ(AlbumNames(), std::vector<std::string>{"Pictures"});
}

// A Photos.sqlite that is not a device's falls back to the Photo Database.
TEST_F(PhotosSqlite, ADamagedLibraryIsReportedNotShownAsEmpty) {
  test::WriteFile(Database(), std::string(4096, '\x5a'));
  EXPECT_FALSE(db->LoadPhotoLibrary());
  EXPECT_NE(db->ReadError.find("file is not a database"), std::string::npos) << db->ReadError;
  EXPECT_NE(db->Log.find("\r\n[X] The photo library cannot be read: "), std::string::npos);
}

TEST_F(PhotosSqlite, AForeignDatabaseFallsBackToThePhotoDatabase) {
  MakeDatabase(Database(), "CREATE TABLE Z_PRIMARYKEY (Z_ENT, Z_NAME);");
  EXPECT_FALSE(db->LoadPhotoLibrary());  // and there is no Photo Database either
  EXPECT_TRUE(db->Albums.Count() <= 1);

  const char* fixtures = std::getenv("ORTELAN_FIXTURES");
  const std::string desktop = fixtures ? std::string(fixtures) + "/macos-photos" : "";
  if (desktop.empty() || !fs::exists(desktop)) GTEST_SKIP() << "no real databases";
  for (const char* suffix : {"", "-wal"}) {  // the log only where the fixture has one
    if (!fs::exists(desktop + "/Photos.sqlite" + suffix)) continue;
    fs::copy_file(desktop + "/Photos.sqlite" + suffix, Database() + suffix,
                  fs::copy_options::overwrite_existing);
  }
  db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), false, nullptr);
  EXPECT_THROW(db->LoadPhotosSqlite(Database()), ESQLiteException);
}

}  // namespace
}  // namespace ortelan
