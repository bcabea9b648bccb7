// Handing the lists on after a transfer: 20 playlists of 10,000 entries
// over a library of 100,000 copied tracks written as M3U8 files, and the
// track list as CSV, each into a fresh folder. Prints the medians.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "MedianReporter.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "platform/QueueDispatcher.h"
#include "support/TempDir.h"

namespace {

using namespace ortelan;

constexpr int kTracks = 100000;
constexpr int kPlaylists = 20;
constexpr int kEntries = 10000;

struct Library {
  platform::QueueDispatcher dispatcher;
  std::unique_ptr<platform::VolumeSource> volumes = platform::MakeFolderVolumeSource({});
  std::unique_ptr<platform::FileSystem> files = platform::MakeFileSystem();
  TIpodDevice device{nullptr, DeviceServices{*volumes, *files, dispatcher}};
  TIpodMusicDb db{&device};
  test::TempDir dir;
  int round = 0;

  Library() {
    for (int i = 0; i < kTracks; ++i) {
      TTrackItem& track = db.Tracks.Add();
      track.TrackId = i;
      track.Title = "A track with a title " + std::to_string(i);
      track.Artist = "Artist of some renown " + std::to_string(i % 2000);
      track.Album = "Album number " + std::to_string(i % 5000);
      track.Duration = 180000 + i;
      track.Rating = static_cast<uint8_t>(i % 5 * 20);
      track.DestFile =
          dir.Path() + "/dest/" + track.Artist + "/" + track.Album + "/" + track.Title + ".m4a";
    }
    db.PlayLists.Add().Name = "Library";
    for (int p = 0; p < kPlaylists; ++p) {
      TPlayListItem& list = db.PlayLists.Add();
      list.Name = "Playlist " + std::to_string(p);
      for (int k = 0; k < kEntries; ++k) list.TrackIds.push_back((p * 977 + k * 31) % kTracks);
      list.Count = kEntries;
    }
  }
  // A fresh destination for each run, so that every file is written.
  void NextDestination() {
    db.DestFolder = dir.Path() + "/dest" + std::to_string(++round) + "/";
    std::filesystem::create_directories(db.DestFolder);
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

void BM_WritePlaylistFiles(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TheLibrary().NextDestination();
    state.ResumeTiming();
    if (TheLibrary().db.WritePlaylistFiles() != kPlaylists) state.SkipWithError("lists missing");
  }
}

void BM_WriteTrackList(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    TheLibrary().NextDestination();
    state.ResumeTiming();
    if (!TheLibrary().db.WriteTrackList()) state.SkipWithError("no list");
  }
}

BENCHMARK(BM_WritePlaylistFiles)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_WriteTrackList)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TheLibrary();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf(
      "\n%d playlists of %d entries over %d tracks: M3U8 files %.1f ms (goal 200), "
      "tracks.csv %.1f ms\n",
      kPlaylists, kEntries, kTracks, reporter.medianMs["BM_WritePlaylistFiles"],
      reporter.medianMs["BM_WriteTrackList"]);
  return 0;
}
