// Looking up 30,000 track files of one device folder whose database names
// them in another letter case (a FAT copy on a case-sensitive disk), against
// looking them up as written, on a newly connected device each time. Prints
// the medians and their ratio.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "MedianReporter.h"
#include "device/iPodDev.h"
#include "platform/QueueDispatcher.h"
#include "support/TempDir.h"

namespace {

using namespace ortelan;

constexpr int kFiles = 30000;

std::string FileName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "T%05d.MP3", i);
  return name;
}

const std::string& Root() {
  static test::TempDir dir;
  static const std::string root = [] {
    test::WriteFile(dir / "ipod/iPod_Control/iTunes/iTunesDB", "");
    for (int i = 0; i < kFiles; ++i)
      test::WriteFile(dir / ("ipod/iPod_Control/Music/F00/" + FileName(i)), "");
    return dir / "ipod";
  }();
  return root;
}

// Resolves every file once, named as `name` gives it.
void ResolveAll(benchmark::State& state, std::string (*name)(int)) {
  for (auto _ : state) {
    platform::QueueDispatcher dispatcher;
    auto volumes = platform::MakeFolderVolumeSource({Root()});
    auto files = platform::MakeFileSystem();
    TIpodDevice device(nullptr, DeviceServices{*volumes, *files, dispatcher});
    if (!device.ScanDrives()) state.SkipWithError("no device");
    int found = 0;
    std::string resolved;
    for (int i = 0; i < kFiles; ++i) {
      found += device.ResolveDevicePath(":iPod_Control:Music:F00:" + name(i), resolved) ? 1 : 0;
    }
    if (found != kFiles) state.SkipWithError("files missing");
  }
}

std::string AsWritten(int i) { return FileName(i); }
std::string OtherCase(int i) {
  std::string text = FileName(i);
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return text;
}

void BM_ResolveAsWritten(benchmark::State& state) { ResolveAll(state, AsWritten); }
void BM_ResolveInOtherCase(benchmark::State& state) { ResolveAll(state, OtherCase); }

BENCHMARK(BM_ResolveAsWritten)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_ResolveInOtherCase)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("%d files in one device folder\n", kFiles);
  Root();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double exact = reporter.medianMs["BM_ResolveAsWritten"];
  const double other = reporter.medianMs["BM_ResolveInOtherCase"];
  std::printf("\nmedian as written %.1f ms, median in another case %.1f ms, ratio %.2f\n", exact,
              other, other / exact);
  return 0;
}
