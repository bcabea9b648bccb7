#pragma once

// The image codec service of the core: JPEG encoding (quality 80) and JPEG
// decoding through libjpeg-turbo. Started once at program start.

#include <cstdint>
#include <span>
#include <vector>

#include "photo/Picture.h"

namespace ortelan {

class ImageCodec {
 public:
  // Starts the service; false when the codec library cannot be used (every
  // encode and decode then fails and the rest of the program goes on).
  static bool Start();
  static void Shutdown();
  static bool Running();

  static constexpr int kJpegQuality = 80;
  // Encodes a 24-bit picture as a JPEG file.
  static bool EncodeJpeg(const TPicture24& picture, std::vector<uint8_t>& jpeg);
  // Decodes a JPEG file; false (and an empty picture) when it cannot.
  static bool DecodeJpeg(std::span<const uint8_t> data, TPicture24& picture);
  // The same at the smallest of the decoder's own scales (1/8 to 1) that is
  // still at least `width` x `height` (the whole picture when none is, or
  // when no size is given):
  // a camera file of twelve million pixels is decoded at 1/8 for a tile.
  static bool DecodeJpegAtLeast(std::span<const uint8_t> data, int width, int height,
                                TPicture24& picture);
  // Whether the data is a JPEG file (its start of image marker).
  static bool IsJpeg(std::span<const uint8_t> data);
};

}  // namespace ortelan
