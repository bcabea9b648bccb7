#pragma once

#include <cstdint>
#include <vector>

namespace ortelan {

// A 24-bit picture: rows top to bottom, three bytes per pixel (R, G, B).
struct TPicture24 {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;

  void SetSize(int width, int height) {
    Width = width;
    Height = height;
    Pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  }
  uint8_t* Row(int y) { return Pixels.data() + static_cast<size_t>(y) * Width * 3; }
  const uint8_t* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * Width * 3; }
};

}  // namespace ortelan
