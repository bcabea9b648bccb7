// The music library of an iPod nano's "iTunes Library.itlp": Library.itdb
// (tracks, playlists), Locations.itdb (files, sizes) and Dynamic.itdb
// (ratings, play counts).

#include <unordered_map>

#include "device/DevicePaths.h"
#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"

namespace ortelan {

int TIpodMusicDb::ReadLibraryItdb(const std::string& fileName) {
  TSQLiteDatabase db(fileName);
  const int rows = ReadItdbItems(db);
  ReadItdbContainers(db);
  return rows;
}

int TIpodMusicDb::ReadItdbItems(TSQLiteDatabase& db) {
  std::vector<std::string> genres{""};  // genre_id 0: none
  for (const auto genre = db.Query("SELECT genre FROM genre_map"); !genre->AtEnd; genre->Step()) {
    genres.push_back(genre->ColumnText(0));
  }
  int rows = 0;
  const auto item = db.Query("SELECT * FROM item");
  const int pid = item->ColumnIndex("pid"), title = item->ColumnIndex("title"),
            artist = item->ColumnIndex("artist"), album = item->ColumnIndex("album"),
            time = item->ColumnIndex("total_time_ms"), genre = item->ColumnIndex("genre_id");
  for (; !item->AtEnd; item->Step()) {
    // Checked and counted once Locations.itdb has given the track its file.
    TTrackItem& track = Tracks.Add();
    track.CopyState = csUntouched;
    track.ItunesSourceId = -1;
    track.TrackId = item->ColumnInt64(pid);
    track.Title = item->ColumnText(title);
    track.Artist = item->ColumnText(artist);
    track.Album = item->ColumnText(album);
    track.Duration = static_cast<uint32_t>(item->ColumnInt64(time));
    const int64_t genreId = item->ColumnInt64(genre);
    if (genreId >= 0 && static_cast<uint64_t>(genreId) < genres.size()) {
      track.Genre = genres[static_cast<size_t>(genreId)];
    }
    FormatDuration(track.Duration, track.DurationText);
    ++rows;
  }
  return rows;
}

void TIpodMusicDb::ReadItdbContainers(TSQLiteDatabase& db) {
  PlayLists.Clear();
  int64_t masterId = 0;
  if (const auto info = db.Query("SELECT primary_container_pid FROM db_info"); !info->AtEnd) {
    masterId = info->ColumnInt64(info->ColumnIndex("primary_container_pid"));
  }
  const auto container = db.Query("SELECT * FROM container");
  const int listId = container->ColumnIndex("pid"), name = container->ColumnIndex("name"),
            kinds = container->ColumnIndex("media_kinds");
  for (; !container->AtEnd; container->Step()) {
    const int64_t id = container->ColumnInt64(listId);
    TPlayListItem& list = id == masterId ? PlayLists.Insert(0) : PlayLists.Add();
    list.PlayListId = id;
    list.Name = container->ColumnIsNull(name) ? "Unknown" : container->ColumnText(name);
    list.Smart = container->ColumnInt64(kinds) == 0;
    list.Count = 0;
  }
  for (int i = 1; i < PlayLists.Count(); ++i) {
    TPlayListItem& list = PlayLists.GetItem(i);
    for (const auto member =
             db.Query("SELECT item_pid FROM item_to_container WHERE container_pid=" +
                      std::to_string(list.PlayListId));
         !member->AtEnd; member->Step()) {
      list.TrackIds.push_back(member->ColumnInt64(0));
    }
  }
}

bool TIpodMusicDb::ReadLocationsItdb(const std::string& fileName) {
  TSQLiteDatabase db(fileName);
  std::unordered_map<int64_t, std::string> bases;  // the first path of each id
  const auto base = db.Query("SELECT * FROM base_location");
  const int id = base->ColumnIndex("id"), path = base->ColumnIndex("path");
  for (; !base->AtEnd; base->Step()) {
    if (!base->ColumnIsNull(path)) bases.emplace(base->ColumnInt64(id), base->ColumnText(path));
  }

  const std::unordered_map<int64_t, int> trackOfId = FirstTrackOfIds();
  std::vector<bool> located(static_cast<size_t>(Tracks.Count()), false);
  const auto location = db.Query("SELECT * FROM location");
  const int pid = location->ColumnIndex("item_pid"), size = location->ColumnIndex("file_size"),
            baseId = location->ColumnIndex("base_location_id"),
            file = location->ColumnIndex("location");
  for (; !location->AtEnd; location->Step()) {
    const auto found = trackOfId.find(location->ColumnInt64(pid));
    if (found == trackOfId.end()) continue;
    const int index = found->second;
    TTrackItem& track = Tracks.GetItem(index);
    // A second row for the same track replaces what the first one gave.
    Tracks.Uncheck(index);
    if (located[static_cast<size_t>(index)]) TotalSize = SaturatingSub(TotalSize, track.Size);
    located[static_cast<size_t>(index)] = true;

    track.Size = ValidMediaSize(location->ColumnInt64(size));
    TotalSize = SaturatingAdd(TotalSize, track.Size);
    track.SizeText = TIpodDevice::FormatSize(track.Size);
    const int64_t folderId = location->ColumnInt64(baseId);
    if (folderId != 0) {
      const auto folder = bases.find(folderId);
      const std::string prefix = folder == bases.end() ? "/" : folder->second + "/";
      track.Location = prefix + location->ColumnText(file);
    } else {
      track.Location = location->ColumnText(file);
    }
    track.MediaKind = MediaKindOfExt(PathExtension(track.Location));
    if (track.MediaKind == mkBook) {
      NeedBooks = false;
    } else {
      Tracks.Check(index);
    }
  }
  return true;
}

bool TIpodMusicDb::ReadDynamicItdb(const std::string& fileName) {
  TSQLiteDatabase db(fileName);
  const std::unordered_map<int64_t, int> trackOfId = FirstTrackOfIds();
  const auto stats = db.Query("SELECT * FROM item_stats");
  const int pid = stats->ColumnIndex("item_pid"), rating = stats->ColumnIndex("user_rating"),
            plays = stats->ColumnIndex("play_count_user");
  for (; !stats->AtEnd; stats->Step()) {
    const auto found = trackOfId.find(stats->ColumnInt64(pid));
    if (found == trackOfId.end()) continue;
    TTrackItem& track = Tracks.GetItem(found->second);
    track.Rating = static_cast<uint8_t>(stats->ColumnInt64(rating));
    track.PlayCount = static_cast<int32_t>(stats->ColumnInt64(plays));
  }
  return true;
}

}  // namespace ortelan
