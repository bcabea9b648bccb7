// Pages of tiles built from a device's thumbnail store and camera roll, on a
// box that records what it is given.

#include <gtest/gtest.h>

#include <filesystem>

#include "photo/ImageCodec.h"
#include "photo/iPodPhoto.h"
#include "support/FakeServices.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

using test::WriteFile;

struct Tile {
  TTilePlace place;
  TPicture24 picture;
};

class RecordingBox : public TPhotoBox {
 public:
  std::vector<Tile> tiles;
  int decodeCalls = 0;
  bool enabled = true;

  void ClearTiles() override { tiles.clear(); }
  void AddTile(const TTilePlace& tile, TPicture24 picture) override {
    tiles.push_back({tile, std::move(picture)});
  }
  int32_t TileCount() const override { return static_cast<int32_t>(tiles.size()); }
  int32_t TileIndex(int32_t tile) const override { return tiles.at(tile).place.Index; }
  bool TileChecked(int32_t tile) const override { return tiles.at(tile).place.Checked; }
  void SetTileChecked(int32_t tile, bool checked) override {
    tiles.at(tile).place.Checked = checked;
  }
  void SetTilesEnabled(bool value) override { enabled = value; }
  void SetPictureLeft(int32_t left) override { pictureLeft = left; }
  int32_t pictureLeft = 0;
  bool DecodePicture(std::span<const uint8_t>, TPicture24& picture) override {
    ++decodeCalls;
    picture.SetSize(2, 2);
    std::fill(picture.Pixels.begin(), picture.Pixels.end(), uint8_t{7});
    return true;
  }
};

std::string Record16(uint16_t pixel, int pixels, int trailer = 0) {
  std::string record;
  for (int i = 0; i < pixels; ++i) {
    record += static_cast<char>(pixel & 0xFF);
    record += static_cast<char>(pixel >> 8);
  }
  return record + std::string(static_cast<size_t>(trailer), '\0');
}

class PhotoPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ImageCodec::Start());
    root = dir / "ipod";
    ASSERT_TRUE(fx.ConnectIpodAt(root));
    db = std::make_unique<TIpodPhotoDb>(fx.Device.get(), true, &box);
    db->OnTileLoaded = [this](int32_t count) { loaded.push_back(count); };
  }

  // `photos` photos with ids 1.. in a 64 x 64 display store (the default
  // layout: 64 x 64 tiles, gap 20, 7 a row, 350 a page); album 1 lists
  // `albumIds`.
  void MakeLibrary(int photos, std::vector<uint32_t> albumIds, int32_t formatId = 1066) {
    db->ThumbInfo.FormatId = formatId;
    db->ThumbInfo.Width = db->ThumbInfo.Height = 8;  // small records keep the store small
    db->ThumbInfo.ImageSize = 8 * 8 * 2;
    db->SetTileLayout(false);
    std::string store;
    TPhotoAlbumItem& all = db->Albums.Add();
    for (int i = 0; i < photos; ++i) {
      TPhotoItem& photo = db->Photos.Add();
      photo.ImageId = static_cast<uint32_t>(i + 1);
      photo.ThumbOffset = static_cast<uint32_t>(store.size());
      store += Record16(static_cast<uint16_t>(i), 64);
      all.PhotoIds.push_back(photo.ImageId);
    }
    all.Count = photos;
    TPhotoAlbumItem& album = db->Albums.Add();
    album.PhotoIds = std::move(albumIds);
    album.Count = static_cast<int32_t>(album.PhotoIds.size());
    WriteFile(root + "/Photos/Thumbs/F" + std::to_string(formatId) + "_1.ithmb", store);
  }

  test::TempDir dir;
  std::string root;
  test::DeviceFixture fx;
  RecordingBox box;
  std::unique_ptr<TIpodPhotoDb> db;
  std::vector<int32_t> loaded;
};

TEST_F(PhotoPages, TilesArePlacedRowByRowAndPagesStartAtAPosition) {
  // Album 1: five ids without a photo, then photos 1..400.
  std::vector<uint32_t> ids = {901, 902, 903, 904, 905};
  for (uint32_t id = 1; id <= 400; ++id) ids.push_back(id);
  MakeLibrary(400, ids);
  EXPECT_EQ(db->AlbumPageCount(0), 2);  // 400 photos, 350 a page
  EXPECT_EQ(db->AlbumPageCount(1), 2);

  EXPECT_EQ(db->ShowAlbumPage(1, 1, 1), 350);
  ASSERT_EQ(box.tiles.size(), 350u);
  EXPECT_EQ(box.tiles[0].place.Index, 0);  // position 5 is the first with a photo
  EXPECT_EQ(box.tiles[349].place.Index, 349);
  EXPECT_EQ((std::pair{box.tiles[7].place.Left, box.tiles[7].place.Top}), (std::pair{20, 104}));
  EXPECT_EQ((std::pair{box.tiles[6].place.Left, box.tiles[6].place.Top}), (std::pair{524, 20}));
  EXPECT_EQ(box.tiles[0].picture.Width, 8);

  // Page 2 starts at position 350, which page 1 already showed.
  EXPECT_EQ(db->ShowAlbumPage(1, 2, 1), 55);
  EXPECT_EQ(box.tiles[0].place.Index, 345);
  EXPECT_EQ(loaded.back(), 55);
}

TEST_F(PhotoPages, APhotoListedTwiceGetsATileForEachAndFailuresGiveNone) {
  MakeLibrary(3, {2, 2, 3});
  db->Photos.GetItem(2).ThumbOffset = 1 << 20;  // past the end of the store
  db->Photos.Add().ImageId = 2;                 // a second photo with id 2
  db->Photos.GetItem(3).ThumbOffset = 0;
  EXPECT_EQ(db->ShowAlbumPage(1, 1, 1), 4);  // id 2 twice, two photos each; id 3 unreadable
  std::vector<int32_t> indices;
  for (const Tile& t : box.tiles) indices.push_back(t.place.Index);
  EXPECT_EQ(indices, (std::vector<int32_t>{1, 3, 1, 3}));
  EXPECT_EQ(loaded, (std::vector<int32_t>{1, 2, 3, 4, 4}));  // also after the failed read

  std::filesystem::remove(root + "/Photos/Thumbs/F1066_1.ithmb");
  EXPECT_EQ(db->ShowAlbumPage(1, 1, 1), 0);  // no store: an empty page
  EXPECT_TRUE(box.tiles.empty());
}

TEST_F(PhotoPages, LayoutOf3011GivesTwoPagesFor301Photos) {
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= 301; ++id) ids.push_back(id);
  MakeLibrary(301, ids, 3011);
  EXPECT_EQ(db->AlbumPageCount(1), 2);
  EXPECT_EQ(db->ShowAlbumPage(1, 2, 1), 1);
  EXPECT_EQ((std::pair{box.tiles[0].place.Left, box.tiles[0].place.Top}), (std::pair{20, 20}));
  EXPECT_EQ(box.tiles[0].place.Width, 75);
}

TEST_F(PhotoPages, StoresOfPhotoDataAreReadWithTheirOwnPixelLayout) {
  // A disk-mode device carrying PhotoData: its 120 x 120 store holds 5-5-5
  // pixels and a 28-byte trailer per record.
  WriteFile(root + "/PhotoData/Thumbnails/120x120.ithmb",
            Record16(0x7C00, 120 * 120, 28) + Record16(0x03E0, 120 * 120, 28));
  ASSERT_TRUE(db->SelectIosThumbStore());
  db->SetTileLayout(false);
  TPhotoAlbumItem& all = db->Albums.Add();
  for (uint32_t i = 0; i < 2; ++i) {
    TPhotoItem& photo = db->Photos.Add();
    photo.ImageId = 10 + i;
    photo.ThumbOffset = i * static_cast<uint32_t>(db->ThumbInfo.ImageSize);
    all.PhotoIds.push_back(photo.ImageId);
  }
  all.Count = 2;
  ASSERT_EQ(db->ShowAlbumPage(0, 1, 1), 2);
  const uint8_t* red = box.tiles[0].picture.Row(60) + 60 * 3;
  const uint8_t* green = box.tiles[1].picture.Row(60) + 60 * 3;
  EXPECT_EQ((std::vector<int>{red[0], red[1], red[2]}), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ((std::vector<int>{green[0], green[1], green[2]}), (std::vector<int>{0, 255, 0}));
}

TEST_F(PhotoPages, CameraPageDecodesPreviewsAndLeavesBlankTilesForTheRest) {
  TPicture24 blue;
  blue.SetSize(640, 480);
  for (size_t i = 0; i < blue.Pixels.size(); i += 3) blue.Pixels[i + 2] = 255;
  std::vector<uint8_t> jpeg;
  ASSERT_TRUE(ImageCodec::EncodeJpeg(blue, jpeg));
  TPicture24 scaled;  // the decoder's smallest scale that still covers a tile
  ASSERT_TRUE(ImageCodec::DecodeJpegAtLeast(jpeg, 75, 75, scaled));
  EXPECT_EQ((std::pair{scaled.Width, scaled.Height}), (std::pair{160, 120}));
  const std::string roll = root + "/DCIM/100APPLE/";
  WriteFile(roll + "IMG_0001.JPG", jpeg);
  WriteFile(roll + "IMG_0002.mov", std::string(100, 'm'));  // no mov.bmp: blank
  WriteFile(roll + "IMG_0003.JPG", std::string("\xFF\xD8\xFF garbage"));
  WriteFile(roll + "IMG_0004.PNG", std::string("\x89PNG...."));
  ASSERT_EQ(db->LoadCameraRoll(), 4);
  EXPECT_EQ(db->CamPageCount(), 1);

  ASSERT_EQ(db->ShowCamPage(1, ""), 4);
  for (const Tile& t : box.tiles) {
    EXPECT_TRUE(t.place.Camera);
    EXPECT_EQ(t.picture.Width, 75);
  }
  const uint8_t* centre = box.tiles[0].picture.Row(37) + 37 * 3;
  EXPECT_LT(centre[0], 16);
  EXPECT_GT(centre[2], 240);
  EXPECT_EQ(box.tiles[1].picture.Pixels[0], 255);  // the movie: blank (white)
  EXPECT_EQ(box.tiles[2].picture.Pixels[0], 255);  // undecodable: blank, still a tile
  EXPECT_EQ(box.decodeCalls, 1);                   // the PNG went to the window's readers
  EXPECT_EQ(box.tiles[3].picture.Pixels[0], 6);    // 7, stretched

  // A click twice: the model and its counters as they were, two events.
  std::vector<std::pair<int32_t, bool>> events;
  db->OnCheckChange = [&](int32_t index, bool checked) { events.emplace_back(index, checked); };
  db->CamTileClick(2);
  EXPECT_EQ(db->CamPhotos.CheckedCount, 1);
  db->CamTileClick(2);
  EXPECT_EQ(db->CamPhotos.CheckedCount, 0);
  EXPECT_EQ(events, (std::vector<std::pair<int32_t, bool>>{{2, true}, {2, false}}));

  box.tiles[0].place.Checked = true;
  db->ApplyCheckMode(TIpodPhotoDb::TCheckMode::Invert);
  std::vector<bool> marks;
  for (const Tile& t : box.tiles) marks.push_back(t.place.Checked);
  EXPECT_EQ(marks, (std::vector<bool>{false, true, true, true}));
  EXPECT_TRUE(box.enabled);
}

}  // namespace
}  // namespace ortelan
