#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/MusicFixture.h"

namespace ortelan {
namespace {

using namespace fixtures;
using test::MusicFixture;

fixtures::Track MakeTrack(uint32_t id, std::string title, std::string location) {
  fixtures::Track t;
  t.Fields = {id, 60, 1000 + id, 187000, 3};
  t.Title = std::move(title);
  t.Location = std::move(location);
  t.Album = "Album";
  t.Artist = "Artist";
  t.Genre = "Genre";
  return t;
}

Library SmallLibrary() {
  Library lib;
  lib.Tracks = {MakeTrack(10, "One", ":iPod_Control:Music:F00:ONE.mp3"),
                MakeTrack(11, "Two", ":iPod_Control:Music:F01:TWO.m4v"),
                MakeTrack(12, "Book", ":iPod_Control:Books:B.epub")};
  lib.Playlists = {{"My iPod", false, {10, 11, 12}},
                   {"Twice", false, {11, 11, 99}},
                   {"Smart", true, {10}},
                   {"", false, {}}};
  return lib;
}

TEST(ItunesDbReader, ReadsEveryFieldOfAWellFormedLibrary) {
  MusicFixture m;
  m.WriteItunesDb(SmallLibrary().Build());
  ASSERT_TRUE(m.Load());
  const TIpodMusicDb& db = *m.Db;
  ASSERT_EQ(db.Tracks.Count(), 3);
  const TTrackItem& t = db.Tracks.GetItem(0);
  EXPECT_EQ(t.TrackId, 10);
  EXPECT_EQ(t.Rating, 60);
  EXPECT_EQ(t.Size, 1010);
  EXPECT_EQ(t.Duration, 187000u);
  EXPECT_EQ(t.PlayCount, 3);
  EXPECT_EQ(t.Title, "One");
  EXPECT_EQ(t.Location, ":iPod_Control:Music:F00:ONE.mp3");
  EXPECT_EQ(t.Album, "Album");
  EXPECT_EQ(t.Artist, "Artist");
  EXPECT_EQ(t.Genre, "Genre");
  EXPECT_EQ(t.DurationText, "3:07");
  EXPECT_EQ(t.SizeText, "0.99 KB");
  EXPECT_EQ(t.CopyState, -1);
  EXPECT_EQ(t.ItunesSourceId, -1);
  EXPECT_EQ(db.Tracks.GetItem(1).MediaKind, mkVideo);

  // The book is listed unchecked and left out of the counters, not the total.
  const TTrackItem& book = db.Tracks.GetItem(2);
  EXPECT_EQ(book.MediaKind, mkBook);
  EXPECT_FALSE(book.Checked);
  EXPECT_EQ(db.Tracks.CheckedCount, 2);
  EXPECT_EQ(db.Tracks.CheckedSize, 1010 + 1011);
  EXPECT_EQ(db.TotalSize, 1010 + 1011 + 1012);

  ASSERT_EQ(db.PlayLists.Count(), 4);
  EXPECT_TRUE(db.HasMasterPlaylist);
  EXPECT_EQ(db.PlayLists.GetItem(0).Name, "My iPod");
  EXPECT_EQ(db.PlayLists.GetItem(1).TrackIds, (std::vector<int64_t>{11, 11, 99}));
  EXPECT_EQ(db.PlayLists.GetItem(1).Count, 3);
  EXPECT_FALSE(db.PlayLists.GetItem(1).Smart);
  EXPECT_TRUE(db.PlayLists.GetItem(2).Smart);
  EXPECT_EQ(db.PlayLists.GetItem(3).Name, "");
  EXPECT_EQ(db.PlayLists.GetItem(3).PlayListId, 0);
}

TEST(ItunesDbReader, LogsTheIosAttemptBeforeReadingTheItunesDb) {
  MusicFixture m;
  m.WriteItunesDb(SmallLibrary().Build());
  test::WriteFile(m.Root() + "/Recordings/Memo 1.m4a", "memo");
  ASSERT_TRUE(m.Load());
  EXPECT_EQ(m.Db->Log, "\r\nitdb, ");
  // The voice memo that the iOS attempt found is gone with the track list.
  for (const TTrackItem& t : m.Db->Tracks) EXPECT_NE(t.MediaKind, mkVoiceMemo);
}

TEST(ItunesDbReader, VoiceMemosAreListedUnchecked) {
  MusicFixture m;
  test::WriteFile(m.Root() + "/Recordings/20090101 120000.m4a", "memo");
  test::WriteFile(m.Root() + "/Recordings/nodot", "x");  // not an .m4a
  EXPECT_FALSE(m.Load());                                // no iTunesDB
  ASSERT_EQ(m.Db->Tracks.Count(), 1);
  const TTrackItem& memo = m.Db->Tracks.GetItem(0);
  EXPECT_EQ(memo.Title, "20090101 120000");
  EXPECT_EQ(memo.Location, "Recordings\\20090101 120000.m4a");
  EXPECT_EQ(memo.Album, "Voice memo");
  EXPECT_EQ(memo.Genre, "m4a");
  EXPECT_EQ(memo.MediaKind, mkVoiceMemo);
  EXPECT_FALSE(memo.Checked);
  EXPECT_EQ(m.Db->Tracks.CheckedCount, 0);
  EXPECT_TRUE(m.Db->Log.find("\r\niTunesDb, \r\nNot found: /iPod_Control/iTunes/iTunesCDB\r\n"
                             "Not found: /iPod_Control/iTunes/iTunesDB") != std::string::npos)
      << m.Db->Log;
}

struct ReaderCase {
  const char* name;
  std::function<Bytes()> build;
  bool loaded;
  int tracks;
  int playlists;
  std::function<void(const TIpodMusicDb&)> check = [](const TIpodMusicDb&) {};
};

TEST(ItunesDbReader, HandlesTheOddCasesOfTheFormat) {
  const Bytes one = Mhsd(1, Mhlt({Mhit({1}, {MhodString(1, "A")})}));
  const ReaderCase cases[] = {
      {"tags in capitals",
       [] {
         return Mhbd({Mhsd(1, Mhlt({Mhit({1}, {MhodString(1, "A")})}, "MHLT")),
                      Mhsd(2, Mhlp({Mhyp({MhodString(1, "M")}, {Mhip(1, "MHIP")})}, "MhLp"))},
                     "MHBD");
       },
       true, 1, 1, [](const TIpodMusicDb& db) { EXPECT_EQ(db.PlayLists.GetItem(0).Count, 1); }},
      {"wrong database tag", [] { return Mhbd({}, "mhbx"); }, false, 0, 0,
       [](const TIpodMusicDb& db) {
         EXPECT_NE(db.Log.find("\r\nMHDB incorrect\r\niTunesDb, "), std::string::npos);
       }},
      {"only data sets 3 and 4",
       [] {
         return Mhbd({Mhsd(3, Mhlp({})), Mhsd(4, Bytes(92, 0))});
       },
       false, 0, 0},
      {"two track lists: the second wins",
       [&] {
         return Mhbd({one, Mhsd(1, Mhlt({Mhit({7, 0, 5}, {MhodString(1, "B")}),
                                         Mhit({8, 0, 6}, {MhodString(1, "C")})}))});
       },
       true, 2, 0,
       [](const TIpodMusicDb& db) {
         EXPECT_EQ(db.Tracks.GetItem(0).Title, "B");
         EXPECT_EQ(db.TotalSize, 11);
         EXPECT_EQ(db.Tracks.CheckedCount, 2);
       }},
      {"wrong track list tag", [] { return Mhbd({Mhsd(1, Mhlt({}, "mhlx"))}); }, false, 0, 0},
      {"odd and NUL-cut strings, types 12 and 100 passed over",
       [] {
         Bytes odd = Utf16Le("Odd");
         odd.push_back('!');
         return Mhbd({Mhsd(
             1, Mhlt({Mhit({1}, {MhodRawText(1, odd, 7), MhodString(4, std::string("Ar\0tist", 7)),
                                 MhodString(12, "Composer"), MhodOpaque(100, 60),
                                 MhodString(3, "Album")})}))});
       },
       true, 1, 0,
       [](const TIpodMusicDb& db) {
         const TTrackItem& t = db.Tracks.GetItem(0);
         EXPECT_EQ(t.Title, "Odd");
         EXPECT_EQ(t.Artist, "Ar");
         EXPECT_EQ(t.Album, "Album");
         EXPECT_EQ(t.Genre, "");
       }},
      {"a playlist item with a wrong tag still advances",
       [&] {
         return Mhbd(
             {one,
              Mhsd(2, Mhlp({Mhyp({MhodString(1, "M")}, {Mhip(1), Mhip(2, "mhix"), Mhip(3)})}))});
       },
       true, 1, 1,
       [](const TIpodMusicDb& db) {
         EXPECT_EQ(db.PlayLists.GetItem(0).TrackIds, (std::vector<int64_t>{1, 3}));
         EXPECT_EQ(db.PlayLists.GetItem(0).Count, 2);
       }},
      {"a broken playlist list keeps the tracks",
       [&] {
         return Mhbd({one, Mhsd(2, Mhlp({}, "mhlq")), Mhsd(1, Mhlt({}))});
       },
       true, 1, 0},
      {"playlists before any track list",
       [] { return Mhbd({Mhsd(2, Mhlp({Mhyp({MhodString(1, "M")}, {})}))}); }, false, 0, 1},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    MusicFixture m;
    m.WriteItunesDb(c.build());
    EXPECT_EQ(m.Load(), c.loaded);
    EXPECT_EQ(m.Db->Tracks.Count(), c.tracks);
    EXPECT_EQ(m.Db->PlayLists.Count(), c.playlists);
    c.check(*m.Db);
  }
}

TEST(ItunesDbReader, CompressedDatabaseGivesTheSameLibrary) {
  const Bytes plain = SmallLibrary().Build();
  MusicFixture a, b;
  a.WriteItunesDb(plain);
  b.WriteItunesDb(Compress(plain), "iTunesCDB");
  ASSERT_TRUE(a.Load());
  ASSERT_TRUE(b.Load());
  ASSERT_EQ(a.Db->Tracks.Count(), b.Db->Tracks.Count());
  for (int i = 0; i < a.Db->Tracks.Count(); ++i) {
    EXPECT_EQ(a.Db->Tracks.GetItem(i).Title, b.Db->Tracks.GetItem(i).Title);
    EXPECT_EQ(a.Db->Tracks.GetItem(i).Location, b.Db->Tracks.GetItem(i).Location);
  }
  EXPECT_EQ(b.Db->PlayLists.Count(), 4);
  EXPECT_EQ(b.Db->Tracks.CheckedSize, a.Db->Tracks.CheckedSize);
}

TEST(ItunesDbReader, DamagedCompressedDatabaseRaisesTheInflateError) {
  Bytes packed = Compress(SmallLibrary().Build());
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"garbage body",
       [&] {
         Bytes b = packed;
         b[104] ^= 0xFF;
         b[105] ^= 0xFF;
         return b;
       }()},
      {"cut short", Bytes(packed.begin(), packed.begin() + 130)},
      {"header only", Bytes(packed.begin(), packed.begin() + 104)},
      {"shorter than a header", Bytes(packed.begin(), packed.begin() + 10)},
  };
  for (const auto& [name, bytes] : cases) {
    MusicFixture m;
    m.WriteItunesDb(bytes, "iTunesCDB");
    EXPECT_THROW(m.Load(), EInflateError) << name;
  }
}

// Every prefix of a database, and every length field set to the values that
// break readers, must end with a result and without a read outside the data
// (the sanitizer build checks the reads).
TEST(ItunesDbReader, SurvivesTruncationAndDamagedLengths) {
  const Bytes whole = SmallLibrary().Build();
  for (size_t cut = 0; cut < whole.size(); cut += 7) {
    TMemoryStream stream;
    stream.Bytes.assign(whole.begin(), whole.begin() + cut);
    TIpodMusicDb db(nullptr);
    db.ParseItunesDb(stream, false);
    EXPECT_LE(db.Tracks.Count(), 3);
  }
  for (size_t field = 0; field + 4 <= whole.size(); field += 4) {
    for (uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      TMemoryStream stream;
      stream.Bytes.assign(whole.begin(), whole.end());
      for (int i = 0; i < 4; ++i) stream.Bytes[field + i] = static_cast<uint8_t>(value >> (8 * i));
      TIpodMusicDb db(nullptr);
      db.ParseItunesDb(stream, false);
      ASSERT_LE(db.Tracks.Count(), 1000) << field;
    }
  }
}

TEST(ItunesDbReader, ZeroLengthsThatWouldRevisitAChunkEndTheList) {
  Bytes tracks = Mhlt({Mhit({1}, {MhodString(1, "A")}), Mhit({2}, {MhodString(1, "B")})});
  tracks[92 + 8] = tracks[92 + 9] = 0;  // first mhit: total length 0
  MusicFixture m;
  m.WriteItunesDb(Mhbd({Mhsd(1, tracks)}));
  EXPECT_FALSE(m.Load());

  // A playlist whose mhod has length 0 would be read forever.
  Bytes name = MhodString(1, "Loop");
  name[8] = name[9] = 0;
  MusicFixture p;
  p.WriteItunesDb(Mhbd({Mhsd(1, Mhlt({})), Mhsd(2, Mhlp({Mhyp({name}, {})}))}));
  EXPECT_TRUE(p.Load());
  EXPECT_EQ(p.Db->PlayLists.Count(), 1);
}

// Large track lists are read in parts at once; the result must be the one a
// reading in order gives: every track before the first broken one, and false.
TEST(ItunesDbReader, LargeListsKeepTheTracksBeforeTheFirstBrokenOne) {
  for (const int broken : {-1, 700, 4100}) {
    SCOPED_TRACE(broken);
    std::vector<Bytes> tracks;
    for (int i = 0; i < 6000; ++i) {
      const Bytes title = i == broken ? MhodRawText(1, Utf16Le("x"), 0x7FFFFFF0)
                                      : MhodString(1, "T" + std::to_string(i));
      tracks.push_back(Mhit({static_cast<uint32_t>(i), 0, 10}, {title, MhodString(2, ":a.mp3")}));
    }
    TMemoryStream stream;
    const Bytes db = Mhbd({Mhsd(1, Mhlt(tracks))});
    stream.Bytes.assign(db.begin(), db.end());
    TIpodMusicDb music(nullptr);
    EXPECT_EQ(music.ParseItunesDb(stream, false), broken < 0);
    const int expected = broken < 0 ? 6000 : broken;
    ASSERT_EQ(music.Tracks.Count(), expected);
    EXPECT_EQ(music.Tracks.GetItem(expected - 1).Title, "T" + std::to_string(expected - 1));
    EXPECT_EQ(music.Tracks.CheckedCount, expected);
    EXPECT_EQ(music.TotalSize, 10 * expected);
  }
}

struct RealDatabase {
  const char* file;
  int tracks;
  int playlists;
};

TEST(ItunesDbReader, LoadsTheRealDatabases) {
  const char* fixtures = std::getenv("ORTELAN_FIXTURES");
  if (!fixtures || !std::filesystem::exists(std::string(fixtures) + "/itunesdb")) {
    GTEST_SKIP() << "real fixtures not present";
  }
  // Counts checked by hand against the mhlt and type-2 mhlp headers.
  const RealDatabase databases[] = {
      {"2023-06-26_iTunesDB-1", 1799, 1}, {"2023-08-29_iTunesDB-2", 142, 4},
      {"2024-11-06_iTunesDB-3", 133, 3},  {"2025-04-21_iTunesDB-4", 2006, 14},
      {"2025-05-06_iTunesDB-5", 525, 2},  {"2025-08-16_iTunesDB-6", 10, 1},
      {"netlib_iTunesDB", 23, 3},         {"netlib_iTunesDB-NanoPod", 292, 6},
  };
  for (const RealDatabase& d : databases) {
    SCOPED_TRACE(d.file);
    MusicFixture m;
    m.WriteItunesDb(test::ReadBytes(std::string(fixtures) + "/itunesdb/" + d.file));
    ASSERT_TRUE(m.Load());
    EXPECT_EQ(m.Db->Tracks.Count(), d.tracks);
    EXPECT_EQ(m.Db->PlayLists.Count(), d.playlists);
    EXPECT_EQ(m.Db->PlayLists.GetItem(0).Count, d.tracks);  // the master lists every track
  }
  MusicFixture m;
  m.WriteItunesDb(test::ReadBytes(std::string(fixtures) + "/itunesdb/netlib_iTunesDB"));
  ASSERT_TRUE(m.Load());
  const TTrackItem& first = m.Db->Tracks.GetItem(0);
  EXPECT_EQ(first.Title, "Rock or Bust");
  EXPECT_EQ(first.Artist, "AC/DC");
  EXPECT_EQ(first.Location, ":iPod_Control:Music:F05:COCA.mp3");
  EXPECT_EQ(first.Size, 6363684);
  EXPECT_EQ(m.Db->PlayLists.GetItem(0).Name, "iPod von Klaus Moster");
}

}  // namespace
}  // namespace ortelan
