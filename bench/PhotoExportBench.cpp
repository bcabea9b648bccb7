// Exporting 500 photos from a 720 x 480 RGB565 store and from a uYUV store,
// against encoding the same decoded pictures with the bare JPEG encoder, in
// one run. Prints photos per second and the ratios.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "device/iPodDev.h"
#include "photo/ImageCodec.h"
#include "photo/ThumbDecoding.h"
#include "photo/UyvyRows.h"
#include "photo/iPodPhoto.h"
#include "platform/QueueDispatcher.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace ortelan;
using namespace ortelan::fixtures;
using namespace ortelan::fixtures::photodb;

constexpr int kPhotos = 500;
constexpr uint32_t kRecord = 691200;

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A store of kPhotos records of moving gradients, and the database naming them.
void MakeDevice(const std::string& root, uint32_t formatId, bool uyvy) {
  std::string store;
  store.reserve(static_cast<size_t>(kPhotos) * kRecord);
  std::vector<Bytes> images;
  for (int n = 0; n < kPhotos; ++n) {
    for (uint32_t i = 0; i < kRecord; i += 2) {
      const uint32_t x = (i / 2) % 720, y = (i / 2) / 720;
      const uint16_t v =
          uyvy ? static_cast<uint16_t>((x * 2 + n) & 0xFF) << 8 | 128
               : static_cast<uint16_t>(((x + n) >> 5) << 11 | (y >> 3) << 5 | (x ^ y) >> 5);
      store += static_cast<char>(v & 0xFF);
      store += static_cast<char>(v >> 8);
    }
    const std::string storeName = ":Thumbs:F" + std::to_string(formatId) + "_1.ithmb";
    images.push_back(Image(static_cast<uint32_t>(n + 1),
                           {1098, 0, 4, 2, 1, 0, 0, ":Thumbs:F1098_1.ithmb"},
                           {formatId, n * kRecord, kRecord, 720, 480, 0, 0, storeName}));
  }
  test::WriteFile(root + "/Photos/Thumbs/F" + std::to_string(formatId) + "_1.ithmb", store);
  test::WriteFile(root + "/Photos/Photo Database", Mhfd({Section(1, Mhli(images))}));
  std::filesystem::create_directories(root + "/iPod_Control/iTunes");
}

struct Result {
  double exportSeconds = 0, encodeSeconds = 0, decodeSeconds = 0, portableSeconds = 0;
};

Result Measure(const std::string& base, uint32_t formatId, bool uyvy) {
  test::TempDir dir;
  const std::string root = dir / "ipod";
  MakeDevice(root, formatId, uyvy);
  platform::QueueDispatcher dispatcher;
  auto volumes = platform::MakeFolderVolumeSource({root});
  auto files = platform::MakeFileSystem();
  TIpodDevice device(nullptr, {*volumes, *files, dispatcher});
  device.ScanDrives();
  TIpodPhotoDb db(&device, false, nullptr);
  if (!db.LoadPhotoLibrary() || db.Photos.Count() != kPhotos) std::abort();
  for (int i = 0; i < kPhotos; ++i) db.Photos.Check(i);
  std::string folder = base + "/out-" + std::to_string(formatId);
  if (!db.PrepareDestination(folder)) std::abort();

  // Medians of three runs of each.
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::vector<double> exports, encodes;
  for (int round = 0; round < 3; ++round) {
    std::filesystem::create_directories(folder);
    exports.push_back(Seconds([&] {
      if (db.ExportPhotoDbPhotos() != kPhotos) std::abort();
    }));
    std::filesystem::remove_all(folder);
  }

  // The same pictures, decoded beforehand, through the encoder alone.
  std::vector<TPicture24> pictures(kPhotos);
  std::vector<TMemoryStream> records(kPhotos);
  db.BuildBmpHeader(false);
  device.OpenThumbFile("F" + std::to_string(formatId) + "_1", kRecord);
  for (int n = 0; n < kPhotos; ++n) {
    if (!uyvy) records[n].Write(db.BmpHeader, sizeof db.BmpHeader);
    device.ReadThumb(kRecord, records[n], static_cast<int64_t>(n) * kRecord);
  }
  device.CloseThumbFile();
  // Decoding alone, on one thread, into one picture, for the figures of the
  // parts; for uYUV also the one-pixel-at-a-time form (work picture, then
  // resampling), which runs where the processor lacks AVX2.
  TPicture24 scratch, work;
  auto decodeAll = [&](bool portable) {
    return Seconds([&] {
      for (int n = 0; n < kPhotos; ++n) {
        if (!uyvy) {
          LoadBitmap16(records[n].View(), scratch);
        } else if (portable) {
          DecodeUyvy(records[n].View(), work);
          scratch.SetSize(640, 480);
          ScaleBitmap(work, scratch);
        } else {
          scratch.SetSize(640, 480);
          DecodeUyvyScaled(records[n].View(), scratch, 0, 480);
        }
      }
    });
  };
  const double decodeSeconds = decodeAll(false);
  const double portableSeconds = uyvy ? decodeAll(true) : 0;
  for (int n = 0; n < kPhotos; ++n) {
    if (uyvy) {
      pictures[n].SetSize(640, 480);
      DecodeUyvyScaled(records[n].View(), pictures[n], 0, 480);
    } else {
      LoadBitmap16(records[n].View(), pictures[n]);
    }
  }
  std::vector<uint8_t> jpeg;
  for (int round = 0; round < 3; ++round) {
    encodes.push_back(Seconds([&] {
      for (const TPicture24& p : pictures) ImageCodec::EncodeJpeg(p, jpeg);
    }));
  }
  return Result{median(exports), median(encodes), decodeSeconds, portableSeconds};
}

}  // namespace

// --without-avx2: the one-pixel form everywhere, as on processors without it.
int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--without-avx2") uyvy::AllowVectorRows(false);
  ImageCodec::Start();
  const std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
  const struct {
    const char* name;
    uint32_t formatId;
    bool uyvy;
    double goal;
  } cases[] = {{"RGB565 720 x 480", 9720, false, 0.75}, {"uYUV 720 x 480", 1019, true, 0.5}};
  for (const auto& c : cases) {
    const Result r = Measure(base, c.formatId, c.uyvy);
    const double exported = kPhotos / r.exportSeconds, encoded = kPhotos / r.encodeSeconds;
    std::printf("%s: export %.1f photos/s, bare encoder %.1f photos/s, ratio %.3f (goal %.2f)\n",
                c.name, exported, encoded, exported / encoded, c.goal);
    std::printf("  per photo on one thread: decoding %.2f ms, encoding %.2f ms\n",
                1000 * r.decodeSeconds / kPhotos, 1000 * r.encodeSeconds / kPhotos);
    if (r.portableSeconds > 0) {
      std::printf("  decoding one pixel at a time (without AVX2): %.2f ms\n",
                  1000 * r.portableSeconds / kPhotos);
    }
  }
  return 0;
}
