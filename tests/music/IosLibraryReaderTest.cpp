#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "support/MusicFixture.h"
#include "support/SqliteBuilder.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using namespace fixtures::sqlite;

class IosLibrary : public ::testing::Test {
 protected:
  std::string Itunes(const std::string& name) { return m.Root() + "/iPod_Control/iTunes/" + name; }
  std::string Package(const std::string& name) { return Itunes("iTunes Library.itlp/" + name); }
  // Whatever the work folder still holds after a load: nothing, when every
  // copy was deleted.
  std::vector<std::string> WorkFolderLeftovers() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(platform::PrivateTempFolder())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  const TTrackItem& Track(int i) { return m.Db->Tracks.GetItem(i); }
  const TPlayListItem& List(int i) { return m.Db->PlayLists.GetItem(i); }

  test::MusicFixture m;
};

constexpr const char* kSmallMediaLibrary = R"(
INSERT INTO genre VALUES (5, 'Jazz');
INSERT INTO album VALUES (20, 'Blue Train');
INSERT INTO base_location VALUES (3000, 'iTunes_Control/Music/F01');
INSERT INTO item_artist VALUES (40, 'John Coltrane');
INSERT INTO item (item_pid, item_artist_pid, album_pid, genre_id, base_location_id) VALUES
  (101, 40, 20, 5, 3000), (102, 41, 20, 5, 3000), (103, 40, 20, 6, 9999), (104, 40, 0, 0, 3000);
INSERT INTO item_extra VALUES (101, 'Blue Train', 'ABCD.mp3', 1000, 643000),
  (102, 'Moment''s Notice', 'EFGH.m4a', 2000, 550000), (103, 'Locomotion', 'IJKL.mp3', 4000, 1000),
  (104, 'A Book', 'MNOP.epub', 8000, 0);
INSERT INTO item_stats VALUES (101, 80, 7), (102, 0, 0), (103, 20, 1), (104, 0, 0);
INSERT INTO db_info VALUES (1, 900);
INSERT INTO container (container_pid, distinguished_kind, name, smart_is_dynamic) VALUES
  (901, 0, 'Favourites', 0), (900, 0, 'Library', 0), (902, 17, NULL, 0), (903, 0, 'Smart', 1);
INSERT INTO container_items VALUES (900, )"
                                           "X'65000000000000006600000000000000'"
                                           R"(), (901, X'660000000000000065000000000000000700000A');
)";

TEST_F(IosLibrary, MediaLibraryTracksPlaylistsAndCounters) {
  MakeDatabase(Itunes("MediaLibrary.sqlitedb"),
               std::string(kMediaLibrarySchema) + kSmallMediaLibrary);
  ASSERT_TRUE(m.Load());
  EXPECT_EQ(m.Db->Log, "");  // no failed attempt
  ASSERT_EQ(m.Db->Tracks.Count(), 4);
  EXPECT_EQ(Track(0).TrackId, 101);
  EXPECT_EQ(Track(0).Artist, "John Coltrane");
  EXPECT_EQ(Track(0).Album, "Blue Train");
  EXPECT_EQ(Track(0).Genre, "Jazz");
  EXPECT_EQ(Track(0).Location, "iTunes_Control/Music/F01/ABCD.mp3");
  EXPECT_EQ(Track(0).Rating, 80);
  EXPECT_EQ(Track(0).PlayCount, 7);
  EXPECT_EQ(Track(0).Duration, 643000u);
  EXPECT_EQ(Track(0).DurationText, "10:43");
  EXPECT_EQ(Track(1).Artist, "");             // artist 41 is not listed
  EXPECT_EQ(Track(2).Location, "/IJKL.mp3");  // nor is base location 9999
  EXPECT_EQ(Track(2).Genre, "");
  EXPECT_EQ(Track(3).MediaKind, mkBook);  // books come unchecked
  EXPECT_FALSE(Track(3).Checked);
  EXPECT_FALSE(m.Db->NeedBooks);
  EXPECT_EQ(m.Db->Tracks.CheckedCount, 3);
  EXPECT_EQ(m.Db->Tracks.CheckedSize, 7000);
  EXPECT_EQ(m.Db->TotalSize, 15000);

  ASSERT_EQ(m.Db->PlayLists.Count(), 4);
  EXPECT_TRUE(m.Db->HasMasterPlaylist);
  EXPECT_EQ(List(0).Name, "Library");
  EXPECT_EQ(List(0).Count, 0);  // the master playlist never gets members
  EXPECT_EQ(List(1).Name, "Favourites");
  EXPECT_EQ(List(1).TrackIds, (std::vector<int64_t>{102, 101}));  // 20 bytes: two ids
  EXPECT_EQ(List(2).Name, "Unknown");
  EXPECT_TRUE(List(2).VoiceMemos);
  EXPECT_TRUE(List(3).Smart);
  EXPECT_FALSE(List(1).Smart);
  EXPECT_TRUE(WorkFolderLeftovers().empty());
}

TEST_F(IosLibrary, WithoutAMasterPlaylistEveryPlaylistGetsItsMembers) {
  MakeDatabase(Itunes("MediaLibrary.sqlitedb"), std::string(kMediaLibrarySchema) +
                                                    kSmallMediaLibrary +
                                                    "UPDATE db_info SET primary_container_pid=1;");
  ASSERT_TRUE(m.Load());
  EXPECT_FALSE(m.Db->HasMasterPlaylist);
  EXPECT_EQ(List(0).Name, "Library");  // in row order; the first one gets its members too
  EXPECT_EQ(List(0).TrackIds, (std::vector<int64_t>{101, 102}));
  EXPECT_EQ(List(1).Count, 2);
}

// A library that cannot be read leaves the iTunesDB to be read, with the
// reason in the log, and no copy behind.
TEST_F(IosLibrary, AnUnreadableLibraryFallsBackToTheItunesDb) {
  const struct {
    const char* name;
    std::string sql;
  } cases[] = {
      {"no items", std::string(kMediaLibrarySchema)},
      {"a missing table", "CREATE TABLE genre (genre_id, genre);"},
      {"a duplicate key", std::string(kMediaLibrarySchema) +
                              "CREATE TABLE g2 AS SELECT 1 AS a; DROP TABLE genre;"
                              "CREATE TABLE genre (genre_id, genre);"
                              "INSERT INTO genre VALUES (1, 'a'), (1, 'b');"},
  };
  for (const auto& c : cases) {
    MakeDatabase(Itunes("MediaLibrary.sqlitedb"), c.sql);
    m.Fx.Device->ClearErrors();
    EXPECT_FALSE(m.Load()) << c.name;  // and there is no iTunesDB either
    EXPECT_EQ(m.Db->Log.rfind("\r\nitdb, ", 0), 0u) << c.name;
    EXPECT_NE(m.Db->Log.find("iTunesDb, "), std::string::npos) << c.name;
    EXPECT_TRUE(WorkFolderLeftovers().empty()) << c.name;
  }
}

TEST_F(IosLibrary, ADamagedLibrarySaysWhatSQLiteFound) {
  test::WriteFile(Itunes("MediaLibrary.sqlitedb"), std::string(8192, 'x'));
  EXPECT_FALSE(m.Load());  // and there is no iTunesDB either
  EXPECT_NE(m.Db->ReadError.find("file is not a database"), std::string::npos) << m.Db->ReadError;
  EXPECT_NE(m.Db->Log.find("\r\n[X] The music library cannot be read: "), std::string::npos)
      << m.Db->Log;
  EXPECT_TRUE(WorkFolderLeftovers().empty());
}

TEST_F(IosLibrary, SizesThatCannotBeAFilesAreUnknownAndTotalsNeverOverflow) {
  MakeDatabase(Itunes("MediaLibrary.sqlitedb"), std::string(kMediaLibrarySchema) + R"(
INSERT INTO base_location VALUES (1, 'F');
INSERT INTO item (item_pid, base_location_id) VALUES (1, 1), (2, 1), (3, 1), (4, 1);
INSERT INTO item_extra VALUES (1, 'Max', 'a.mp3', 9223372036854775807, 0),
  (2, 'Also max', 'b.mp3', 9223372036854775807, 0), (3, 'Negative', 'c.mp3', -5, 0),
  (4, 'Real', 'd.mp3', 4000, 0);
INSERT INTO item_stats VALUES (1, 0, 0), (2, 0, 0), (3, 0, 0), (4, 0, 0);
INSERT INTO db_info VALUES (1, 0);
)");
  ASSERT_TRUE(m.Load()) << m.Db->Log;
  ASSERT_EQ(m.Db->Tracks.Count(), 4);
  EXPECT_EQ(Track(0).Size, 0);
  EXPECT_EQ(Track(2).Size, 0);
  EXPECT_EQ(m.Db->TotalSize, 4000);
  EXPECT_EQ(m.Db->Tracks.CheckedSize, 4000);
}

constexpr const char* kSmallItdb = R"(
INSERT INTO genre_map (genre) VALUES ('Rock'), ('Pop');
INSERT INTO item (pid, title, artist, album, total_time_ms, genre_id) VALUES
  (11, 'One', 'A', 'X', 61000, 1), (12, 'Two', 'B', 'Y', 1000, 2), (13, 'Three', 'C', 'Z', 0, 7),
  (14, 'Book', 'D', 'W', 0, 0), (15, 'Nowhere', 'E', 'V', 0, 0);
INSERT INTO db_info VALUES (1, 50);
INSERT INTO container (pid, name, media_kinds) VALUES (51, NULL, 0), (50, 'Nano', 1), (52, 'Mix', 1);
INSERT INTO item_to_container VALUES (12, 52, 0), (11, 52, 1), (11, 50, 0);
)";

constexpr const char* kSmallLocations = R"(
INSERT INTO base_location VALUES (1, 'iPod_Control/Music'), (2, NULL);
INSERT INTO location (item_pid, base_location_id, location, file_size) VALUES
  (11, 1, 'F00/AAAA.mp3', 100), (12, 0, 'iPod_Control/Music/F01/BBBB.m4a', 200),
  (13, 2, 'F02/CCCC.mp3', 400), (14, 1, 'F03/DDDD.epub', 800), (99, 1, 'F04/EEEE.mp3', 1600),
  (13, 2, NULL, 4000);
)";

TEST_F(IosLibrary, NanoLibraryFromItsThreeFiles) {
  MakeDatabase(Package("Library.itdb"), std::string(kLibraryItdbSchema) + kSmallItdb);
  MakeDatabase(Package("Locations.itdb"), std::string(kLocationsItdbSchema) + kSmallLocations);
  MakeDatabase(
      Package("Dynamic.itdb"),
      std::string(kDynamicItdbSchema) + "INSERT INTO item_stats VALUES (12, 3, 60), (77, 1, 1);");
  const std::string before = test::ReadFileText(Package("Locations.itdb"));
  ASSERT_TRUE(m.Load());
  ASSERT_EQ(m.Db->Tracks.Count(), 5);
  EXPECT_EQ(Track(0).Genre, "Rock");  // genre ids count the names from 1
  EXPECT_EQ(Track(1).Genre, "Pop");
  EXPECT_EQ(Track(2).Genre, "");  // 7 is outside the list
  EXPECT_EQ(Track(0).DurationText, "1:01");
  EXPECT_EQ(Track(0).Location, "iPod_Control/Music/F00/AAAA.mp3");
  EXPECT_EQ(Track(1).Location, "iPod_Control/Music/F01/BBBB.m4a");  // base 0: as written
  EXPECT_EQ(Track(2).Location, "/");  // no base path, and its last row had no location
  EXPECT_EQ(Track(2).Size, 4000);     // the last row for a track holds
  EXPECT_EQ(Track(1).PlayCount, 3);
  EXPECT_EQ(Track(1).Rating, 60);
  EXPECT_EQ(Track(3).MediaKind, mkBook);
  // Checked: located tracks that are no books; the counters match the marks.
  EXPECT_EQ(std::vector<bool>({Track(0).Checked, Track(1).Checked, Track(2).Checked,
                               Track(3).Checked, Track(4).Checked}),
            std::vector<bool>({true, true, true, false, false}));
  EXPECT_EQ(m.Db->Tracks.CheckedCount, 3);
  EXPECT_EQ(m.Db->Tracks.CheckedSize, 4300);
  EXPECT_EQ(m.Db->TotalSize, 5100);

  ASSERT_EQ(m.Db->PlayLists.Count(), 3);
  EXPECT_EQ(List(0).Name, "Nano");
  EXPECT_EQ(List(0).TrackIds.size(), 0u);
  EXPECT_EQ(List(1).Name, "Unknown");
  EXPECT_TRUE(List(1).Smart);
  EXPECT_EQ(List(2).TrackIds, (std::vector<int64_t>{12, 11}));
  EXPECT_EQ(test::ReadFileText(Package("Locations.itdb")), before);
  EXPECT_TRUE(WorkFolderLeftovers().empty());
}

TEST_F(IosLibrary, ANanoLibraryWithoutLocationsIsNotRead) {
  MakeDatabase(Package("Library.itdb"), std::string(kLibraryItdbSchema) + kSmallItdb);
  EXPECT_FALSE(m.Load());
  EXPECT_EQ(m.Db->Log.rfind("\r\nitdb, ", 0), 0u);
}

TEST_F(IosLibrary, BooksListGivesOneBookPerDictionary) {
  const std::string plist = m.Root() + "/Books.plist";
  test::WriteFile(plist, R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>Version</key><string>1</string>
  <key>books</key>
  <array>
    <dict><key>Artist</key><string>Ann</string><key>Name</key><string>Tales</string>
          <key>Path</key><string>1.epub</string><key>Genre</key><string>x</string></dict>
    <dict><key>Name</key><string>Only Two</string><key>Path</key><string>2.pdf</string></dict>
    <dict><key>Name</key><string>Too small</string></dict>
  </array>
</dict></plist>)");
  m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
  EXPECT_EQ(m.Db->ReadBooksPlistFile(plist), 2);
  EXPECT_EQ(Track(0).Title, "Tales");
  EXPECT_EQ(Track(0).Artist, "Ann");
  EXPECT_EQ(Track(0).Location, "Books/1.epub");
  EXPECT_EQ(Track(0).MediaKind, mkBook);
  EXPECT_FALSE(Track(0).Checked);
  EXPECT_EQ(Track(1).Artist, "");

  test::WriteFile(plist, "<plist><dict><key>Books</key><array><dict>");  // cut short
  EXPECT_EQ(m.Db->ReadBooksPlistFile(plist), 0);
  EXPECT_EQ(m.Db->Tracks.Count(), 2);
}

// The databases of real devices, read from copies.
class RealIosLibraries : public IosLibrary {
 protected:
  void SetUp() override {
    const char* root = std::getenv("ORTELAN_FIXTURES");
    if (!root || !fs::exists(std::string(root) + "/ios")) GTEST_SKIP() << "no real databases";
    real = root;
  }
  std::string Copy(const std::string& file) {
    const std::string copy = m.Dir / fs::path(file).filename().string();
    fs::copy_file(real + "/" + file, copy, fs::copy_options::overwrite_existing);
    return copy;
  }
  std::string real;
};

TEST_F(RealIosLibraries, MediaLibraryAndNanoLibraryAreRead) {
  m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
  EXPECT_EQ(m.Db->ReadMediaLibrary(Copy("ios/MediaLibrary.sqlitedb")), 697);
  EXPECT_EQ(m.Db->PlayLists.Count(), 4);
  EXPECT_EQ(m.Db->Tracks.CheckedCount, m.Db->Tracks.Count());

  m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
  EXPECT_EQ(m.Db->ReadLibraryItdb(Copy("nano7/Library.itdb")), 1408);
  EXPECT_EQ(m.Db->PlayLists.Count(), 7);
  EXPECT_TRUE(m.Db->ReadLocationsItdb(Copy("nano7/Locations.itdb")));
  int located = 0;
  for (const TTrackItem& track : m.Db->Tracks) located += track.Checked ? 1 : 0;
  EXPECT_EQ(m.Db->Tracks.CheckedCount, located);
}

// Large libraries are stepped through on a helper thread: the tracks keep
// their order, and an error in the middle still ends the reading.
TEST_F(IosLibrary, LargeLibrariesAreReadInOrderOnTwoThreads) {
  auto numbered = [](const char* table, const char* select) {
    return std::string("INSERT INTO ") + table +
           " WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
           "SELECT " +
           select + " FROM n;";
  };
  const std::string database = m.Dir / "MediaLibrary.sqlitedb";
  MakeDatabase(database, std::string(kMediaLibrarySchema) +
                             "INSERT INTO item_artist VALUES (7, 'Seven');" +
                             numbered("item (item_pid, item_artist_pid)", "i, 7 - i % 2") +
                             numbered("item_extra", "i, 'T' || i, i || '.mp3', i, 1000") +
                             numbered("item_stats", "i, 0, 0"));
  m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
  ASSERT_EQ(m.Db->ReadMediaLibrary(database), 6000);
  int64_t size = 0;
  for (int i = 0; i < 6000; ++i) {
    ASSERT_EQ(Track(i).TrackId, i + 1);
    ASSERT_EQ(Track(i).Title, "T" + std::to_string(i + 1));
    ASSERT_EQ(Track(i).Artist, i % 2 == 0 ? "" : "Seven");
    size += i + 1;
  }
  EXPECT_EQ(m.Db->Tracks.CheckedCount, 6000);
  EXPECT_EQ(m.Db->Tracks.CheckedSize, size);

  // Damage a page of item rows: the reading raises, and what it read stays.
  std::fstream file(database, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(fs::file_size(database) * 3 / 4));
  const std::string junk(8192, '\xA5');
  file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  file.close();
  m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
  EXPECT_THROW(m.Db->ReadMediaLibrary(database), ESQLiteException);
  EXPECT_GT(m.Db->Tracks.Count(), 0);
  EXPECT_LT(m.Db->Tracks.Count(), 6000);
}

}  // namespace
}  // namespace ortelan
