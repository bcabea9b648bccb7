// The music library of MediaLibrary.sqlitedb (iOS devices).

#include <algorithm>
#include <bit>
#include <charconv>
#include <functional>
#include <thread>

#include "device/DevicePaths.h"
#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "music/ItemRows.h"
#include "music/iPodMusic.h"

namespace ortelan {

namespace {

constexpr const char* kItemQuery =
    "SELECT item.item_pid,item.item_artist_pid,item.album_pid,item.genre_id,item.base_location_id,"
    "item_extra.title,item_extra.location,item_extra.file_size,item_extra.total_time_ms,"
    "item_stats.play_count_user,item_stats.user_rating FROM item,item_extra,item_stats WHERE "
    "item.item_pid=item_extra.item_pid AND item.item_pid=item_stats.item_pid";

constexpr int64_t kVoiceMemoKind = 17;  // distinguished_kind of the voice-memo playlist
// From this many items on, SQLite steps through them on a helper thread while
// this one builds the tracks.
constexpr size_t kParallelFrom = 4096;

// Hands the rows of `items` to `take`, batch by batch, from a helper thread.
// The first error of either side ends both and reaches the caller.
void ReadInParallel(TSQLiteTable& items, const std::function<bool(const ItemRowBatch&)>& take) {
  ItemRowQueue queue;
  std::thread reader([&] {
    try {
      ReadItemRows(items, [&](ItemRowBatch&& batch) { return queue.Push(std::move(batch)); });
      queue.Finish(nullptr);
    } catch (...) {
      queue.Finish(std::current_exception());
    }
  });
  try {
    ItemRowBatch batch;
    while (queue.Pop(batch)) take(batch);
  } catch (...) {
    queue.Abandon();
    reader.join();
    throw;
  }
  reader.join();
  queue.RethrowGiversError();
}

// A map of ReadStringMap looked up by the text of an id column. Ids are
// integers nearly always: their keys are also found by value, which gives the
// same answer (an integer's text is its plain decimal form) without making
// and hashing that text for every track. The values are kept in an open
// table of a power-of-two size, so that a lookup touches one or two slots.
class IdMap {
 public:
  explicit IdMap(TIpodMusicDb::TStringMap map) : map_(std::move(map)) {
    size_t size = 16;
    while (size < 2 * map_.size()) size *= 2;
    slots_.resize(size);
    shift_ = 64 - std::countr_zero(size);
    for (const auto& [key, value] : map_) {
      int64_t id = 0;
      const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), id);
      if (error != std::errc() || end != key.data() + key.size() || std::to_string(id) != key) {
        continue;
      }
      size_t slot = Home(id);
      while (slots_[slot].value) slot = (slot + 1) & (slots_.size() - 1);
      slots_[slot] = {id, &value};
    }
  }
  const std::string& Lookup(const ItemId& id, const ItemRowBatch& batch) const {
    static const std::string empty;
    if (id.IsInteger) {
      for (size_t slot = Home(id.Value); slots_[slot].value;
           slot = (slot + 1) & (slots_.size() - 1)) {
        if (slots_[slot].id == id.Value) return *slots_[slot].value;
      }
      return empty;
    }
    const auto found = map_.find(MendedUtf8(batch.TextOf(id.TextAt, id.TextLength)));
    return found == map_.end() ? empty : found->second;
  }

 private:
  struct Slot {
    int64_t id = 0;
    const std::string* value = nullptr;  // null: a free slot
  };
  size_t Home(int64_t id) const {
    return static_cast<size_t>((static_cast<uint64_t>(id) * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  TIpodMusicDb::TStringMap map_;
  std::vector<Slot> slots_;
  int shift_ = 0;
};

// The names an item row refers to by id.
struct MediaNames {
  IdMap Genres, Albums, Folders, Artists;
};

// A track of the library from its item row; books are left unchecked.
void FillMediaTrack(const ItemRow& row, const ItemRowBatch& batch, const MediaNames& names,
                    TTrackItem& track) {
  track.CopyState = csUntouched;
  track.ItunesSourceId = -1;
  track.TrackId = row.TrackId;
  track.Artist = names.Artists.Lookup(row.Artist, batch);
  track.Album = names.Albums.Lookup(row.Album, batch);
  track.Genre = names.Genres.Lookup(row.Genre, batch);
  const std::string& folder = names.Folders.Lookup(row.Folder, batch);
  track.Title = MendedUtf8(batch.TextOf(row.TitleAt, row.TitleLength));
  const std::string file = MendedUtf8(batch.TextOf(row.FileAt, row.FileLength));
  track.MediaKind = TIpodMusicDb::MediaKindOfExt(PathExtension(file));
  track.Location.reserve(folder.size() + 1 + file.size());
  track.Location.append(folder).append("/").append(file);
  track.Size = row.Size;
  track.SizeText = TIpodDevice::FormatSize(track.Size);
  track.Duration = static_cast<uint32_t>(row.Duration);
  TIpodMusicDb::FormatDuration(track.Duration, track.DurationText);
  track.PlayCount = static_cast<int32_t>(row.PlayCount);
  track.Rating = static_cast<uint8_t>(row.Rating);
  track.Checked = track.MediaKind != mkBook;
}

}  // namespace

TIpodMusicDb::TStringMap TIpodMusicDb::ReadStringMap(TSQLiteDatabase& database,
                                                     const std::string& sql) {
  TStringMap map;
  for (const auto table = database.Query(sql); !table->AtEnd; table->Step()) {
    std::string key = table->ColumnText(0);
    if (!map.emplace(key, table->ColumnText(1)).second) {
      throw ESQLiteException("Duplicate key \"" + key + "\" in \"" + sql + "\"");
    }
  }
  return map;
}

int TIpodMusicDb::ReadMediaLibrary(const std::string& fileName) {
  HasMasterPlaylist = false;
  TSQLiteDatabase db(fileName);
  const int rows = ReadMediaItems(db);
  ReadMediaContainers(db);
  // The master playlist lists the whole library: it never gets members.
  if (PlayLists.Count() >= 2) ReadContainerMembers(db);
  return rows;
}

int TIpodMusicDb::ReadMediaItems(TSQLiteDatabase& db) {
  const MediaNames names{
      IdMap(ReadStringMap(db, "SELECT genre_id,genre FROM genre")),
      IdMap(ReadStringMap(db, "SELECT album_pid,album FROM album")),
      IdMap(ReadStringMap(db, "SELECT base_location_id,path FROM base_location")),
      IdMap(ReadStringMap(db, "SELECT item_artist_pid,item_artist FROM item_artist"))};
  const auto expected = static_cast<size_t>(
      std::max<int64_t>(db.Query("SELECT count(*) FROM item")->ColumnInt64(0), 0));
  // Room for every item at once: growing the list step by step would move
  // each track several times.
  Tracks.Reserve(static_cast<size_t>(Tracks.Count()) + expected);
  int rows = 0;
  auto addTracks = [&](const ItemRowBatch& batch) {
    for (const ItemRow& row : batch.Rows) {
      TTrackItem& track = Tracks.Add();
      FillMediaTrack(row, batch, names, track);
      TotalSize = SaturatingAdd(TotalSize, track.Size);
      if (track.MediaKind == mkBook) {
        NeedBooks = false;
      } else {
        Tracks.CountChecked(track);
      }
      ++rows;
    }
    return true;
  };
  const auto items = db.Query(kItemQuery);
  if (expected >= kParallelFrom && std::thread::hardware_concurrency() >= 2) {
    ReadInParallel(*items, addTracks);
  } else {
    ReadItemRows(*items, [&](ItemRowBatch&& batch) { return addTracks(batch); });
  }
  return rows;
}

void TIpodMusicDb::ReadMediaContainers(TSQLiteDatabase& db) {
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
}

void TIpodMusicDb::ReadContainerMembers(TSQLiteDatabase& db) {
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

}  // namespace ortelan
