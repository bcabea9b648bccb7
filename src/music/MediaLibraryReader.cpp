// The music library of MediaLibrary.sqlitedb (iOS devices).

#include "device/DevicePaths.h"
#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"

namespace ortelan {

namespace {

constexpr const char* kItemQuery =
    "SELECT item.item_pid,item.item_artist_pid,item.album_pid,item.genre_id,item.base_location_id,"
    "item_extra.title,item_extra.location,item_extra.file_size,item_extra.total_time_ms,"
    "item_stats.play_count_user,item_stats.user_rating FROM item,item_extra,item_stats WHERE "
    "item.item_pid=item_extra.item_pid AND item.item_pid=item_stats.item_pid";

constexpr int64_t kVoiceMemoKind = 17;  // distinguished_kind of the voice-memo playlist

const std::string& Lookup(const TIpodMusicDb::TStringMap& map, const std::string& key) {
  static const std::string empty;
  const auto found = map.find(key);
  return found == map.end() ? empty : found->second;
}

}  // namespace

TIpodMusicDb::TStringMap TIpodMusicDb::ReadStringMap(TSQLiteDatabase& Database,
                                                     const std::string& SQL) {
  TStringMap map;
  for (const auto table = Database.Query(SQL); !table->AtEnd; table->Step()) {
    std::string key = table->ColumnText(0);
    if (!map.emplace(key, table->ColumnText(1)).second) {
      throw ESQLiteException("Duplicate key \"" + key + "\" in \"" + SQL + "\"");
    }
  }
  return map;
}

int TIpodMusicDb::ReadMediaLibrary(const std::string& FileName) {
  HasMasterPlaylist = false;
  TSQLiteDatabase db(FileName);
  const TStringMap genres = ReadStringMap(db, "SELECT genre_id,genre FROM genre");
  const TStringMap albums = ReadStringMap(db, "SELECT album_pid,album FROM album");
  const TStringMap bases = ReadStringMap(db, "SELECT base_location_id,path FROM base_location");
  const TStringMap artists =
      ReadStringMap(db, "SELECT item_artist_pid,item_artist FROM item_artist");

  int rows = 0;
  for (const auto item = db.Query(kItemQuery); !item->AtEnd; item->Step()) {
    TTrackItem& track = Tracks.Add();
    track.Checked = true;
    track.CopyState = -1;
    track.ItunesSourceId = -1;
    track.TrackId = item->ColumnInt64(0);
    track.Artist = Lookup(artists, item->ColumnText(1));
    track.Album = Lookup(albums, item->ColumnText(2));
    track.Genre = Lookup(genres, item->ColumnText(3));
    const std::string& folder = Lookup(bases, item->ColumnText(4));
    track.Title = item->ColumnText(5);
    const std::string file = item->ColumnText(6);
    track.MediaKind = MediaKindOfExt(PathExtension(file));
    track.Location = folder + "/" + file;
    track.Size = item->ColumnInt64(7);
    TotalSize += track.Size;
    track.SizeText = TIpodDevice::FormatSize(track.Size);
    track.Duration = static_cast<uint32_t>(item->ColumnInt64(8));
    FormatDuration(track.Duration, track.DurationText);
    track.PlayCount = static_cast<int32_t>(item->ColumnInt64(9));
    track.Rating = static_cast<uint8_t>(item->ColumnInt64(10));
    if (track.MediaKind == mkBook) {
      track.Checked = false;
      NeedBooks = false;
    } else {
      Tracks.CountChecked(track);
    }
    ++rows;
  }

  PlayLists.Clear();
  int64_t masterId = 0;
  if (const auto info = db.Query("SELECT primary_container_pid FROM db_info"); !info->AtEnd) {
    masterId = info->ColumnInt64(0);
  }
  for (const auto container = db.Query(
           "SELECT container_pid,distinguished_kind,name,smart_is_dynamic,smart_is_filtered,"
           "smart_limit_kind FROM container");
       !container->AtEnd; container->Step()) {
    const int64_t id = container->ColumnInt64(0);
    TPlayListItem& list = id == masterId ? PlayLists.Insert(0) : PlayLists.Add();
    if (id == masterId) HasMasterPlaylist = true;
    list.VoiceMemos = container->ColumnInt64(1) == kVoiceMemoKind;
    list.PlayListId = id;
    list.Name = container->ColumnIsNull(2) ? "Unknown" : container->ColumnText(2);
    list.Smart = container->ColumnInt64(3) != 0 || container->ColumnInt64(4) != 0 ||
                 container->ColumnInt64(5) != 0;
    list.Count = 0;
  }

  if (PlayLists.Count() >= 2) {
    // The master playlist lists the whole library: it never gets members.
    const int first = HasMasterPlaylist ? 1 : 0;
    for (const auto members = db.Query("SELECT container_pid,item_pid_data FROM container_items");
         !members->AtEnd; members->Step()) {
      const int64_t id = members->ColumnInt64(0);
      for (int i = first; i < PlayLists.Count(); ++i) {
        TPlayListItem& list = PlayLists.GetItem(i);
        if (list.PlayListId != id) continue;
        const auto blob = members->ColumnBlob(1);
        const ByteReader r(blob->View());
        uint64_t trackId = 0;
        for (uint64_t at = 0; r.U64LE(at, trackId); at += 8) {
          list.TrackIds.push_back(static_cast<int64_t>(trackId));
          ++list.Count;
        }
        break;
      }
    }
  }
  return rows;
}

}  // namespace ortelan
