#pragma once

// The options both transfer windows keep between runs, in the user's
// settings under "Ortelan" (the registry key "Software\Ortelan\" on Windows,
// ~/.config/Ortelan/Ortelan.conf on Linux).

#include <string>

namespace ortelan::app {

struct MusicOptions {
  std::string DestFolder;      // "Outpath"
  int NameScheme = 1;          // "SaveType"
  bool AddToItunes = false;    // "Sync"
  bool SavePlaylists = false;  // "Playlists": as M3U8 files
  bool SaveTrackList = false;  // "TrackList": tracks.csv
  bool SaveCovers = true;      // "Covers": cover.jpg in album folders
};

struct PhotoOptions {
  std::string DestFolder;  // "POutpath"
};

// Reads what is stored: the folder trimmed of blanks and control characters,
// a missing folder replaced by the default below the user's music or
// pictures folder. Settings that cannot be opened leave the options as they
// are.
void LoadSettings(MusicOptions& options);
void LoadSettings(PhotoOptions& options);
// Writes the options as they are (the folder untrimmed).
void SaveSettings(const MusicOptions& options);
void SaveSettings(const PhotoOptions& options);

}  // namespace ortelan::app
