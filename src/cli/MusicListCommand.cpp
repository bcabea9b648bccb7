// ortelan-cli music list: the tracks and playlists of the connected device.

#include <chrono>
#include <cstdio>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "music/iPodMusic.h"

namespace ortelan::cli {

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }
long long Num(int64_t value) { return static_cast<long long>(value); }

void PrintJson(const TIpodDevice& device, const TIpodMusicDb& db, bool loaded) {
  std::printf("{\"device\": {\"mount_point\": %s, \"is_ios\": %s},\n",
              JsonString(device.Drive).c_str(), Bool(device.IsIos));
  std::printf(" \"loaded\": %s, \"has_master_playlist\": %s,\n", Bool(loaded),
              Bool(db.HasMasterPlaylist));
  std::printf(" \"total_size\": %lld, \"checked_count\": %d, \"checked_size\": %lld,\n",
              Num(db.TotalSize), db.Tracks.CheckedCount, Num(db.Tracks.CheckedSize));
  std::printf(" \"tracks\": [");
  for (int i = 0; i < db.Tracks.Count(); ++i) {
    const TTrackItem& t = db.Tracks.GetItem(i);
    std::printf(
        "%s\n  {\"index\": %d, \"track_id\": %lld, \"title\": %s, \"artist\": %s, \"album\": %s, "
        "\"genre\": %s, \"location\": %s, \"size\": %lld, \"duration_ms\": %u, \"rating\": %u, "
        "\"play_count\": %d, \"media_kind\": %u, \"checked\": %s}",
        i ? "," : "", i, Num(t.TrackId), JsonString(t.Title).c_str(), JsonString(t.Artist).c_str(),
        JsonString(t.Album).c_str(), JsonString(t.Genre).c_str(), JsonString(t.Location).c_str(),
        Num(t.Size), t.Duration, t.Rating, t.PlayCount, t.MediaKind, Bool(t.Checked));
  }
  std::printf("],\n \"playlists\": [");
  for (int i = 0; i < db.PlayLists.Count(); ++i) {
    const TPlayListItem& p = db.PlayLists.GetItem(i);
    std::printf(
        "%s\n  {\"index\": %d, \"name\": %s, \"playlist_id\": %lld, \"smart\": %s, "
        "\"voice_memos\": %s, \"track_ids\": [",
        i ? "," : "", i, JsonString(p.Name).c_str(), Num(p.PlayListId), Bool(p.Smart),
        Bool(p.VoiceMemos));
    for (size_t k = 0; k < p.TrackIds.size(); ++k) {
      std::printf("%s%lld", k ? ", " : "", Num(p.TrackIds[k]));
    }
    std::printf("]}");
  }
  std::printf("],\n \"log\": %s}\n", JsonString(db.Log).c_str());
}

const char* KindName(uint8_t kind) {
  static const char* const names[] = {"audio", "video", "book", "ringtone", "voice memo"};
  return kind < 5 ? names[kind] : "?";
}

void PrintTable(TIpodDevice& device, const TIpodMusicDb& db, bool loaded) {
  std::printf("Device: %s\n", Shown(DeviceLabel(device)).c_str());
  if (!loaded) {
    std::printf("The music library could not be read.%s\n", LogForTerminal(db.Log).c_str());
    return;
  }
  std::printf("%-40s %-24s %-24s %9s %11s %-10s %s\n", "Title", "Artist", "Album", "Time", "Size",
              "Kind", "Checked");
  for (const TTrackItem& t : db.Tracks) {
    std::printf("%s %s %s %9s %11s %-10s %s\n", Column(t.Title, 40).c_str(),
                Column(t.Artist, 24).c_str(), Column(t.Album, 24).c_str(), t.DurationText.c_str(),
                t.SizeText.c_str(), KindName(t.MediaKind), t.Checked ? "yes" : "no");
  }
  std::printf("\n%d tracks, %s in all; %d checked, %s\n", db.Tracks.Count(),
              TIpodDevice::FormatSize(db.TotalSize).c_str(), db.Tracks.CheckedCount,
              TIpodDevice::FormatSize(db.Tracks.CheckedSize).c_str());
  for (int i = db.HasMasterPlaylist ? 1 : 0; i < db.PlayLists.Count(); ++i) {
    const TPlayListItem& p = db.PlayLists.GetItem(i);
    std::printf("Playlist %s%s: %d tracks\n", Shown(p.Name).c_str(), p.Smart ? " (smart)" : "",
                p.Count);
  }
}

}  // namespace

int MusicListCommand(Arguments args) {
  const bool json = args.Flag("--json");
  const bool summary = args.Flag("--summary");
  const std::vector<std::string> folders = args.Values("--device");
  args.ExpectEmpty();
  DeviceSession session(folders);
  if (!session.Connect()) return kExitNotFound;
  TIpodDevice& device = session.Device();
  TIpodMusicDb db(&device);
  bool loaded = false;
  const auto start = std::chrono::steady_clock::now();
  if (!LoadMusic(db, loaded)) return kExitNotFound;
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  if (summary) {
    if (json) {
      std::printf("{\"tracks\": %d, \"playlists\": %d, \"total_size\": %lld, \"load_ms\": %.3f}\n",
                  db.Tracks.Count(), db.PlayLists.Count(), Num(db.TotalSize), took.count());
    } else {
      std::printf("%d tracks, %d playlists, %s, loaded in %.3f ms\n", db.Tracks.Count(),
                  db.PlayLists.Count(), TIpodDevice::FormatSize(db.TotalSize).c_str(),
                  took.count());
    }
  } else {
    json ? PrintJson(device, db, loaded) : PrintTable(device, db, loaded);
  }
  return loaded ? kExitOk : kExitNotFound;
}

}  // namespace ortelan::cli
