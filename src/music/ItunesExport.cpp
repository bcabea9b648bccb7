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

void TIpodMusicDb::ExportTracks(platform::ItunesApplication& Itunes, TItunesCounters& Counters) {
  const std::unique_ptr<platform::ItunesLibrary> library = Itunes.LibraryPlaylist();
  for (TTrackItem& track : Tracks) {
    if (Cancelled) throw ExportCancelled{};
    if (!track.Checked || LoadCopyState(track) != csCopied) continue;
    try {
      ExportTrack(*library, track, Counters);
    } catch (const std::exception&) {
      std::this_thread::sleep_for(ItunesPause);  // what was done for it stays
    }
  }
}

bool TIpodMusicDb::TakeItunesTrack(platform::ItunesLibrary& Library, TTrackItem& Track) {
  const std::unique_ptr<platform::ItunesTrack> held = Library.TrackByName(Track.Title);
  if (!held || held->Kind() != platform::kItunesFileTrack) return false;
  const std::string location = held->Location();
  if (location.empty() || !SameTextAscii(held->Artist(), Track.Artist) ||
      Device->PcFileSize(location) != static_cast<int32_t>(Track.Size)) {
    return false;
  }
  StoreIds(Track, held->Ids());
  return true;
}

void TIpodMusicDb::ExportTrack(platform::ItunesLibrary& Library, TTrackItem& Track,
                               TItunesCounters& Counters) {
  if (TakeItunesTrack(Library, Track)) {
    ++Counters.Total;
    ++Counters.Found;
    return;
  }
  const std::unique_ptr<platform::ItunesImport> import = Library.AddFile(Track.DestFile);
  if (!import) {
    std::this_thread::sleep_for(ItunesPause);
    StoreCopyState(Track, csCopiedApart);  // refused: shown apart from an added track
    return;
  }
  while (import->InProgress()) std::this_thread::sleep_for(ItunesPoll);
  if (import->TrackCount() == 0) return;
  const std::unique_ptr<platform::ItunesTrack> added = import->Track(1);
  ++Counters.Total;
  ++Counters.Added;
  StoreIds(Track, added->Ids());
  if (Track.Rating > 0) added->SetRating(Track.Rating);
  if (Track.PlayCount > 0) added->SetPlayedCount(Track.PlayCount);
}

std::unique_ptr<platform::ItunesPlaylist> TIpodMusicDb::ItunesTarget(
    platform::ItunesApplication& Itunes, platform::ItunesPlaylists& Lists,
    const TPlayListItem& List) {
  bool create = true, skip = false;
  const int count = Lists.Count();
  for (int j = 1; j <= count; ++j) {
    std::unique_ptr<platform::ItunesPlaylist> candidate = Lists.Item(j);
    if (!candidate || candidate->Kind() != platform::kItunesUserPlaylist ||
        !SameTextAscii(candidate->Name(), List.Name) ||
        candidate->SpecialKind() == platform::kItunesFolderPlaylist) {
      continue;
    }
    if (!candidate->Smart()) return candidate;
    // A smart playlist of that name: a smart device playlist is left out,
    // a plain one gets a playlist of its own.
    skip = List.Smart;
    create = !skip;
  }
  if (skip || !create) return nullptr;
  return Itunes.CreatePlaylist(List.Name);
}

void TIpodMusicDb::ExportPlaylists(platform::ItunesApplication& Itunes, TItunesCounters& Counters) {
  if (Cancelled) throw ExportCancelled{};
  const std::unique_ptr<platform::ItunesPlaylists> lists = Itunes.LibrarySourcePlaylists();
  const std::unordered_map<int64_t, int> firstOfId = FirstTrackOfIds();
  for (int p = 1; p < PlayLists.Count(); ++p) {
    const TPlayListItem& list = PlayLists.GetItem(p);
    const std::unique_ptr<platform::ItunesPlaylist> target = ItunesTarget(Itunes, *lists, list);
    if (!target) continue;
    try {
      FillItunesPlaylist(Itunes, *target, list, firstOfId);
    } catch (const ExportCancelled&) {
      throw;
    } catch (const std::exception&) {
      std::this_thread::sleep_for(ItunesPause);
    }
    ++Counters.Playlists;
  }
}

void TIpodMusicDb::FillItunesPlaylist(platform::ItunesApplication& Itunes,
                                      platform::ItunesPlaylist& Target, const TPlayListItem& List,
                                      const std::unordered_map<int64_t, int>& FirstOfId) {
  for (size_t j = 0; j < List.Entries(); ++j) {
    if (Cancelled) throw ExportCancelled{};
    const auto found = FirstOfId.find(List.TrackIds[j]);
    if (found == FirstOfId.end()) continue;
    const TTrackItem& track = Tracks.GetItem(found->second);
    // Never a track without ids (not copied, refused, a book), nor one the
    // playlist lists already.
    if (!track.Checked || track.ItunesSourceId == -1 || Target.TrackByName(track.Title)) continue;
    const std::unique_ptr<platform::ItunesTrack> object = Itunes.ObjectByIds(IdsOf(track));
    if (object) Target.AddTrack(*object);
  }
}

}  // namespace ortelan
