#pragma once

// The music library of the connected device: tracks, playlists, check marks,
// and the library object that reads, copies and logs them.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "device/DevicePaths.h"
#include "platform/ItunesAutomation.h"
#include "util/ByteReader.h"
#include "util/ChunkTags.h"
#include "util/MemoryStream.h"
#include "util/Sizes.h"

namespace ortelan {

class TIpodDevice;
class TSQLiteDatabase;
class TArtworkDb;

enum TMediaKind : uint8_t {
  mkAudio = 0,
  mkVideo = 1,
  mkBook = 2,
  mkRingtone = 3,
  mkVoiceMemo = 4,
};

// What the last transfer did with a track (the values the copy worker and
// the window share).
enum TCopyState : int32_t {
  csUntouched = -1,
  csFailed = 0,
  csCopied = 1,
  csCopiedApart = 2,  // copied as a book, or refused by iTunes: not handed on there
};

// How copied tracks are named (the values stored in the settings).
enum TNameScheme : uint8_t {
  nsArtistAlbumFolders = 0,  // Artist/Album/Title: a folder per album
  nsTitle = 1,               // the default
  nsArtistTitle = 2,
  nsTitleArtist = 3,
  nsArtistAlbumTitle = 4,
  nsTitleAlbumArtist = 5,
  nsTitleArtistAlbum = 6,
};

struct TTrackItem {
  bool Checked = false;
  std::string DestFile;
  uint8_t Rating = 0;
  int64_t TrackId = 0;
  uint64_t DbId = 0;  // the database id, which names the track's artwork
  int64_t Size = 0;
  uint32_t Duration = 0;  // milliseconds
  int32_t PlayCount = 0;
  std::string Location;
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Genre;
  std::string DurationText;
  std::string SizeText;
  int32_t ItunesSourceId = 0;
  int32_t ItunesPlaylistId = 0;
  int32_t ItunesTrackId = 0;
  int32_t ItunesDatabaseId = 0;
  uint8_t MediaKind = mkAudio;
  int32_t CopyState = csFailed;  // a TCopyState
};

// A track's copy state is written by the copy worker while the window may
// paint it: both sides go through these, so neither sees a torn value.
inline void StoreCopyState(TTrackItem& track, TCopyState state) {
  std::atomic_ref<int32_t>(track.CopyState).store(state, std::memory_order_relaxed);
}
inline int32_t LoadCopyState(const TTrackItem& track) {
  return std::atomic_ref<int32_t>(const_cast<int32_t&>(track.CopyState))
      .load(std::memory_order_relaxed);
}

// The tracks in the order the readers met them, with the counters of the
// checked ones kept in step by Check and Uncheck.
class TTrackList {
 public:
  int32_t CheckedCount = 0;
  int64_t CheckedSize = 0;

  // Appends a track with every field empty or zero.
  TTrackItem& Add();
  // Appends `count` empty tracks for a reader to fill in place; returns the
  // first. Truncate gives back the ones it could not fill.
  TTrackItem* AppendSlots(size_t count);
  void Truncate(int count) { items_.resize(static_cast<size_t>(count)); }
  TTrackItem& GetItem(int index) { return items_[static_cast<size_t>(index)]; }
  const TTrackItem& GetItem(int index) const { return items_[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Check(int index);
  void Uncheck(int index);
  // Counts a track that a reader created checked.
  void CountChecked(const TTrackItem& track);
  // Empties the list; nothing is checked afterwards.
  void Clear();
  void Reserve(size_t count) { items_.reserve(count); }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TTrackItem> items_;
};

struct TPlayListItem {
  int64_t PlayListId = 0;
  int32_t Count = 0;
  std::string Name;
  std::vector<int64_t> TrackIds;
  bool Smart = false;
  bool VoiceMemos = false;

  int64_t GetTrackId(int index) const { return TrackIds[static_cast<size_t>(index)]; }
  // The entries to go by: Count, never more than the ids read.
  size_t Entries() const {
    return std::min(static_cast<size_t>(std::max(Count, 0)), TrackIds.size());
  }
};

class TPlayLists {
 public:
  TPlayListItem& Add();
  TPlayListItem& Insert(int index);
  TPlayListItem& GetItem(int index) { return items_[static_cast<size_t>(index)]; }
  const TPlayListItem& GetItem(int index) const { return items_[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TPlayListItem> items_;
};

using TMusicProgressEvent = std::function<void(const std::string&)>;

// A compressed database that zlib refused; carries zlib's message. It is not
// caught by the reader: the caller reports it.
class EInflateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A tag made fit for a file name: at most 41 characters, no blanks or
// control characters at the ends, none of " * / : < > ? \ | or control
// characters inside, never "." or ".."; "Unknown" + `fallback` for an empty tag.
void MakeNamePart(const std::string& tag, const std::string& fallback, std::string& part);

class TIpodMusicDb {
 public:
  explicit TIpodMusicDb(TIpodDevice* device);

  std::string Log;
  TTrackList Tracks;
  TPlayLists PlayLists;
  int64_t TotalSize = 0;
  std::string DestFolder;
  uint8_t NameScheme = nsTitle;  // a TNameScheme
  bool Cancelled = false;
  TIpodDevice* Device;
  bool NeedBooks = false;
  TMusicProgressEvent OnProgress;
  bool HasMasterPlaylist = true;
  // Why a library file that is there could not be read; empty when none was
  // damaged.
  std::string ReadError;

  void AddLog(const std::string& line);
  // The window's detail log of a transfer: its head (scheme, and "[iPod]" for
  // a disk-mode device) when the transfer starts, its tail when it has ended.
  static std::string DetailLogHead(int scheme, bool diskMode);
  std::string DetailLogTail() const { return Log + "\r\nDone."; }
  static void FormatDuration(uint32_t ms, std::string& text);
  static uint8_t MediaKindOfExt(std::string_view ext);

  // Loading.
  bool LoadMusicLibrary(bool iosFirst);
  bool LoadItunesDb();
  // Parses a database already in memory (inflating it first when it came
  // from an iTunesCDB). Throws EInflateError when zlib refuses it. Needs no
  // device: `deviceLog` (the device's errors so far) only goes into the log
  // line of a parse that failed with an exception.
  bool ParseItunesDb(TMemoryStream& stream, bool compressed, const std::string& deviceLog = {});
  // The data sets of tracks and of playlists, whose header of `headerLen`
  // bytes starts at `start`.
  bool ReadTrackList(const ByteReader& r, uint64_t start, uint32_t headerLen);
  bool ReadPlayLists(const ByteReader& r, uint64_t start, uint32_t headerLen);
  static void InflateDb(TMemoryStream& stream);
  bool LoadIosLibrary();
  int ReadVoiceMemos();
  // The SQLite libraries of iOS devices and newer iPod nanos. Errors of the
  // SQLite layer (ESQLiteException) end the reading and reach the caller.
  int ReadMediaLibrary(const std::string& fileName);
  using TStringMap = std::unordered_map<std::string, std::string>;
  // Column 0 to column 1 of every row, as text; a key met twice is an error.
  static TStringMap ReadStringMap(TSQLiteDatabase& database, const std::string& sql);
  int ReadLibraryItdb(const std::string& fileName);
  bool ReadLocationsItdb(const std::string& fileName);
  bool ReadDynamicItdb(const std::string& fileName);
  void ReadBooksPlist();
  // The books of an XML property list; the number added.
  int ReadBooksPlistFile(const std::string& fileName);

  // Copying.
  void GetDefaultFolder(std::string& folder);
  bool PrepareDestination(std::string& folder);
  int CopyTracks(bool abortOnErrors);
  // The destination of track `index` without extension; 0, or the error that
  // kept the scheme's folder from being made (`path` is then empty).
  int BuildDestName(int index, uint8_t scheme, std::string& path);
  // The destination of a track without extension under a scheme below
  // `folder` (which ends with "/"), and the folder scheme 0 puts it in
  // (empty for the other schemes). Makes nothing.
  static void SchemePath(const TTrackItem& track, uint8_t scheme, const std::string& folder,
                         std::string& path, std::string& subFolder);
  // The bytes of the checked tracks that are not in `destFolder` yet under the
  // current scheme.
  int64_t BytesStillNeeded(const std::string& destFolder);
  static void BookExt(const std::string& fileName, std::string& ext);
  bool PackBookFolder(const std::string& folder, const std::string& base, const std::string& ext);
  bool SameFileSize(const std::string& a, const std::string& b);
  void RemoveTempFolder(const std::string& folder);
  // Adds the tracks copied now to iTunes (or finds them there), with their
  // ratings and play counts, and fills the device's playlists there; the
  // number of tracks iTunes knows now. Logs "Sync begin..." to "Sync done".
  int ExportToItunes();
  // How iTunes is reached (tests give a fake); the pause after an error and
  // the beat at which an import is polled.
  platform::ItunesConnector ConnectItunes = platform::ConnectItunes;
  std::chrono::milliseconds ItunesPause{100};
  std::chrono::milliseconds ItunesPoll{200};

  // Handed on after a transfer, into the destination: one M3U8 file per
  // playlist (the whole library's left out) with the members that were
  // copied or found in place, and a CSV list of those tracks with their
  // ratings and play counts. Never over another file: a numbered name, or
  // nothing when an earlier run left the same list.
  bool SavePlaylists = false;
  bool SaveTrackList = false;
  int WritePlaylistFiles();
  bool WriteTrackList();
  // Album covers: under the first naming scheme, the largest picture the
  // device holds of each copied track, as cover.jpg in its album folder
  // (the first track of a folder with a picture gives it; a cover there
  // already is kept). The number written.
  bool SaveCovers = false;
  int WriteAlbumCovers();
  // The first track of each track id, by index.
  std::unordered_map<int64_t, int> FirstTrackOfIds() const;
  // The members of a playlist, by track index, in its order.
  std::vector<int> PlaylistMembers(const TPlayListItem& list,
                                   const std::unordered_map<int64_t, int>& firstOfId) const;

  // The pause before the one retry of a copy that failed with the
  // invalid-parameter code.
  std::chrono::milliseconds RetryWait{3000};

 private:
  static constexpr int kPackFailed = -1;
  // Copies one checked track; 0, kPackFailed or the copy's error code.
  int CopyTrack(int index);
  // One playlist chunk: its name, kind and members; false when it is damaged.
  bool ReadPlayList(const ByteReader& r, uint64_t start, TPlayListItem& playlist);
  // The parts of ReadMediaLibrary: the items (the number read), the
  // playlists, and the members of every playlist but the master.
  int ReadMediaItems(TSQLiteDatabase& database);
  void ReadMediaContainers(TSQLiteDatabase& database);
  void ReadContainerMembers(TSQLiteDatabase& database);
  // The parts of ReadLibraryItdb: the items (the number read), and the
  // playlists with their members.
  int ReadItdbItems(TSQLiteDatabase& database);
  void ReadItdbContainers(TSQLiteDatabase& database);
  // The iOS attempt under one guard (and the books list when asked and still
  // needed); logs "itdb, " and the device's errors when it fails.
  bool TryIosLibrary(bool withBooks);
  // The steps of the export to iTunes.
  struct TItunesCounters {
    int Total = 0;
    int Added = 0;
    int Found = 0;
    int Playlists = 0;
  };
  void ExportTracks(platform::ItunesApplication& itunes, TItunesCounters& counters);
  // Takes over the ids of a track iTunes holds already (same title, artist
  // and file size).
  bool TakeItunesTrack(platform::ItunesLibrary& library, TTrackItem& track);
  void ExportTrack(platform::ItunesLibrary& library, TTrackItem& track, TItunesCounters& counters);
  void ExportPlaylists(platform::ItunesApplication& itunes, TItunesCounters& counters);
  // The iTunes playlist a device playlist goes into: a plain one of its
  // name, else a new one; null when it is left out.
  std::unique_ptr<platform::ItunesPlaylist> ItunesTarget(platform::ItunesApplication& itunes,
                                                         platform::ItunesPlaylists& lists,
                                                         const TPlayListItem& list);
  void FillItunesPlaylist(platform::ItunesApplication& itunes, platform::ItunesPlaylist& target,
                          const TPlayListItem& list,
                          const std::unordered_map<int64_t, int>& firstOfId);
  // A playlist's M3U8 text; empty when none of its members was copied.
  std::string PlaylistText(const TPlayListItem& list,
                           const std::unordered_map<int64_t, int>& firstOfId) const;
  // A path below DestFolder as seen from there.
  std::string RelativeToDestination(const std::string& path) const;
  // Writes `content` to `base` + `ext` or a numbered name; the path, or empty
  // (logged) when it could not be written.
  std::string SaveListFile(const std::string& base, const std::string& ext,
                           const std::string& content);
  // Reads the device's artwork database; false (logged when it is damaged)
  // when there is none to use.
  bool LoadArtwork(TArtworkDb& artwork);
  ReadBudget readBudget_;  // what the current parse may still read
  // The destination names this copy has written or found in place: never
  // taken by another track of the same run.
  TClaimedNames claimed_;
};

}  // namespace ortelan
