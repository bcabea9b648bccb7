// Loading a 50,000-track iTunesDB into the model against reading the same
// file into memory, in one run; and the peak memory of a load.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "MedianReporter.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "platform/QueueDispatcher.h"
#include "support/ItunesDbBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace ortelan;
using namespace ortelan::fixtures;

constexpr int kTracks = 50000;

// A library like the real large ones: every track carries the usual texts.
Bytes BigLibrary() {
  Library lib;
  lib.Tracks.reserve(kTracks);
  std::vector<uint32_t> all;
  for (int i = 0; i < kTracks; ++i) {
    const std::string n = std::to_string(i);
    Track t;
    t.Fields = {static_cast<uint32_t>(1000 + i), 80, static_cast<uint32_t>(4000000 + i), 215000, 7};
    t.Title = "Track title number " + n + " (Album Version)";
    t.Location = ":iPod_Control:Music:F" + std::to_string(i % 50) + ":TRK" + n + ".mp3";
    t.Album = "An album with a long name " + std::to_string(i / 12);
    t.Artist = "Artist name " + std::to_string(i / 120);
    t.Genre = "Alternative Rock";
    t.ExtraMhods = {MhodString(12, "Composer name " + std::to_string(i / 60)),
                    MhodString(8, "A comment about this track, ripped from the original CD " + n),
                    MhodString(27, "Track title number " + n),
                    MhodString(28, t.Album),
                    MhodString(23, t.Artist),
                    MhodString(29, t.Artist),
                    MhodString(31, "Composer name " + std::to_string(i / 60)),
                    MhodString(6, "MPEG audio")};
    lib.Tracks.push_back(std::move(t));
    all.push_back(static_cast<uint32_t>(1000 + i));
  }
  lib.Playlists = {{"Big iPod", false, all}};
  return lib.Build();
}

struct Setup {
  test::TempDir dir;
  std::string root = dir / "ipod";
  std::string file = root + "/iPod_Control/iTunes/iTunesDB";
  uint64_t fileSize = 0;
  Setup() {
    test::WriteFile(file, BigLibrary());
    fileSize = std::filesystem::file_size(file);
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

// The device manager of the window that loads the library.
struct Connected {
  platform::QueueDispatcher dispatcher;
  std::unique_ptr<platform::VolumeSource> volumes;
  std::unique_ptr<platform::FileSystem> files = platform::MakeFileSystem();
  std::unique_ptr<TIpodDevice> device;
  explicit Connected(const std::string& root)
      : volumes(platform::MakeFolderVolumeSource({root})),
        device(
            std::make_unique<TIpodDevice>(nullptr, DeviceServices{*volumes, *files, dispatcher})) {
    device->ScanDrives();
  }
};

void BM_PlainRead(benchmark::State& state) {
  const Setup& s = TheSetup();
  for (auto _ : state) {
    // Uninitialised, as a reader that fills the whole buffer needs it.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[s.fileSize]);
    const int fd = open(s.file.c_str(), O_RDONLY);
    size_t done = 0;
    while (done < s.fileSize) {
      const ssize_t got = read(fd, bytes.get() + done, s.fileSize - done);
      if (got <= 0) break;
      done += static_cast<size_t>(got);
    }
    close(fd);
    benchmark::DoNotOptimize(bytes.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.fileSize));
}

// Times LoadMusicLibrary alone: from the database read to the filled model.
void BM_LoadMusicLibrary(benchmark::State& state) {
  const Setup& s = TheSetup();
  Connected connected(s.root);
  for (auto _ : state) {
    auto db = std::make_unique<TIpodMusicDb>(connected.device.get());
    const bool loaded = db->LoadMusicLibrary(true);
    state.PauseTiming();
    if (!loaded || db->Tracks.Count() != kTracks) state.SkipWithError("load failed");
    db.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.fileSize));
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_LoadMusicLibrary)->Unit(benchmark::kMillisecond)->Repetitions(9);

// The peak resident memory (VmHWM) of this process so far, in bytes.
long OwnPeakMemory() {
  FILE* status = std::fopen("/proc/self/status", "r");
  char line[256];
  long kb = -1;
  while (status && std::fgets(line, sizeof line, status)) {
    if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  }
  if (status) std::fclose(status);
  return kb * 1024;
}

// Peak memory of one load, measured in a fresh copy of this program so that
// nothing the benchmarks allocated counts.
long PeakLoadMemory(const char* self, const std::string& root) {
  const std::string command = std::string("'") + self + "' --peak-of-load '" + root + "'";
  FILE* child = popen(command.c_str(), "r");
  long peak = -1;
  if (child && std::fscanf(child, "%ld", &peak) != 1) peak = -1;
  if (child) pclose(child);
  return peak;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--peak-of-load") {
    Connected connected(argv[2]);
    TIpodMusicDb db(connected.device.get());
    if (!db.LoadMusicLibrary(true)) return 1;
    std::printf("%ld\n", OwnPeakMemory());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  const Setup& s = TheSetup();
  std::printf("iTunesDB: %d tracks, %.1f MB\n", kTracks, s.fileSize / 1e6);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double read = reporter.medianMs["BM_PlainRead"];
  const double load = reporter.medianMs["BM_LoadMusicLibrary"];
  std::printf("\nmedian plain read %.2f ms, median load %.2f ms, ratio load / read %.2f\n", read,
              load, load / read);
  const long peak = PeakLoadMemory(argv[0], s.root);
  const double budget = 1.5 * static_cast<double>(s.fileSize) + 400.0 * kTracks;
  std::printf(
      "peak memory of a load %.1f MB (budget 1.5 x file + 400 B/track = %.1f MB): %.2f of it\n",
      peak / 1e6, budget / 1e6, peak / budget);
  return 0;
}
