#pragma once

// Every thumbnail format the program knows, one row each: its pixel size,
// how its records are coded, what it is chosen for, the layout of its tiles
// when it has one of its own, and the store of PhotoData/Thumbnails it lives
// in. The readers, the pages and the export all look formats up here; a
// format is added here alone (and a decoder, for a new coding).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ortelan {

// How a format's records hold their pixels.
enum class TPixelCoding : uint8_t {
  Rgb16,     // a 16-bit bitmap, 5-6-5 (5-5-5 on iOS devices)
  Uyvy,      // 720 x 480 interlaced UYVY
  Nrgb,      // 16-bit big-endian
  Yuv,       // planar 4:2:0
  Jpeg,      // JPEG files in the store
  Original,  // no record: the device keeps the photo as a file of its own
};

// What a format is chosen for besides its size.
enum class TThumbRole : uint8_t {
  Any,               // shown or exported by its width alone
  PreferredDisplay,  // shown over any smaller format a photo has
  Original,          // the full-size original, exported whenever a device has it
};

// How the tiles of a page are laid out.
struct TTileLayout {
  int32_t Width, Height, Gap, PerRow, PerPage, PictureLeft;
};

struct TThumbFormatInfo {
  int32_t Id = 0;
  int32_t Width = 0, Height = 0;
  TPixelCoding Coding = TPixelCoding::Rgb16;
  TThumbRole Role = TThumbRole::Any;
  std::optional<TTileLayout> Layout = std::nullopt;  // a display format's own layout
  // Its store in PhotoData/Thumbnails ("79x79.ithmb"), the bytes of one
  // record there (16-bit pixels and a 28-byte trailer), and the order in
  // which the stores are chosen (1 first); none for the other formats.
  const char* IosStore = nullptr;
  int32_t IosRecordBytes = 0;
  int IosStoreRank = 0;
};

std::span<const TThumbFormatInfo> ThumbFormats();
// The row of `id`; null for a format no row names.
const TThumbFormatInfo* FindThumbFormat(int64_t id);
// The row of the iOS store named `fileName` (in any letter case); null when none.
const TThumbFormatInfo* FindIosStore(std::string_view fileName);
// The rows with an iOS store, in the order they are chosen.
std::vector<const TThumbFormatInfo*> IosStoresByRank();

// The tiles of a display format without a layout of its own, and of the
// camera roll.
inline constexpr TTileLayout kOtherPhotoLayout = {64, 64, 20, 7, 350, 0};
inline constexpr TTileLayout kCameraLayout = {75, 75, 20, 6, 30, 0};

}  // namespace ortelan
