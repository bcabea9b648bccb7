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
};

}  // namespace ortelan
