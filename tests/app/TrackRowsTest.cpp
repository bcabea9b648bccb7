// The rows of the music window's track grid: views, status line, sorting,
// search and the check commands, over a library built in memory.

#include <gtest/gtest.h>

#include "windows/music/TrackRows.h"

namespace ortelan::windows {
namespace {

class TrackRows : public ::testing::Test {
 protected:
  // Appends a checked track the way the readers count it.
  int Add(int64_t id, const std::string& title, uint8_t kind, int64_t size,
          const std::string& artist = "", const std::string& album = "") {
    TTrackItem& t = db.Tracks.Add();
    t.TrackId = id;
    t.Title = title;
    t.Artist = artist;
    t.Album = album;
    t.MediaKind = kind;
    t.Size = size;
    db.TotalSize += size;
    return db.Tracks.Count() - 1;
  }
  TPlayListItem& List(const std::string& name, std::vector<int64_t> ids) {
    TPlayListItem& list = db.PlayLists.Add();
    list.Name = name;
    list.TrackIds = std::move(ids);
    list.Count = static_cast<int32_t>(list.TrackIds.size());
    return list;
  }
  std::vector<int32_t> Rows() const {
    std::vector<int32_t> rows;
    for (int r = 0; r < rows_.RowCount(); ++r) rows.push_back(rows_.TrackAt(r));
    return rows;
  }

  TIpodMusicDb db{nullptr};
  TTrackRows rows_{db};
};

TEST_F(TrackRows, ViewsOfKindsAndPlaylists) {
  Add(10, "Song", mkAudio, 1024);
  Add(11, "Film", mkVideo, 2048);
  Add(12, "Other song", mkAudio, 3072);
  Add(13, "Memo", mkVoiceMemo, 512);
  List("iPod", {});               // the master playlist: no node
  List("Mix", {12, 99, 10, 12});  // a missing id, a doubled entry
  List("Voice Memos", {}).VoiceMemos = true;

  EXPECT_EQ(rows_.FillTrackView(0), "2 items, 4.00 KB");
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(rows_.FillTrackView(1), "1 items, 2.00 KB");
  EXPECT_EQ(rows_.FillTrackView(2), "0 items, 0.00 KB");
  EXPECT_EQ(rows_.FillTrackView(4), "3 itmes, 7.00 KB");  // the playlist's stored wording
  EXPECT_EQ(Rows(), (std::vector<int32_t>{2, 0, 2}));
  EXPECT_EQ(rows_.FillTrackView(5), "1 items, 0.50 KB");
  EXPECT_EQ(Rows(), (std::vector<int32_t>{3}));
}

TEST_F(TrackRows, StatusLineCountsTheWholeLibrary) {
  Add(1, "A", mkAudio, 1024);
  Add(2, "B", mkAudio, 1 << 20);
  Add(3, "C", mkVideo, 3 << 20);
  const std::string view = rows_.FillTrackView(0);
  EXPECT_EQ(rows_.StatusText(view), "2 items, 1.00 MB  ( Total 3 items, 4.00 MB )");
  db.Tracks.Check(2);
  EXPECT_EQ(rows_.StatusText(view),
            "2 items, 1.00 MB  ( Selected 1 items, 3.00 MB / Total 3 items, 4.00 MB )");
}

TEST_F(TrackRows, SortsStablyByEachKeyAndFlips) {
  const int64_t huge = int64_t{5} << 30;  // above 4 GiB
  Add(1, "beta", mkAudio, huge + 1);
  Add(2, "Alpha", mkAudio, 100);
  Add(3, "BETA", mkAudio, huge);
  Add(4, "\xC3\xA9t\xC3\xA9", mkAudio, 100);  // é sorts by its code, after the letters
  rows_.FillTrackView(0);
  rows_.Sort(TTrackColumn::Size, true);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{1, 3, 2, 0}));  // equal sizes keep their order
  rows_.Sort(TTrackColumn::Size, false);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 2, 1, 3}));
  rows_.FillTrackView(0);
  rows_.Sort(TTrackColumn::Name, true);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{1, 0, 2, 3}));  // "beta" = "BETA": library order
}

TEST_F(TrackRows, SearchCoversTheWholeLibraryOnce) {
  Add(1, "Beat It", mkAudio, 1024, "Michael Jackson", "Thriller");
  Add(2, "Help", mkAudio, 1024, "The BEATLES", "beat and beatles");  // matches twice
  Add(3, "Film", mkVideo, 1024, "", "Beat Street");
  Add(4, "Quiet", mkBook, 1024, "Nobody", "Silence");
  EXPECT_EQ(rows_.SearchTracks("beat"), "Found 3, 3.00 KB");
  EXPECT_EQ(Rows(), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(rows_.SearchTracks(" it"), "Found 1, 1.00 KB");  // the blank counts
  EXPECT_EQ(rows_.SearchTracks("zzz"), "Found 0, 0.00 KB");
  EXPECT_EQ(rows_.RowCount(), 0);
}

TEST_F(TrackRows, CheckCommandsActOnTheRowsShown) {
  for (int i = 0; i < 4; ++i) Add(i + 1, "T" + std::to_string(i), mkAudio, 10);
  Add(9, "Video", mkVideo, 10);
  List("iPod", {});
  List("Twice", {1, 2, 1});
  const struct {
    TCheckCommand command;
    std::vector<int> checkedBefore;  // track indices
    std::vector<int> selected;       // rows of the view "Twice"
    std::vector<bool> after;         // tracks 0..4
  } cases[] = {
      {TCheckCommand::CheckAll, {}, {}, {true, true, false, false, false}},
      {TCheckCommand::UncheckAll, {0, 1, 4}, {}, {false, false, false, false, true}},
      {TCheckCommand::Invert, {0}, {}, {false, true, false, false, false}},  // track 0 twice
      {TCheckCommand::CheckSelected, {}, {1}, {false, true, false, false, false}},
      {TCheckCommand::UncheckSelected, {0, 1}, {0}, {false, true, false, false, false}},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < db.Tracks.Count(); ++i) db.Tracks.Uncheck(i);
    for (const int i : c.checkedBefore) db.Tracks.Check(i);
    rows_.FillTrackView(4);
    ASSERT_TRUE(rows_.ApplyCheckCommand(c.command, c.selected));
    for (int i = 0; i < db.Tracks.Count(); ++i) {
      EXPECT_EQ(db.Tracks.GetItem(i).Checked, c.after[static_cast<size_t>(i)])
          << static_cast<int>(c.command) << " track " << i;
    }
    int checked = 0;
    for (const bool on : c.after) checked += on ? 1 : 0;
    EXPECT_EQ(db.Tracks.CheckedCount, checked);
  }
  rows_.SearchTracks("nothing like it");
  EXPECT_FALSE(rows_.ApplyCheckCommand(TCheckCommand::CheckAll, {}));
}

TEST(TrackRowsMenu, CaptionIsCutAfterEighteenCharacters) {
  EXPECT_EQ(TTrackRows::PlaylistMenuCaption("All Music"), "In  \"All Music\"");
  EXPECT_EQ(TTrackRows::PlaylistMenuCaption("Seventeen chars!!"), "In  \"Seventeen chars!!\"");
  EXPECT_EQ(TTrackRows::PlaylistMenuCaption("Eighteen chars!!!!"), "In  \"Eighteen chars!!!!..\"");
  EXPECT_EQ(TTrackRows::PlaylistMenuCaption("Songs for a long drive home"),
            "In  \"Songs for a long d..\"");
}

}  // namespace
}  // namespace ortelan::windows
