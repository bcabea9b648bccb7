// The rows of the known thumbnail formats, by id.

#include "photo/ThumbFormats.h"

#include <algorithm>
#include <iterator>

#include "util/Text.h"

namespace ortelan {

namespace {

const TThumbFormatInfo kThumbFormats[] = {
    {.Id = 1009, .Width = 42, .Height = 30},
    {.Id = 1013, .Width = 220, .Height = 176},
    {.Id = 1015, .Width = 130, .Height = 88, .Layout = TTileLayout{119, 88, 22, 4, 200, -5}},
    {.Id = 1016, .Width = 140, .Height = 140},
    {.Id = 1017, .Width = 56, .Height = 56},
    {.Id = 1019, .Width = 720, .Height = 480, .Coding = TPixelCoding::Uyvy},
    {.Id = 1023, .Width = 176, .Height = 132, .Coding = TPixelCoding::Nrgb},
    {.Id = 1024, .Width = 320, .Height = 240},
    {.Id = 1027, .Width = 100, .Height = 100},
    {.Id = 1028, .Width = 100, .Height = 100},
    {.Id = 1029, .Width = 200, .Height = 200},
    {.Id = 1031, .Width = 42, .Height = 42},
    {.Id = 1032,
     .Width = 42,
     .Height = 37,
     .Role = TThumbRole::PreferredDisplay,
     .Layout = TTileLayout{42, 37, 18, 10, 400, 0}},
    {.Id = 1036,
     .Width = 50,
     .Height = 41,
     .Role = TThumbRole::PreferredDisplay,
     .Layout = TTileLayout{50, 41, 20, 8, 400, 0}},
    {.Id = 1055, .Width = 128, .Height = 128},
    {.Id = 1060, .Width = 320, .Height = 320},
    {.Id = 1061, .Width = 56, .Height = 55},
    {.Id = 1062, .Width = 56, .Height = 56},
    {.Id = 1064, .Width = 320, .Height = 240},
    {.Id = 1066, .Width = 64, .Height = 64, .Role = TThumbRole::PreferredDisplay},
    {.Id = 1067, .Width = 720, .Height = 480, .Coding = TPixelCoding::Yuv},
    {.Id = 1068, .Width = 128, .Height = 128},
    {.Id = 1071, .Width = 240, .Height = 240},
    {.Id = 1074, .Width = 50, .Height = 50},
    {.Id = 1078, .Width = 80, .Height = 80},
    {.Id = 1081, .Width = 640, .Height = 480, .Coding = TPixelCoding::Jpeg},
    {.Id = 1084, .Width = 240, .Height = 240},
    {.Id = 1234,
     .Width = 120,
     .Height = 120,
     .Layout = TTileLayout{120, 120, 20, 4, 152, 0},
     .IosStore = "120x120.ithmb",
     .IosRecordBytes = 28828,
     .IosStoreRank = 2},
    {.Id = 1235,
     .Width = 64,
     .Height = 64,
     .IosStore = "64x64.ithmb",
     .IosRecordBytes = 8220,
     .IosStoreRank = 3},
    {.Id = 3001, .Width = 256, .Height = 256},
    {.Id = 3002, .Width = 128, .Height = 128},
    {.Id = 3003, .Width = 64, .Height = 64},
    {.Id = 3004,
     .Width = 56,
     .Height = 73,
     .Role = TThumbRole::PreferredDisplay,
     .Layout = TTileLayout{56, 56, 20, 8, 400, 0}},
    {.Id = 3005, .Width = 320, .Height = 320},
    {.Id = 3006, .Width = 55, .Height = 56},
    {.Id = 3007, .Width = 88, .Height = 88},
    {.Id = 3008, .Width = 640, .Height = 480},
    {.Id = 3009, .Width = 160, .Height = 128},
    {.Id = 3011,
     .Width = 80,
     .Height = 79,
     .Layout = TTileLayout{75, 75, 20, 6, 300, 0},
     .IosStore = "79x79.ithmb",
     .IosRecordBytes = 12668,
     .IosStoreRank = 1},
    {.Id = 3105, .Width = 1280, .Height = 320},
    {.Id = 3106, .Width = 112, .Height = 112},
    {.Id = 3113,
     .Width = 112,
     .Height = 112,
     .Role = TThumbRole::PreferredDisplay,
     .Layout = TTileLayout{111, 111, 20, 4, 100, 0}},
    {.Id = 4005, .Coding = TPixelCoding::Original, .Role = TThumbRole::Original},
    {.Id = 4006, .Coding = TPixelCoding::Original, .Role = TThumbRole::Original},
    {.Id = 4036, .Coding = TPixelCoding::Original, .Role = TThumbRole::Original},
};

}  // namespace

std::span<const TThumbFormatInfo> ThumbFormats() { return kThumbFormats; }

const TThumbFormatInfo* FindThumbFormat(int64_t id) {
  const auto found = std::find_if(std::begin(kThumbFormats), std::end(kThumbFormats),
                                  [id](const TThumbFormatInfo& row) { return row.Id == id; });
  return found == std::end(kThumbFormats) ? nullptr : &*found;
}

const TThumbFormatInfo* FindIosStore(std::string_view fileName) {
  for (const TThumbFormatInfo& row : kThumbFormats) {
    if (row.IosStore && SameTextAscii(fileName, row.IosStore)) return &row;
  }
  return nullptr;
}

std::vector<const TThumbFormatInfo*> IosStoresByRank() {
  std::vector<const TThumbFormatInfo*> stores;
  for (const TThumbFormatInfo& row : kThumbFormats) {
    if (row.IosStore) stores.push_back(&row);
  }
  std::sort(stores.begin(), stores.end(),
            [](const auto* a, const auto* b) { return a->IosStoreRank < b->IosStoreRank; });
  return stores;
}

}  // namespace ortelan
