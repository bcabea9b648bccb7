// Pages of tiles in the photo window, offscreen:
// - page 1 of "All Pictures" of a 50,000-photo Photo Database (display
//   format 1066: 350 tiles of 64 x 64) built and painted, against the bare
//   read and decode of the same 350 records in the same run;
// - a 152-tile page of 120 x 120 thumbnails of a Photos.sqlite library,
//   against the bare read and decode of its records;
// - a camera-roll page of 30 JPEG files of 4032 x 3024 without previews,
//   against decoding the same files at full size;
// - the memory a page holds, and after turning 20 pages.
// Prints the medians, the ratios per tile and the memory figures.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "MedianReporter.h"
#include "app/AppServices.h"
#include "app/Fonts.h"
#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "photo/ImageCodec.h"
#include "photo/ThumbDecoding.h"
#include "support/ItunesDbBuilder.h"
#include "support/PhotoDbBuilder.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"
#include "windows/photo/PhotoTiles.h"
#include "windows/photo/PhotoTranFrm.h"

namespace {

using namespace ortelan;
namespace pd = fixtures::photodb;

constexpr uint32_t kPhotos = 50000;
constexpr uint32_t kRecord = 64 * 64 * 2;
constexpr int kIosPhotos = 152;
constexpr uint32_t kIosRecord = 120 * 120 * 2 + 28;
constexpr int kCameraFiles = 30;

// Megabytes of the heap in use now (what the allocator keeps for later
// does not count: a freed page leaves it).
double HeapInUseMb() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1 << 20);
}

std::string Pixels565(uint32_t seed, int pixels) {
  std::string record;
  for (int i = 0; i < pixels; ++i) {
    const auto v = static_cast<uint16_t>(seed * 31 + i * 7);
    record += static_cast<char>(v & 0xFF);
    record += static_cast<char>(v >> 8);
  }
  return record;
}

// A disk-mode iPod whose Photo Database lists 50,000 photos; its display
// store is as long as they need, with real records for the first pages and
// a sparse rest.
void MakePhotoDatabaseDevice(const std::string& root) {
  std::vector<fixtures::Bytes> images, all;
  images.reserve(kPhotos);
  for (uint32_t i = 0; i < kPhotos; ++i) {
    const pd::ThumbRef display{1066, i * kRecord, kRecord, 64, 64, 0, 0, ":Thumbs:F1066_1.ithmb"};
    images.push_back(pd::Image(100000 + i, display, display));
    all.push_back(pd::Mhia(100000 + i));
  }
  test::WriteFile(root + "/iPod_Control/iTunes/iTunesDB", std::string());
  test::WriteFile(
      root + "/Photos/Photo Database",
      pd::Mhfd({pd::Section(1, pd::Mhli(images)),
                pd::Section(2, pd::Mhla({pd::Mhba({pd::StringMhod(1, "Library")}, all)}))}));
  std::string store;
  for (uint32_t i = 0; i < 8000; ++i) store += Pixels565(i, 64 * 64);
  const std::string storePath = test::WriteFile(root + "/Photos/Thumbs/F1066_1.ithmb", store);
  std::filesystem::resize_file(storePath, uint64_t{kPhotos} * kRecord);
}

// A disk-mode device carrying PhotoData: Photos.sqlite with 152 photos and
// their 120 x 120 store.
void MakePhotosSqliteDevice(const std::string& root) {
  std::string sql = fixtures::sqlite::PhotosSchema(8, 14, 15) +
                    "INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME) VALUES (8, 'Album'), "
                    "(14, 'GenerateAsset'), (15, 'Asset');";
  std::string store;
  for (int n = 0; n < kIosPhotos; ++n) {
    store += Pixels565(n, 120 * 120) + std::string(28, '\0');
    sql += "INSERT INTO ZGENERICASSET VALUES (" + std::to_string(300 + n) + ", 15, " +
           std::to_string(n) + ", 'DCIM/100APPLE', 'IMG_" + std::to_string(n) + ".JPG', 0);";
  }
  test::WriteFile(root + "/iPod_Control/iTunes/iTunesDB", std::string());
  test::WriteFile(root + "/PhotoData/Thumbnails/120x120.ithmb", store);
  fixtures::sqlite::MakeDatabase(root + "/PhotoData/Photos.sqlite", sql);
}

// A camera roll of 30 large JPEG files without previews (and an empty
// Photo Database, so the camera roll is what the window shows).
std::vector<uint8_t> MakeCameraDevice(const std::string& root) {
  TPicture24 picture;
  picture.SetSize(4032, 3024);
  for (int y = 0; y < picture.Height; ++y) {
    uint8_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x) {
      row[3 * x] = static_cast<uint8_t>(x / 16), row[3 * x + 1] = static_cast<uint8_t>(y / 12);
      row[3 * x + 2] = static_cast<uint8_t>((x ^ y) & 0xFF);
    }
  }
  std::vector<uint8_t> jpeg;
  ImageCodec::EncodeJpeg(picture, jpeg);
  test::WriteFile(root + "/iPod_Control/iTunes/iTunesDB", std::string());
  for (int n = 0; n < kCameraFiles; ++n) {
    test::WriteFile(root + "/DCIM/100APPLE/IMG_" + std::to_string(1000 + n) + ".JPG", jpeg);
  }
  return jpeg;
}

// A photo window connected to one of the devices, for all runs.
struct OpenWindow {
  app::AppServices services;
  windows::TPhotoTranFrm window;
  explicit OpenWindow(const std::string& root)
      : services(std::vector<std::string>{root}), window(services, nullptr) {
    window.show();
    QApplication::processEvents();
  }
  ~OpenWindow() {
    window.Device->OnDeviceChange = nullptr;
    window.Device->DiskModeConnected = false;  // no eject question
  }
  // Page 1 of the node selected, built and painted.
  int ShowFirstPage() {
    QTreeWidgetItem* node = window.AlbumLstList->currentItem();
    window.AlbumLstListChange(node);
    window.repaint();
    return window.PhotoList->TileCount();
  }
};

struct Devices {
  test::TempDir dir;
  std::vector<uint8_t> cameraJpeg;
  std::unique_ptr<OpenWindow> photoDb, photosSqlite, camera;
  Devices() {
    MakePhotoDatabaseDevice(dir / "photodb");
    MakePhotosSqliteDevice(dir / "sqlite");
    cameraJpeg = MakeCameraDevice(dir / "camera");
    photoDb = std::make_unique<OpenWindow>(dir / "photodb");
    photosSqlite = std::make_unique<OpenWindow>(dir / "sqlite");
    camera = std::make_unique<OpenWindow>(dir / "camera");
  }
};
std::unique_ptr<Devices> devices;  // made in main after the application, gone before it

void BuildPage(benchmark::State& state, OpenWindow& open, int expected) {
  for (auto _ : state) {
    if (open.ShowFirstPage() != expected) state.SkipWithError("a page of another size");
  }
  state.counters["tiles"] = expected;
}

// The same records read and decoded one after the other, nothing else.
void BareDecode(benchmark::State& state, OpenWindow& open, int count) {
  TIpodPhotoDb& db = *open.window.PhotoDb;
  TIpodDevice& device = *open.window.Device;
  db.BuildBmpHeader(true);
  TMemoryStream stream;
  for (auto _ : state) {
    const bool opened = db.ThumbInfo.IsIos ? device.OpenIosThumbFile(db.ThumbInfo.FileName)
                                           : device.OpenThumbFile("F1066_1", kRecord);
    if (!opened) state.SkipWithError("no store");
    for (int i = 0; i < count; ++i) {
      stream.Clear();
      stream.Write(db.BmpHeader, sizeof db.BmpHeader);
      TPicture24 picture;
      device.ReadThumb(db.ThumbInfo.ImageSize, stream, db.Photos.GetItem(i).ThumbOffset + 0LL);
      LoadBitmap16(stream.View(), picture);
      benchmark::DoNotOptimize(picture.Pixels.data());
    }
    device.CloseThumbFile();
  }
}

void BM_PhotoDbPage(benchmark::State& state) { BuildPage(state, *devices->photoDb, 350); }
void BM_PhotoDbBareDecode(benchmark::State& state) { BareDecode(state, *devices->photoDb, 350); }
void BM_PhotosSqlitePage(benchmark::State& state) {
  BuildPage(state, *devices->photosSqlite, kIosPhotos);
}
void BM_PhotosSqliteBareDecode(benchmark::State& state) {
  BareDecode(state, *devices->photosSqlite, kIosPhotos);
}
void BM_CameraPage(benchmark::State& state) { BuildPage(state, *devices->camera, kCameraFiles); }
// What the camera page would cost decoding each file whole.
void BM_CameraFullDecode(benchmark::State& state) {
  for (auto _ : state) {
    for (int n = 0; n < kCameraFiles; ++n) {
      TPicture24 picture;
      ImageCodec::DecodeJpeg(devices->cameraJpeg, picture);
      benchmark::DoNotOptimize(picture.Pixels.data());
    }
  }
}

BENCHMARK(BM_PhotoDbPage)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PhotoDbBareDecode)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PhotosSqlitePage)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PhotosSqliteBareDecode)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_CameraPage)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(2);
BENCHMARK(BM_CameraFullDecode)->Unit(benchmark::kMillisecond)->Repetitions(3)->Iterations(1);

// The memory of a page, and after turning 20 pages of the big library.
void ReportMemory() {
  windows::TPhotoTranFrm& window = devices->photoDb->window;
  window.PhotoList->ClearTiles();
  QApplication::processEvents();
  const double empty = HeapInUseMb();
  devices->photoDb->ShowFirstPage();
  const double onePage = HeapInUseMb();
  for (int turn = 0; turn < 20; ++turn) window.NxtBtnClick();
  const double after20 = HeapInUseMb();
  std::printf(
      "memory: a page of 350 tiles holds %.1f MB of heap (goal 40); after turning 20 pages "
      "%.1f MB (%+.2f MB)\n",
      onePage - empty, after20 - empty, after20 - onePage);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const SQLiteLibrary sqlite;
  ImageCodec::Start();
  QApplication application(argc, argv);
  app::SetUpFonts();
  benchmark::Initialize(&argc, argv);
  devices = std::make_unique<Devices>();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  ReportMemory();
  auto& ms = reporter.medianMs;
  std::printf(
      "Photo Database page of 350 tiles: %.1f ms (goal 250), per tile %.3f ms vs bare "
      "decode %.3f ms: ratio %.2f (goal 2)\n",
      ms["BM_PhotoDbPage"], ms["BM_PhotoDbPage"] / 350, ms["BM_PhotoDbBareDecode"] / 350,
      ms["BM_PhotoDbPage"] / ms["BM_PhotoDbBareDecode"]);
  std::printf("Photos.sqlite page of %d tiles: %.1f ms (goal 200), ratio to bare decode %.2f\n",
              kIosPhotos, ms["BM_PhotosSqlitePage"],
              ms["BM_PhotosSqlitePage"] / ms["BM_PhotosSqliteBareDecode"]);
  std::printf(
      "camera page of %d 4032 x 3024 files: %.1f ms (goal 600); decoding them whole "
      "%.1f ms\n",
      kCameraFiles, ms["BM_CameraPage"], ms["BM_CameraFullDecode"]);
  devices.reset();
  return 0;
}
