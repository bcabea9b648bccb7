// The music window over a library of 100,000 tracks with 20 playlists (one of
// 100,000 entries), offscreen:
// - from the device's arrival (DeviceStateChanged) to the window ready with
//   "All Music" shown and painted, against the bare read of the same library
//   in the same run;
// - one screen of rows painted after a scroll, against a plain Qt tree view
//   of the same size over a standard item model with the same texts.
// Prints the medians and both ratios.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>
#include <cstdio>
#include <memory>

#include "MedianReporter.h"
#include "app/AppServices.h"
#include "app/Fonts.h"
#include "device/SQLiteWrap.h"
#include "support/ItunesDbBuilder.h"
#include "support/TempDir.h"
#include "windows/music/MusicTranFrm.h"

namespace {

using namespace ortelan;
using namespace ortelan::fixtures;

constexpr int kTracks = 100000;
constexpr int kPlaylists = 20;
constexpr int kVisibleRows = 40;

Bytes BigLibrary() {
  Library lib;
  lib.Tracks.reserve(kTracks);
  std::vector<uint32_t> all;
  for (int i = 0; i < kTracks; ++i) {
    const std::string n = std::to_string(i);
    Track t;
    t.Fields = {static_cast<uint32_t>(1000 + i), 80, static_cast<uint32_t>(4000000 + i),
                static_cast<uint32_t>(215000 + i), 7};
    t.Title = "Track title number " + n + " (Album Version)";
    t.Location = ":iPod_Control:Music:F" + std::to_string(i % 50) + ":TRK" + n + ".mp3";
    t.Album = "An album with a long name " + std::to_string(i / 12);
    t.Artist = "Artist name " + std::to_string(i / 120);
    t.Genre = "Alternative Rock";
    lib.Tracks.push_back(std::move(t));
    all.push_back(static_cast<uint32_t>(1000 + i));
  }
  lib.Playlists.push_back({"Big iPod", false, all});
  std::vector<uint32_t> shuffled(all.size());
  for (size_t i = 0; i < all.size(); ++i) shuffled[i] = all[(i * 7919) % all.size()];
  lib.Playlists.push_back({"Everything", false, shuffled});
  for (int p = 1; p < kPlaylists; ++p) {
    lib.Playlists.push_back(
        {"Playlist " + std::to_string(p), p % 4 == 0,
         std::vector<uint32_t>(all.begin() + p * 500, all.begin() + p * 500 + 250)});
  }
  return lib.Build();
}

struct Setup {
  test::TempDir dir;
  std::string root = dir / "ipod";
  Setup() { test::WriteFile(root + "/iPod_Control/iTunes/iTunesDB", BigLibrary()); }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

// One window, connected to the big library, for all runs.
struct OpenWindow {
  app::AppServices services{std::vector<std::string>{TheSetup().root}};
  windows::TMusicTranFrm window{services, nullptr};
  OpenWindow() {
    window.show();
    QApplication::processEvents();
    // A grid of 40 visible rows.
    const int rowHeight = window.MusicList->sizeHintForRow(0);
    window.resize(window.width(), window.height() + kVisibleRows * rowHeight -
                                      window.MusicList->viewport()->height());
    QApplication::processEvents();
  }
  ~OpenWindow() {
    window.Device->OnDeviceChange = nullptr;
    window.Device->DiskModeConnected = false;  // no eject question
  }
};

// Made in main after the application, gone before it.
std::unique_ptr<OpenWindow> theWindow;

OpenWindow& TheWindow() { return *theWindow; }

void BM_BareLibraryRead(benchmark::State& state) {
  TIpodDevice* device = TheWindow().window.Device.get();
  for (auto _ : state) {
    TIpodMusicDb db(device);
    if (!db.LoadMusicLibrary(true)) state.SkipWithError("the library did not load");
    benchmark::DoNotOptimize(db.Tracks.Count());
  }
}

void BM_DeviceToReady(benchmark::State& state) {
  windows::TMusicTranFrm& window = TheWindow().window;
  for (auto _ : state) {
    state.PauseTiming();
    window.DeviceStateChanged(false);
    QApplication::processEvents();
    state.ResumeTiming();
    window.DeviceStateChanged(true);
    window.repaint();  // "All Music" on screen
    if (window.MusicList->model()->rowCount() != kTracks) state.SkipWithError("not ready");
  }
}

// Scrolls a page down (back to the top at the end) and paints the rows now
// visible.
void PaintAfterScroll(benchmark::State& state, QTreeView& view) {
  QScrollBar* bar = view.verticalScrollBar();
  bar->setValue(0);
  QApplication::processEvents();
  for (auto _ : state) {
    state.PauseTiming();
    bar->setValue(bar->value() + bar->pageStep() < bar->maximum() ? bar->value() + bar->pageStep()
                                                                  : 0);
    state.ResumeTiming();
    view.viewport()->repaint();
  }
  state.counters["rows"] = bar->pageStep();
}

void BM_PaintScreenOfRows(benchmark::State& state) {
  windows::TMusicTranFrm& window = TheWindow().window;
  PaintAfterScroll(state, *window.MusicList);
}

// The baseline: Qt's own tree view and item model, the same size, columns
// and texts, no pictures and no painting of its own.
void BM_PaintPlainQtView(benchmark::State& state) {
  const QAbstractItemModel& source = *TheWindow().window.MusicList->model();
  constexpr int kRows = 2000;  // painting depends on the visible rows only
  QStandardItemModel model(kRows, source.columnCount());
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < source.columnCount(); ++column) {
      model.setItem(row, column, new QStandardItem(source.index(row, column).data().toString()));
    }
  }
  QTreeView view;
  view.setModel(&model);
  view.setUniformRowHeights(true);
  view.setRootIsDecorated(false);
  view.setFont(TheWindow().window.MusicList->font());
  view.resize(TheWindow().window.MusicList->width(), 100);
  view.show();
  QApplication::processEvents();
  view.resize(view.width(),  // 40 rows of its own height, as the grid shows
              view.height() + kVisibleRows * view.sizeHintForRow(0) - view.viewport()->height());
  for (int column = 0; column < source.columnCount(); ++column) {
    view.setColumnWidth(column, TheWindow().window.MusicList->columnWidth(column));
  }
  view.show();
  PaintAfterScroll(state, view);
}

BENCHMARK(BM_BareLibraryRead)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_DeviceToReady)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PaintScreenOfRows)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PaintPlainQtView)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const SQLiteLibrary sqlite;
  QApplication application(argc, argv);
  app::SetUpFonts();
  benchmark::Initialize(&argc, argv);
  theWindow = std::make_unique<OpenWindow>();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  theWindow.reset();
  const auto ratio = [&](const char* measured, const char* baseline) {
    return reporter.medianMs[measured] / reporter.medianMs[baseline];
  };
  std::printf("device to ready: %.1f ms (goal 400), %.2f x the bare library read\n",
              reporter.medianMs["BM_DeviceToReady"],
              ratio("BM_DeviceToReady", "BM_BareLibraryRead"));
  std::printf("a screen of rows after a scroll: %.2f ms (goal 5), %.2f x a plain Qt view\n",
              reporter.medianMs["BM_PaintScreenOfRows"],
              ratio("BM_PaintScreenOfRows", "BM_PaintPlainQtView"));
  return 0;
}
