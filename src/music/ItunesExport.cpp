// The hand-over of copied tracks to iTunes through its automation interface:
// each copied track added (or found there already) with its rating and play
// count, then the device's playlists filled with them.

#include <thread>
#include <unordered_map>

#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "util/Text.h"

namespace ortelan {

namespace {

// A cancel request ends the export at once, with its summary.
struct ExportCancelled {};

void StoreIds(TTrackItem& track, const platform::ItunesObjectIds& ids) {
  track.ItunesSourceId = ids.Source;
  track.ItunesPlaylistId = ids.Playlist;
  track.ItunesTrackId = ids.Track;
  track.ItunesDatabaseId = ids.Database;
}

platform::ItunesObjectIds IdsOf(const TTrackItem& track) {
  return {track.ItunesSourceId, track.ItunesPlaylistId, track.ItunesTrackId,
          track.ItunesDatabaseId};
}

}  // namespace

int TIpodMusicDb::ExportToItunes() {
  AddLog("Sync begin...");
  TItunesCounters counters;
  std::unique_ptr<platform::ItunesApplication> itunes;
  try {
    itunes = ConnectItunes();
    itunes->MinimiseMainWindow();
  } catch (const std::exception& error) {
    AddLog(std::string("[X]iTunes error: ") + error.what());
    return 0;
  }
  try {
    ExportTracks(*itunes, counters);
    if (PlayLists.Count() >= 2) ExportPlaylists(*itunes, counters);
  } catch (const ExportCancelled&) {
  } catch (const std::exception& error) {
    std::string version;
    try {
      version = itunes->Version();
    } catch (const std::exception&) {
    }
    AddLog(std::string("[X]Sync error: ") + error.what() + "\r\nVer: " + version);
  }
  AddLog("Sync done: " + std::to_string(counters.Total) + ", " + std::to_string(counters.Added) +
         ", " + std::to_string(counters.Found) + ". Pl: " + std::to_string(counters.Playlists) +
         "\r\n");
  return counters.Total;
}

void TIpodMusicDb::ExportTracks(platform::ItunesApplication& itunes, TItunesCounters& counters) {
  const std::unique_ptr<platform::ItunesLibrary> library = itunes.LibraryPlaylist();
  for (TTrackItem& track : Tracks) {
    if (Cancelled) throw ExportCancelled{};
    if (!track.Checked || LoadCopyState(track) != csCopied) continue;
    try {
      ExportTrack(*library, track, counters);
    } catch (const std::exception&) {
      std::this_thread::sleep_for(ItunesPause);  // what was done for it stays
    }
  }
}

bool TIpodMusicDb::TakeItunesTrack(platform::ItunesLibrary& library, TTrackItem& track) {
  const std::unique_ptr<platform::ItunesTrack> held = library.TrackByName(track.Title);
  if (!held || held->Kind() != platform::kItunesFileTrack) return false;
  const std::string location = held->Location();
  if (location.empty() || !SameTextAscii(held->Artist(), track.Artist) ||
      Device->PcFileSize(location) != static_cast<int32_t>(track.Size)) {
    return false;
  }
  StoreIds(track, held->Ids());
  return true;
}

void TIpodMusicDb::ExportTrack(platform::ItunesLibrary& library, TTrackItem& track,
                               TItunesCounters& counters) {
  if (TakeItunesTrack(library, track)) {
    ++counters.Total;
    ++counters.Found;
    return;
  }
  const std::unique_ptr<platform::ItunesImport> import = library.AddFile(track.DestFile);
  if (!import) {
    std::this_thread::sleep_for(ItunesPause);
    StoreCopyState(track, csCopiedApart);  // refused: shown apart from an added track
    return;
  }
  while (import->InProgress()) std::this_thread::sleep_for(ItunesPoll);
  if (import->TrackCount() == 0) return;
  const std::unique_ptr<platform::ItunesTrack> added = import->Track(1);
  ++counters.Total;
  ++counters.Added;
  StoreIds(track, added->Ids());
  if (track.Rating > 0) added->SetRating(track.Rating);
  if (track.PlayCount > 0) added->SetPlayedCount(track.PlayCount);
}

std::unique_ptr<platform::ItunesPlaylist> TIpodMusicDb::ItunesTarget(
    platform::ItunesApplication& itunes, platform::ItunesPlaylists& lists,
    const TPlayListItem& list) {
  bool create = true, skip = false;
  const int count = lists.Count();
  for (int j = 1; j <= count; ++j) {
    std::unique_ptr<platform::ItunesPlaylist> candidate = lists.Item(j);
    if (!candidate || candidate->Kind() != platform::kItunesUserPlaylist ||
        !SameTextAscii(candidate->Name(), list.Name) ||
        candidate->SpecialKind() == platform::kItunesFolderPlaylist) {
      continue;
    }
    if (!candidate->Smart()) return candidate;
    // A smart playlist of that name: a smart device playlist is left out,
    // a plain one gets a playlist of its own.
    skip = list.Smart;
    create = !skip;
  }
  if (skip || !create) return nullptr;
  return itunes.CreatePlaylist(list.Name);
}

void TIpodMusicDb::ExportPlaylists(platform::ItunesApplication& itunes, TItunesCounters& counters) {
  if (Cancelled) throw ExportCancelled{};
  const std::unique_ptr<platform::ItunesPlaylists> lists = itunes.LibrarySourcePlaylists();
  const std::unordered_map<int64_t, int> firstOfId = FirstTrackOfIds();
  for (int p = 1; p < PlayLists.Count(); ++p) {
    const TPlayListItem& list = PlayLists.GetItem(p);
    const std::unique_ptr<platform::ItunesPlaylist> target = ItunesTarget(itunes, *lists, list);
    if (!target) continue;
    try {
      FillItunesPlaylist(itunes, *target, list, firstOfId);
    } catch (const ExportCancelled&) {
      throw;
    } catch (const std::exception&) {
      std::this_thread::sleep_for(ItunesPause);
    }
    ++counters.Playlists;
  }
}

void TIpodMusicDb::FillItunesPlaylist(platform::ItunesApplication& itunes,
                                      platform::ItunesPlaylist& target, const TPlayListItem& list,
                                      const std::unordered_map<int64_t, int>& firstOfId) {
  for (size_t j = 0; j < list.Entries(); ++j) {
    if (Cancelled) throw ExportCancelled{};
    const auto found = firstOfId.find(list.TrackIds[j]);
    if (found == firstOfId.end()) continue;
    const TTrackItem& track = Tracks.GetItem(found->second);
    // Never a track without ids (not copied, refused, a book), nor one the
    // playlist lists already.
    if (!track.Checked || track.ItunesSourceId == -1 || target.TrackByName(track.Title)) continue;
    const std::unique_ptr<platform::ItunesTrack> object = itunes.ObjectByIds(IdsOf(track));
    if (object) target.AddTrack(*object);
  }
}

}  // namespace ortelan
