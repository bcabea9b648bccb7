#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "device/iPodDev.h"
#include "photo/iPodPhoto.h"
#include "support/FakeServices.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

using namespace fixtures;
using namespace fixtures::photodb;

const ThumbRef kSmall{1015, 0, 22880, 130, 88, 0, 0, ":Thumbs:F1015_1.ithmb"};
const ThumbRef kLarge{1019, 0, 691200, 720, 480, 0, 0, ":Thumbs:F1019_1.ithmb"};

ThumbRef At(ThumbRef ref, uint32_t offset, const std::string& store = "") {
  ref.Offset = offset;
  if (!store.empty()) ref.StoreName = store;
  return ref;
}

// A disk-mode iPod holding the given Photo Database, with a library object.
struct PhotoFixture {
  test::TempDir dir;
  test::DeviceFixture fx;
  std::unique_ptr<TIpodPhotoDb> db;

  explicit PhotoFixture(const Bytes& database) {
    const std::string root = dir / "ipod";
    fx.ConnectIpodAt(root);
    test::WriteFile(root + "/Photos/Photo Database", database);
    db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), true, nullptr);
  }
};

Bytes Library(const std::vector<Bytes>& images, const std::vector<Bytes>& albums) {
  return Mhfd({Section(1, Mhli(images)), Section(2, Mhla(albums))});
}

TEST(PhotoDatabaseReader, ChoosesFormatsFromTheFirstImageAndReadsEveryPhoto) {
  PhotoFixture p(
      Library({Image(100, At(kSmall, 0), At(kLarge, 0)),
               Image(101, At(kSmall, 22880), At(kLarge, 691200, ":Thumbs:F1019_3.ithmb")),
               Mhii(102, {ContainerMhod(2, Mhni(At(kSmall, 45760)))})},  // display only: not listed
              {Mhba({StringMhod(1, "Library")}, {Mhia(100), Mhia(101), Mhia(102)}),
               Mhba({StringMhod(1, "Trip")}, {Mhia(101), Mhia(7, "mhix"), Mhia(101)}),
               Mhba({Mhia(100)}, {})}));  // first child not a string object: no album
  ASSERT_TRUE(p.db->LoadPhotoLibrary());
  const TIpodPhotoDb& db = *p.db;
  EXPECT_EQ(db.ThumbInfo.FormatId, 1015);
  EXPECT_EQ(db.ThumbInfo.Width, 130);
  EXPECT_EQ(db.ExportInfo.FormatId, 1019);
  EXPECT_EQ(db.ExportInfo.Width, 720);
  EXPECT_EQ(db.ExportInfo.Height, 480);
  EXPECT_EQ(db.ExportInfo.ImageSize, 691200);
  EXPECT_EQ(db.ExportInfo.FileCount, 3);
  EXPECT_FALSE(db.HasOriginals);
  ASSERT_EQ(db.Photos.Count(), 2);
  EXPECT_EQ(db.Photos.GetItem(1).ImageId, 101u);
  EXPECT_EQ(db.Photos.GetItem(1).ThumbOffset, 22880u);
  EXPECT_EQ(db.Photos.GetItem(1).ImageOffset, 691200u);
  EXPECT_EQ(db.Photos.GetItem(1).ImageSize, 691200u);
  EXPECT_EQ(db.Photos.GetItem(1).FileIndex, 3);
  ASSERT_EQ(db.Albums.Count(), 2);
  EXPECT_EQ(db.Albums.GetItem(1).Name, "Trip");
  EXPECT_EQ(db.Albums.GetItem(1).PhotoIds, (std::vector<uint32_t>{101, 101}));
  EXPECT_EQ(db.TileWidth, 119);  // the layout of format 1015
  EXPECT_EQ(db.Log, "");
}

struct ReaderCase {
  const char* name;
  Bytes database;
  bool loaded;
  int photos;
  std::string log;
  std::function<void(const TIpodPhotoDb&)> check = [](const TIpodPhotoDb&) {};
};

TEST(PhotoDatabaseReader, FollowsTheFailureTable) {
  const Bytes image = Image(1, kSmall, kLarge);
  const ReaderCase cases[] = {
      {"capital tags", Mhfd({Section(1, Mhli({Image(1, kSmall, kLarge)}, "MHLI"))}, "MHFD"), true,
       1, ""},
      {"wrong file tag", Mhfd({}, "mhfx"), false, 0, "\r\nMHFD Err"},
      {"wrong list tag", Mhfd({Section(1, Mhli({image}, "mhlx"))}), false, 0, "\r\nMHLI Err"},
      {"no images", Mhfd({Section(1, Mhli({}))}), false, 0, ""},
      {"first image tag wrong", Mhfd({Section(1, Mhli({Mhii(1, {}, "mhix")}))}), false, 0,
       "\r\nGet info: MHII err"},
      {"first image child not an object",
       Mhfd({Section(1, Mhli({Mhii(1, {Mhni(kSmall)})}))}), false, 0, "\r\nGet info: MHOD"},
      {"first image container without a reference",
       Mhfd({Section(1, Mhli({Mhii(1, {ContainerMhod(2, Mhia(1))})}))}), false, 0,
       "\r\nGet info: MHNI"},
      {"one format for display and export lists nothing",
       Mhfd({Section(1, Mhli({Mhii(1, {ContainerMhod(2, Mhni(kSmall))})}))}), true, 0, ""},
      {"a later image with a wrong tag stops the list",
       Mhfd({Section(1, Mhli({image, Mhii(2, {}, "mhix"), Image(3, kSmall, kLarge)}))}), true, 1,
       "\r\nMHII Err"},
      {"wrong album list tag keeps the images",
       Mhfd({Section(1, Mhli({image})), Section(2, Mhla({}, "mhlx"))}), true, 1, "\r\nMHLA Err",
       [](const TIpodPhotoDb& db) { EXPECT_EQ(db.TileWidth, 0); }},  // no tile layout
      {"originals with a display format",
       Mhfd({Section(1, Mhli({Image(1, {1019, 0, 1, 720, 480, 0, 0, ":a"}, kSmall, ":DCIM:IMG_1.JPG")}))}),
       true, 1, "",
       [](const TIpodPhotoDb& db) {
         EXPECT_TRUE(db.HasOriginals);
         EXPECT_EQ(db.ExportInfo.FormatId, 0);
         EXPECT_EQ(db.ThumbInfo.FormatId, 1015);
         EXPECT_EQ(db.Photos.GetItem(0).FileName, ":DCIM:IMG_1.JPG");
       }},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    PhotoFixture p(c.database);
    EXPECT_EQ(p.db->LoadPhotoLibrary(), c.loaded);
    EXPECT_EQ(p.db->Photos.Count(), c.photos);
    EXPECT_EQ(p.db->Log, c.log);
    c.check(*p.db);
  }
}

TEST(PhotoDatabaseReader, StoreFileNumbers) {
  const std::pair<std::string, int> cases[] = {{":Thumbs:F1019_3.ithmb", 3},
                                               {":Thumbs:F1019_12.ithmb", 12},
                                               {":Thumbs:F1019.ithmb", 1},
                                               {":Thumbs:F1019_x.ithmb", 1},
                                               {"", 1}};
  for (const auto& [store, number] : cases) {
    PhotoFixture p(
        Mhfd({Section(1, Mhli({Image(1, kSmall, At(kLarge, 0, store.empty() ? "x" : store))}))}));
    ASSERT_TRUE(p.db->LoadPhotoLibrary());
    EXPECT_EQ(p.db->Photos.GetItem(0).FileIndex, number) << store;
  }
}

TEST(PhotoDatabaseReader, FormatTablesAndLayouts) {
  TPhotoInfo info;
  info.IsIos = true;
  info.FileName = "120X120.ithmb";
  TIpodPhotoDb::FillFormatInfo(info);
  EXPECT_EQ(info.FormatId, 1234);
  EXPECT_EQ(info.ImageSize, 28828);
  TPhotoInfo plain;
  plain.FormatId = 3011;
  TIpodPhotoDb::FillFormatInfo(plain);
  EXPECT_EQ(plain.Width, 80);
  EXPECT_EQ(plain.Height, 79);
  TPhotoInfo unknown;
  unknown.FormatId = 9999;
  unknown.Width = 33;
  TIpodPhotoDb::FillFormatInfo(unknown);
  EXPECT_EQ(unknown.Width, 33);

  TIpodPhotoDb db(nullptr, true, nullptr);
  db.ThumbInfo.FormatId = 1015;
  db.SetTileLayout(false);
  EXPECT_EQ(db.PictureLeft, -5);
  EXPECT_EQ(db.PageSize, 200);
  db.SetTileLayout(true);
  EXPECT_EQ(db.PictureLeft, 0);
  EXPECT_EQ(db.CamPageSize, 30);
}

TEST(PhotoDatabaseReader, SurvivesTruncationAndDamagedLengths) {
  const Bytes whole = Library({Image(1, kSmall, kLarge), Image(2, kSmall, kLarge)},
                              {Mhba({StringMhod(1, "All")}, {Mhia(1), Mhia(2)})});
  for (size_t cut = 0; cut < whole.size(); cut += 5) {
    TIpodPhotoDb db(nullptr, false, nullptr);
    db.ParsePhotoDatabase(ByteReader(std::span<const uint8_t>(whole.data(), cut)));
  }
  for (size_t field = 0; field + 4 <= whole.size(); field += 2) {
    for (uint32_t value : {0u, 1u, 0xFFFFu, 0xFFFFFFFFu}) {
      Bytes damaged = whole;
      for (int i = 0; i < 4; ++i) damaged[field + i] = static_cast<uint8_t>(value >> (8 * i));
      TIpodPhotoDb db(nullptr, false, nullptr);
      db.ParsePhotoDatabase(ByteReader(damaged));
      ASSERT_LE(db.Photos.Count(), 2) << field;
    }
  }
}

TEST(PhotoDatabaseReader, LoadsTheRealDatabases) {
  const char* fixtures = std::getenv("ORTELAN_FIXTURES");
  if (!fixtures || !std::filesystem::exists(std::string(fixtures) + "/photodb")) {
    GTEST_SKIP() << "real fixtures not present";
  }
  // Counts checked by hand against the files' image and album lists.
  const struct {
    const char* file;
    bool loaded;
    int photos, albums, thumbFormat, exportFormat;
    bool originals;
  } databases[] = {
      {"2009-12-22_Photo-Database-1", false, 0, 0, 0, 0, true},  // originals only, no thumbnails
      {"2010-06-21_Photo-Database-2", true, 322, 3, 3004, 0, true},
      {"2010-08-18_Photo-Database-3", true, 11, 1, 3004, 0, true},
      {"2010-08-28_Photo-Database-5", true, 1600, 2, 3004, 0, true},
      {"2010-11-16_Photo-Database-4", true, 5, 1, 3004, 0, true},
      {"2011-04-22_Photo-Database-7", true, 4, 1, 3004, 0, true},
      {"2023-08-29_ArtworkDB", true, 120, 0, 1028, 1029, false},
  };
  for (const auto& d : databases) {
    SCOPED_TRACE(d.file);
    PhotoFixture p(test::ReadBytes(std::string(fixtures) + "/photodb/" + d.file));
    EXPECT_EQ(p.db->LoadPhotoLibrary(), d.loaded);
    if (!d.loaded) continue;
    EXPECT_EQ(p.db->Photos.Count(), d.photos);
    EXPECT_EQ(p.db->Albums.Count(), d.albums);
    EXPECT_EQ(p.db->ThumbInfo.FormatId, d.thumbFormat);
    EXPECT_EQ(p.db->ExportInfo.FormatId, d.exportFormat);
    EXPECT_EQ(p.db->HasOriginals, d.originals);
  }
}

}  // namespace
}  // namespace ortelan
