// The export to iTunes over an iTunes library in memory.

#include <gtest/gtest.h>

#include "support/FakeItunes.h"
#include "support/MusicFixture.h"

namespace ortelan {
namespace {

using test::FakeItunes;

class ItunesExport : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
    db().ConnectItunes = itunes.Connector();
    db().ItunesPause = db().ItunesPoll = std::chrono::milliseconds(0);
    AddList("Library", {});  // the whole library comes first
  }
  // A track copied to the PC (CopyState 1) with a file of `size` bytes.
  int AddCopied(const std::string& title, const std::string& artist, size_t size) {
    const int index = db().Tracks.Count();
    TTrackItem& t = db().Tracks.Add();
    t.Title = title;
    t.Artist = artist;
    t.TrackId = 500 + index;
    t.Size = static_cast<int64_t>(size);
    t.DestFile = test::WriteFile(m.Dir / ("pc/" + title + ".mp3"), std::string(size, 'x'));
    t.CopyState = 1;
    t.ItunesSourceId = -1;
    db().Tracks.Check(index);
    return index;
  }
  TPlayListItem& AddList(const std::string& name, std::vector<int64_t> ids, bool smart = false) {
    TPlayListItem& list = db().PlayLists.Add();
    list.Name = name;
    list.Smart = smart;
    list.TrackIds = std::move(ids);
    list.Count = static_cast<int32_t>(list.TrackIds.size());
    return list;
  }
  TIpodMusicDb& db() { return *m.Db; }

  test::MusicFixture m;
  FakeItunes itunes;
};

TEST_F(ItunesExport, UnreachableItunesEndsAfterOneLine) {
  itunes.Reachable = false;
  AddCopied("One", "Ann", 3);
  EXPECT_EQ(db().ExportToItunes(), 0);
  EXPECT_EQ(db().Log, "\r\nSync begin...\r\n[X]iTunes error: Class not registered");
  db().ConnectItunes = platform::ConnectItunes;  // no iTunes on this system
  db().Log.clear();
  EXPECT_EQ(db().ExportToItunes(), 0);
  EXPECT_EQ(db().Log,
            "\r\nSync begin...\r\n[X]iTunes error: iTunes is not available on this system");
}

TEST_F(ItunesExport, NewTracksAreAddedWithTheirCountsAndFillNewPlaylists) {
  const int one = AddCopied("One", "Ann", 3);
  const int two = AddCopied("Two", "Bob", 4);
  AddCopied("Failed", "Bob", 5);
  db().Tracks.GetItem(2).CopyState = 0;  // its copy failed: never exported
  db().Tracks.GetItem(one).Rating = 80;
  db().Tracks.GetItem(one).PlayCount = 3;
  AddList("Mix", {501, 502, 500, 501});
  EXPECT_EQ(db().ExportToItunes(), 2);
  ASSERT_EQ(itunes.Library.size(), 2u);
  EXPECT_EQ(itunes.Library[0].Rating, 80);
  EXPECT_EQ(itunes.Library[0].PlayedCount, 3);
  EXPECT_EQ(std::count(itunes.Calls.begin(), itunes.Calls.end(), "SetRating"), 1);  // 0 not set
  EXPECT_EQ(std::count(itunes.Calls.begin(), itunes.Calls.end(), "InProgress"), 4);
  EXPECT_EQ(db().Tracks.GetItem(two).ItunesTrackId, FakeItunes::IdsOf(1).Track);
  ASSERT_EQ(itunes.Playlists.size(), 1u);
  EXPECT_EQ(itunes.Playlists[0].Name, "Mix");
  EXPECT_EQ(itunes.TrackNames(itunes.Playlists[0]), (std::vector<std::string>{"Two", "One"}));
  // The summary line ends with a line break.
  EXPECT_TRUE(db().Log.ends_with("\r\nSync done: 2, 2, 0. Pl: 1\r\n")) << db().Log;
}

TEST_F(ItunesExport, TracksAlreadyInItunesAreFoundAndStillFillThePlaylists) {
  AddCopied("One", "Ann", 3);
  AddCopied("Two", "Bob", 4);
  // In iTunes already: same title, artist (in other letters) and size.
  itunes.Library = {{"One", db().Tracks.GetItem(0).DestFile, "ANN"},
                    {"Two", db().Tracks.GetItem(1).DestFile, "Bob"}};
  itunes.Playlists = {{"mix", platform::kItunesUserPlaylist, 0, false, {1}}};
  AddList("Mix", {500, 501});
  EXPECT_EQ(db().ExportToItunes(), 2);
  EXPECT_EQ(itunes.Library.size(), 2u);  // nothing added
  // The plain playlist of that name is filled; "Two" is not listed twice.
  EXPECT_EQ(itunes.TrackNames(itunes.Playlists[0]), (std::vector<std::string>{"Two", "One"}));
  EXPECT_TRUE(db().Log.ends_with("Sync done: 2, 0, 2. Pl: 1\r\n")) << db().Log;
}

TEST_F(ItunesExport, PlaylistsMatchByKind) {
  AddCopied("One", "Ann", 3);
  itunes.Playlists = {
      {"Smart", platform::kItunesUserPlaylist, 0, true, {}},
      {"Plain", platform::kItunesUserPlaylist, 0, true, {}},
      {"Folder", platform::kItunesUserPlaylist, platform::kItunesFolderPlaylist, false, {}}};
  AddList("Smart", {500}, true);  // smart on both sides: left out
  AddList("Plain", {500});        // only a smart one there: a new one
  AddList("Folder", {500});       // only a folder there: a new one
  EXPECT_EQ(db().ExportToItunes(), 1);
  ASSERT_EQ(itunes.Playlists.size(), 5u);
  EXPECT_EQ(itunes.Playlists[3].Name, "Plain");
  EXPECT_EQ(itunes.Playlists[4].Name, "Folder");
  EXPECT_EQ(itunes.TrackNames(itunes.Playlists[4]), std::vector<std::string>{"One"});
  EXPECT_TRUE(itunes.Playlists[0].Tracks.empty());
  EXPECT_TRUE(db().Log.ends_with("Pl: 2\r\n")) << db().Log;
}

TEST_F(ItunesExport, RefusedImportsAndErrorsInsideAndOutsideTheGuards) {
  AddCopied("Refused", "Ann", 3);
  AddCopied("Fine", "Bob", 4);
  itunes.Refused = {db().Tracks.GetItem(0).DestFile};
  AddList("Mix", {500, 501});
  // Only the master playlist: no playlist work at all.
  TIpodMusicDb& library = db();
  TPlayLists onlyMaster;
  onlyMaster.Add().Name = "Library";
  std::swap(library.PlayLists, onlyMaster);
  EXPECT_EQ(library.ExportToItunes(), 1);
  EXPECT_EQ(library.Tracks.GetItem(0).CopyState, 2);
  EXPECT_EQ(library.Tracks.GetItem(0).ItunesSourceId, -1);
  EXPECT_TRUE(library.Log.ends_with("Sync done: 1, 1, 0. Pl: 0\r\n")) << library.Log;
  EXPECT_EQ(std::count(itunes.Calls.begin(), itunes.Calls.end(), "LibrarySourcePlaylists"), 0);

  // An error with one track: the next one is still tried. One outside the
  // guards ends the export with the version.
  std::swap(library.PlayLists, onlyMaster);
  library.Tracks.GetItem(0).CopyState = 1;
  itunes.Refused.clear();
  itunes.Library.clear();
  itunes.Failing = {"GetITObjectIDs", "LibrarySourcePlaylists"};
  library.Log.clear();
  EXPECT_EQ(library.ExportToItunes(), 2);
  EXPECT_EQ(itunes.Library.size(), 2u);
  EXPECT_EQ(library.Log,
            "\r\nSync begin...\r\n[X]Sync error: LibrarySourcePlaylists failed\r\nVer: "
            "12.1.0.71\r\nSync done: 2, 2, 0. Pl: 0\r\n");
}

}  // namespace
}  // namespace ortelan
