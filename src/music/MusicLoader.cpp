// The load entry point: which kind of device database is tried first; the
// order of the SQLite library files; the voice memos.

#include "device/iPodDev.h"
#include "music/iPodMusic.h"

namespace ortelan {

bool TIpodMusicDb::LoadMusicLibrary(bool iosFirst) {
  NeedBooks = true;
  if (iosFirst) {
    const bool loaded = TryIosLibrary(true);
    ReadVoiceMemos();
    if (loaded) return true;
  }
  NeedBooks = false;
  if (LoadItunesDb()) return true;
  AddLog("iTunesDb, " + Device->ErrorText());
  if (iosFirst) return false;
  return TryIosLibrary(false);
}

bool TIpodMusicDb::TryIosLibrary(bool withBooks) {
  bool loaded = false;
  std::string failure;
  try {
    loaded = LoadIosLibrary();
    if (withBooks && NeedBooks) ReadBooksPlist();
  } catch (const std::exception& error) {
    loaded = false;  // an error of the SQLite layer: the attempt failed
    failure = error.what();
  }
  if (!loaded) AddLog("itdb, " + Device->ErrorText());
  // The library is there but damaged: say what SQLite found.
  if (!failure.empty()) {
    ReadError = failure;
    AddLog("[X] The music library cannot be read: " + failure);
  }
  return loaded;
}

bool TIpodMusicDb::LoadIosLibrary() {
  std::string path;
  Device->FetchItunesFile("MediaLibrary.sqlitedb", false, path, "");
  if (!path.empty()) {
    const TWorkCopy database(*Device, path);
    std::string walPath;
    Device->FetchItunesFile("MediaLibrary.sqlitedb-wal", false, walPath, "-wal");
    const TWorkCopy wal(*Device, walPath);
    return ReadMediaLibrary(database.Path()) != 0;
  }
  // The copies share one name: each is read and deleted before the next.
  Device->FetchItunesFile("Library.itdb", true, path, "");
  if (path.empty()) return false;
  {
    const TWorkCopy library(*Device, path);
    if (ReadLibraryItdb(library.Path()) == 0) return false;
  }
  bool loaded = false;
  Device->FetchItunesFile("Locations.itdb", true, path, "");
  if (!path.empty()) {
    const TWorkCopy locations(*Device, path);
    loaded = ReadLocationsItdb(locations.Path());
  }
  Device->FetchItunesFile("Dynamic.itdb", true, path, "");
  if (!path.empty()) {
    const TWorkCopy dynamic(*Device, path);
    ReadDynamicItdb(dynamic.Path());
  }
  return loaded;
}

int TIpodMusicDb::ReadVoiceMemos() {
  std::vector<std::string> names;
  const int count = Device->ListRecordings(names);
  const std::string folder = Device->IsIos ? "Recordings/" : "Recordings\\";
  for (const std::string& name : names) {
    TTrackItem& track = Tracks.Add();
    track.CopyState = csUntouched;
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
