// The music window's track views over a library of 100,000 tracks with a
// playlist of 100,000 entries: filling "All Music" and the playlist, sorting
// by four columns against a bare std::stable_sort of the same index vector
// with the same comparator, a search matching about 5 %, "Check all" and
// "Invert". Prints the medians and the sort ratios.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "MedianReporter.h"
#include "windows/music/TrackRows.h"

namespace {

using namespace ortelan;
using namespace ortelan::windows;

constexpr int kTracks = 100000;

std::string Word(std::mt19937& random, int letters) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string word;
  for (int i = 0; i < letters; ++i) word += kLetters[random() % 52];
  return word;
}

TIpodMusicDb& Library() {
  static TIpodMusicDb db(nullptr);
  static const bool built = [] {
    std::mt19937 random(42);
    db.Tracks.Reserve(kTracks);
    for (int i = 0; i < kTracks; ++i) {
      TTrackItem& t = db.Tracks.Add();
      t.TrackId = 1000 + i;
      t.Title = Word(random, 6) + " " + Word(random, 8);
      // About 5 % of the titles hold "qzx".
      if (random() % 20 == 0) t.Title += " qzx";
      t.Artist = "Artist " + Word(random, 5);
      t.Album = "Album " + Word(random, 7);
      t.Genre = Word(random, 4);
      t.Size = int64_t{1} << 20 | random() % (int64_t{6} << 30);
      t.Duration = random() % 600000;
      t.MediaKind = mkAudio;
      db.Tracks.CountChecked(t);
      t.Checked = true;
      db.TotalSize += t.Size;
    }
    db.PlayLists.Add().Name = "Library";
    TPlayListItem& all = db.PlayLists.Add();
    all.Name = "Everything";
    for (int i = 0; i < kTracks; ++i) all.TrackIds.push_back(1000 + (i * 7919) % kTracks);
    all.Count = kTracks;
    return true;
  }();
  (void)built;
  return db;
}

void BM_FillAllMusic(benchmark::State& state) {
  TTrackRows rows(Library());
  for (auto _ : state) {
    const std::string status = rows.StatusText(rows.FillTrackView(0));
    benchmark::DoNotOptimize(status.data());
  }
}

void BM_FillBigPlaylist(benchmark::State& state) {
  TTrackRows rows(Library());
  rows.FillTrackView(4);  // the id map is made once per library

  for (auto _ : state) benchmark::DoNotOptimize(rows.FillTrackView(4).data());
}

void BM_Sort(benchmark::State& state) {
  const auto column = static_cast<TTrackColumn>(state.range(0));
  TTrackRows rows(Library());
  for (auto _ : state) {
    state.PauseTiming();
    rows.FillTrackView(0);
    state.ResumeTiming();
    rows.Sort(column, true);
  }
}

// The same sort without the view: the index vector sorted with the same
// comparator over keys made beforehand (folded texts, or the numbers).
void BM_BareStableSort(benchmark::State& state) {
  const auto column = static_cast<TTrackColumn>(state.range(0));
  TTrackRows rows(Library());
  const TTrackList& tracks = Library().Tracks;
  std::vector<std::string> keys(kTracks);
  const bool text = TTrackRows::TextKey(tracks.GetItem(0), column) != nullptr;
  for (int i = 0; text && i < kTracks; ++i) {
    keys[static_cast<size_t>(i)] =
        TTrackRows::FoldedKey(*TTrackRows::TextKey(tracks.GetItem(i), column));
  }
  std::vector<int32_t> indices(kTracks);
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < kTracks; ++i) indices[static_cast<size_t>(i)] = i;
    state.ResumeTiming();
    std::stable_sort(indices.begin(), indices.end(), [&](int32_t x, int32_t y) {
      if (text) return keys[static_cast<size_t>(x)] < keys[static_cast<size_t>(y)];
      return rows.CompareTracks(tracks.GetItem(x), tracks.GetItem(y), column) < 0;
    });
  }
}

void BM_Search(benchmark::State& state) {
  TTrackRows rows(Library());
  for (auto _ : state) benchmark::DoNotOptimize(rows.SearchTracks("qzx").data());
}

void BM_CheckAllAndInvert(benchmark::State& state) {
  TTrackRows rows(Library());
  rows.FillTrackView(0);
  for (auto _ : state) {
    rows.ApplyCheckCommand(TCheckCommand::Invert, {});
    rows.ApplyCheckCommand(TCheckCommand::CheckAll, {});
  }
}

constexpr int kSorted[] = {
    static_cast<int>(TTrackColumn::Name), static_cast<int>(TTrackColumn::Artist),
    static_cast<int>(TTrackColumn::Size), static_cast<int>(TTrackColumn::Time)};

BENCHMARK(BM_FillAllMusic)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_FillBigPlaylist)->Unit(benchmark::kMillisecond)->Repetitions(5);
// The four columns the goals name, each timed five times.
void SortedColumns(benchmark::internal::Benchmark* run) {
  for (const int column : kSorted) run->Arg(column);
  run->Unit(benchmark::kMillisecond)->Repetitions(5);
}

BENCHMARK(BM_Sort)->Apply(SortedColumns);
BENCHMARK(BM_BareStableSort)->Apply(SortedColumns);
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_CheckAllAndInvert)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Library();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const int column : kSorted) {
    const std::string arg = "/" + std::to_string(column);
    const double view = reporter.medianMs["BM_Sort" + arg];
    const double bare = reporter.medianMs["BM_BareStableSort" + arg];
    std::printf("sort by column %d: %.1f ms, bare stable_sort %.1f ms, ratio %.2f (goal 1.5)\n",
                column, view, bare, view / bare);
  }
  return 0;
}
