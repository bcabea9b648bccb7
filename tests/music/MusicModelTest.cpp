#include <gtest/gtest.h>

#include "music/iPodMusic.h"

namespace ortelan {
namespace {

TEST(TrackList, CountersFollowCheckAndUncheckOnce) {
  TTrackList list;
  list.Add().Size = 5'000'000'000;  // over 4 GiB
  list.Add().Size = 7;
  list.Check(0);
  list.Check(0);
  list.Check(1);
  EXPECT_EQ(list.CheckedCount, 2);
  EXPECT_EQ(list.CheckedSize, 5'000'000'007);
  list.Uncheck(1);
  list.Uncheck(1);
  EXPECT_EQ(list.CheckedCount, 1);
  EXPECT_EQ(list.CheckedSize, 5'000'000'000);
  list.Clear();
  EXPECT_EQ(list.CheckedCount, 0);
  EXPECT_EQ(list.CheckedSize, 0);
}

TEST(MusicDb, FormatsDurations) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0, "0:00"},
      {999, "0:00"},
      {187000, "3:07"},
      {3599999, "59:59"},
      {3600000, "1:00:00"},
      {3725000, "1:02:05"},
      {4294967295u, "1193:02:47"},
  };
  for (const auto& [ms, text] : cases) {
    std::string out;
    TIpodMusicDb::FormatDuration(ms, out);
    EXPECT_EQ(out, text) << ms;
  }
}

TEST(MusicDb, MediaKindFollowsTheExtension) {
  const std::pair<const char*, uint8_t> cases[] = {
      {".mp3", mkAudio}, {".MP3", mkAudio}, {".m4a", mkAudio},    {"", mkAudio},
      {".wav", mkAudio}, {".mp4", mkVideo}, {".M4V", mkVideo},    {".mov", mkVideo},
      {".epub", mkBook}, {".PDF", mkBook},  {".m4r", mkRingtone}, {".m4b", mkAudio},
  };
  for (const auto& [ext, kind] : cases) EXPECT_EQ(TIpodMusicDb::MediaKindOfExt(ext), kind) << ext;
}

TEST(MusicDb, StartsEmptyAndLogsLineByLine) {
  TIpodMusicDb db(nullptr);
  EXPECT_EQ(db.NameScheme, 1);
  EXPECT_TRUE(db.HasMasterPlaylist);
  db.AddLog("one");
  db.AddLog("two");
  EXPECT_EQ(db.Log, "\r\none\r\ntwo");
}

TEST(PlayLists, InsertAtZeroMovesTheOthersOn) {
  TPlayLists lists;
  lists.Add().Name = "a";
  lists.Add().Name = "b";
  lists.Insert(0).Name = "master";
  ASSERT_EQ(lists.Count(), 3);
  EXPECT_EQ(lists.GetItem(0).Name, "master");
  EXPECT_EQ(lists.GetItem(2).Name, "b");
  EXPECT_FALSE(lists.GetItem(0).VoiceMemos);
}

}  // namespace
}  // namespace ortelan
