// The load entry point: which kind of device database is tried first, and the
// parts of the iOS attempt that exist on every device (the voice memos).

#include "device/iPodDev.h"
#include "music/iPodMusic.h"

namespace ortelan {

bool TIpodMusicDb::LoadMusicLibrary(bool AIosFirst) {
  NeedBooks = true;
  if (AIosFirst) {
    bool loaded = false;
    try {
      loaded = LoadIosLibrary();
    } catch (const std::exception&) {
      loaded = false;
    }
    if (!loaded) AddLog("itdb, " + Device->ErrorLog);
    ReadVoiceMemos();
    if (loaded) return true;
  }
  NeedBooks = false;
  if (LoadItunesDb()) return true;
  AddLog("iTunesDb, " + Device->ErrorLog);
  if (AIosFirst) return false;
  const bool loaded = LoadIosLibrary();
  if (!loaded) AddLog("itdb, " + Device->ErrorLog);
  return loaded;
}

// The SQLite libraries of iOS devices and newer iPod nanos are read by a
// reader that is not part of this build yet: the fetches run, and a library
// they find is not read, so the attempt fails and the iTunesDB is used.
bool TIpodMusicDb::LoadIosLibrary() {
  std::string database;
  Device->FetchItunesFile("MediaLibrary.sqlitedb", false, database, "");
  if (!database.empty()) {
    std::string wal;
    Device->FetchItunesFile("MediaLibrary.sqlitedb-wal", false, wal, "-wal");
    return false;
  }
  Device->FetchItunesFile("Library.itdb", true, database, "");
  return false;
}

int TIpodMusicDb::ReadVoiceMemos() {
  std::vector<std::string> names;
  const int count = Device->ListRecordings(names);
  const std::string folder = Device->IsIos ? "Recordings/" : "Recordings\\";
  for (const std::string& name : names) {
    TTrackItem& track = Tracks.Add();
    track.CopyState = -1;
    track.ItunesSourceId = -1;
    track.Album = "Voice memo";
    track.Genre = "m4a";
    track.MediaKind = mkVoiceMemo;
    const size_t dot = name.find('.');
    track.Title = dot == std::string::npos ? "" : name.substr(0, dot);
    track.Location = folder + name;
  }
  return count;
}

}  // namespace ortelan
