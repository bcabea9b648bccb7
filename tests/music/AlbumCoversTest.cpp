#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "music/Artwork.h"
#include "music/MusicCopyThread.h"
#include "photo/ImageCodec.h"
#include "support/MusicFixture.h"
#include "support/PhotoDbBuilder.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;
using fixtures::photodb::ArtworkImage;
using fixtures::photodb::Mhfd;
using fixtures::photodb::Mhli;
using fixtures::photodb::Section;
using fixtures::photodb::ThumbRef;

struct Rgb {
  uint8_t r, g, b;
};

// 16-bit 5-6-5 pixels, little-endian, as the device stores artwork.
Bytes Pixels565(int count, Rgb colour) {
  const uint16_t v =
      static_cast<uint16_t>((colour.r >> 3) << 11 | (colour.g >> 2) << 5 | colour.b >> 3);
  Bytes out;
  for (int i = 0; i < count; ++i) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  return out;
}

// A picture of `width` x `height` in `inside`, its padding columns and rows
// in `padding`.
Bytes PaddedPicture(int width, int height, int padH, int padV, Rgb inside, Rgb padding) {
  Bytes out;
  for (int y = 0; y < height + padV; ++y) {
    const Bytes row = Pixels565(width, y < height ? inside : padding);
    out.insert(out.end(), row.begin(), row.end());
    const Bytes pad = Pixels565(padH, padding);
    out.insert(out.end(), pad.begin(), pad.end());
  }
  return out;
}

bool Near(const uint8_t* pixel, Rgb colour) {
  return std::abs(pixel[0] - colour.r) <= 8 && std::abs(pixel[1] - colour.g) <= 8 &&
         std::abs(pixel[2] - colour.b) <= 8;
}

constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0};

TEST(ArtworkDb, KeepsTheLargestRecordOfEachTrackAndDecodesItWithoutPadding) {
  // Track 7: a small red record, then a larger blue one padded in green.
  const ThumbRef small{1028, 0, 8, 2, 2, 0, 0, ":F1028_1.ithmb"};
  const ThumbRef large{1029, 0, 140, 8, 6, 2, 1, ":F1029_1.ithmb"};
  const Bytes db = Mhfd({Section(1, Mhli({ArtworkImage(100, 7, {large, small})}))});
  TArtworkDb artwork;
  ASSERT_TRUE(artwork.Parse(ByteReader(db)));
  EXPECT_EQ(artwork.Find(8), nullptr);
  const TArtworkRef* ref = artwork.Find(7);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->FormatId, 1029u);
  EXPECT_EQ(ref->StoreFile, "F1029_1.ithmb");

  TPicture24 picture;
  const Bytes record = PaddedPicture(8, 6, 2, 1, kBlue, kGreen);
  ASSERT_TRUE(DecodeArtwork(record, *ref, picture));
  EXPECT_EQ(picture.Width, 8);
  EXPECT_EQ(picture.Height, 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_TRUE(Near(picture.Row(y) + 3 * x, kBlue)) << x << "," << y;
  }
  EXPECT_FALSE(DecodeArtwork(std::span(record).first(record.size() - 1), *ref, picture));

  // A picture narrower than its record, without declared padding.
  const TArtworkRef narrower{1029, 0, 16, 3, 2, 0, 0, "F1029_1.ithmb"};
  ASSERT_TRUE(DecodeArtwork(PaddedPicture(3, 2, 1, 0, kBlue, kGreen), narrower, picture));
  ASSERT_EQ(picture.Width, 3);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) ASSERT_TRUE(Near(picture.Row(y) + 3 * x, kBlue)) << x << "," << y;
  }
}

TEST(ArtworkDb, DamagedDatabasesGiveAnErrorOrTheImagesBeforeTheDamage) {
  const ThumbRef ref{1028, 0, 8, 2, 2, 0, 0, ":F1028_1.ithmb"};
  const Bytes first = ArtworkImage(100, 1, {ref});
  Bytes zeroLength = ArtworkImage(101, 2, {ref});
  zeroLength[8] = zeroLength[9] = zeroLength[10] = zeroLength[11] = 0;  // would repeat itself
  const Bytes good = Mhfd({Section(1, Mhli({first, zeroLength, ArtworkImage(102, 3, {ref})}))});
  TArtworkDb artwork;
  ASSERT_TRUE(artwork.Parse(ByteReader(good)));
  EXPECT_NE(artwork.Find(1), nullptr);
  EXPECT_NE(artwork.Find(2), nullptr);
  EXPECT_EQ(artwork.Find(3), nullptr);

  Bytes escaping =
      Mhfd({Section(1, Mhli({ArtworkImage(100, 1, {{1028, 0, 8, 2, 2, 0, 0, ":.."}})}))});
  ASSERT_TRUE(artwork.Parse(ByteReader(escaping)));
  EXPECT_EQ(artwork.Find(1), nullptr);  // no file name, no picture

  for (size_t cut : {size_t{0}, size_t{10}, good.size() / 2, good.size() - 1}) {
    const Bytes shorter(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    artwork.Parse(ByteReader(shorter));  // never reads past the end (sanitizers watch)
    EXPECT_LE(artwork.Count(), 2u) << cut;
  }
  EXPECT_FALSE(artwork.Parse(ByteReader(Bytes{'m', 'h', 'b', 'd', 0, 0, 0, 0})));
  EXPECT_EQ(artwork.Error, "not an artwork database");
}

TEST(ArtworkDb, ReadsTheRealDatabaseAndMatchesItsTracks) {
  const char* fixtures = std::getenv("ORTELAN_FIXTURES");
  if (!fixtures || !fs::exists(std::string(fixtures) + "/photodb")) {
    GTEST_SKIP() << "real fixtures not present";
  }
  const Bytes bytes = test::ReadBytes(std::string(fixtures) + "/photodb/2023-08-29_ArtworkDB");
  TArtworkDb artwork;
  ASSERT_TRUE(artwork.Parse(ByteReader(bytes)));
  EXPECT_EQ(artwork.Count(), 120u);
  // The iTunesDB of the same device: 120 of its 142 tracks have a picture,
  // each kept in its 200 x 200 format.
  test::MusicFixture m;
  m.WriteItunesDb(test::ReadBytes(std::string(fixtures) + "/itunesdb/2023-08-29_iTunesDB-2"));
  ASSERT_TRUE(m.Load());
  int withArtwork = 0;
  for (const TTrackItem& track : m.Db->Tracks) {
    if (const TArtworkRef* ref = artwork.Find(track.DbId)) {
      ++withArtwork;
      EXPECT_EQ(ref->FormatId, 1029u);
      EXPECT_EQ(ref->Size, 80000u);
      // Some pictures are narrower or lower than their record.
      TPicture24 picture;
      EXPECT_TRUE(DecodeArtwork(Bytes(ref->Size), *ref, picture))
          << ref->Width << "x" << ref->Height;
    }
  }
  EXPECT_EQ(m.Db->Tracks.Count(), 142);
  EXPECT_EQ(withArtwork, 120);
}

// A device with three albums: "First" (its first track without artwork, the
// second with), "Second" (its record cut short in the store) and "Third"
// (a cover already in the destination).
class AlbumCovers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ImageCodec::Start());
    fixtures::Library lib;
    const struct {
      uint32_t id;
      uint64_t dbId;
      const char* album;
    } tracks[] = {{1, 0, "First"}, {2, 0xA2, "First"}, {3, 0xA3, "Second"}, {4, 0xA4, "Third"}};
    for (const auto& t : tracks) {
      const std::string file = "F00/T" + std::to_string(t.id) + ".mp3";
      const std::string content(100 + t.id, static_cast<char>('a' + t.id));
      test::WriteFile(m.Root() + "/iPod_Control/Music/" + file, content);
      fixtures::Track track;
      track.Fields = {t.id, 0, static_cast<uint32_t>(content.size()), 1000, 0, t.dbId};
      track.Title = "Song " + std::to_string(t.id);
      track.Artist = "Ann";
      track.Album = t.album;
      track.Location = ":iPod_Control:Music:F00:T" + std::to_string(t.id) + ".mp3";
      lib.Tracks.push_back(track);
    }
    lib.Playlists.push_back({"Library", false, {1, 2, 3, 4}});
    m.WriteItunesDb(lib.Build());

    const ThumbRef small{1028, 0, 8, 2, 2, 0, 0, ":F1028_1.ithmb"};
    const ThumbRef blue{1029, 0, 140, 8, 6, 2, 1, ":F1029_1.ithmb"};
    const ThumbRef cut{1029, 140, 140, 8, 6, 2, 1, ":F1029_1.ithmb"};
    const std::string folder = m.Root() + "/iPod_Control/Artwork/";
    test::WriteFile(folder + "ArtworkDB",
                    Mhfd({Section(1, Mhli({ArtworkImage(100, 0xA2, {small, blue}),
                                           ArtworkImage(101, 0xA3, {cut}),
                                           ArtworkImage(102, 0xA4, {small})}))}));
    test::WriteFile(folder + "F1028_1.ithmb", Pixels565(4, kRed));
    test::WriteFile(folder + "F1029_1.ithmb", PaddedPicture(8, 6, 2, 1, kBlue, kGreen));
    dest = m.Dir / "dest";
    test::WriteFile(dest + "/Ann/Third/cover.jpg", "someone else's");
  }

  void Transfer(uint8_t scheme) {
    ASSERT_TRUE(m.Load());
    m.Db->NameScheme = scheme;
    m.Db->SaveCovers = true;
    std::string folder = dest;
    ASSERT_TRUE(m.Db->PrepareDestination(folder));
    m.Fx.Device->ReleaseDestination();
    TMusicCopyThread worker(*m.Db, m.Fx.Dispatcher, false, false);
    worker.Start();
    m.Fx.Dispatcher.RunUntil([&] { return worker.Finished(); });
  }

  test::MusicFixture m;
  std::string dest;
};

TEST_F(AlbumCovers, EachAlbumFolderGetsTheLargestPictureOfItsFirstTrackThatHasOne) {
  Transfer(0);
  TPicture24 cover;
  ASSERT_TRUE(ImageCodec::DecodeJpeg(test::ReadBytes(dest + "/Ann/First/cover.jpg"), cover));
  ASSERT_EQ(cover.Width, 8);
  ASSERT_EQ(cover.Height, 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_TRUE(Near(cover.Row(y) + 3 * x, kBlue)) << x << "," << y;
  }
  EXPECT_FALSE(fs::exists(dest + "/Ann/Second/cover.jpg"));
  EXPECT_EQ(test::ReadFileText(dest + "/Ann/Third/cover.jpg"), "someone else's");
  EXPECT_NE(m.Db->Log.find("[X] Cover not written: Ann/Second/cover.jpg: F1029_1.ithmb ends "
                           "before the picture"),
            std::string::npos)
      << m.Db->Log;
  EXPECT_NE(m.Db->Log.find("Covers: 1"), std::string::npos);
  // The tracks themselves are the device's bytes.
  EXPECT_EQ(test::ReadFileText(dest + "/Ann/First/Song 2.mp3"), std::string(102, 'c'));

  // A second run finds the cover in place and leaves it.
  const auto written = fs::last_write_time(dest + "/Ann/First/cover.jpg");
  Transfer(0);
  EXPECT_EQ(fs::last_write_time(dest + "/Ann/First/cover.jpg"), written);
  EXPECT_NE(m.Db->Log.find("Covers: 0"), std::string::npos);
  EXPECT_EQ(test::ListTree(dest).size(), 6u) << "4 tracks, 2 covers, nothing else";
}

TEST_F(AlbumCovers, OtherSchemesHaveNoAlbumFoldersAndGetNoCover) {
  Transfer(1);
  for (const std::string& path : test::ListTree(dest))
    EXPECT_FALSE(path.ends_with("cover.jpg") && !path.ends_with("Third/cover.jpg")) << path;
}

// A record that claims a giant picture is refused before anything is
// allocated for it; an ArtworkDB that cannot be read says why.
TEST_F(AlbumCovers, GiantRecordsAndUnreadableDatabasesAreRefusedWithTheirReason) {
  const std::string folder = m.Root() + "/iPod_Control/Artwork/";
  const ThumbRef giant{1029, 0, 0x80000000u, 32768, 32768, 0, 0, ":F1029_1.ithmb"};
  test::WriteFile(folder + "ArtworkDB",
                  Mhfd({Section(1, Mhli({ArtworkImage(100, 0xA2, {giant})}))}));
  Transfer(0);
  EXPECT_NE(m.Db->Log.find("[X] Cover not written: Ann/First/cover.jpg: the picture claims 32768 x "
                           "32768 pixels (at most 2048 x 2048)"),
            std::string::npos)
      << m.Db->Log;

  fs::remove(folder + "ArtworkDB");
  ASSERT_EQ(mkfifo((folder + "ArtworkDB").c_str(), 0644), 0);
  Transfer(0);
  EXPECT_NE(
      m.Db->Log.find("[X] Covers not written: Not a regular file: /iPod_Control/Artwork/ArtworkDB"),
      std::string::npos)
      << m.Db->Log;
}

}  // namespace
}  // namespace ortelan
