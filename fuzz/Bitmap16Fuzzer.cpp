// Feeds arbitrary bytes to the 16-bit bitmap loader.

#include <cstddef>
#include <cstdint>

#include "photo/ThumbDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ortelan::TPicture24 picture;
  if (ortelan::LoadBitmap16(std::span<const uint8_t>(data, size), picture)) {
    // A loaded picture is exactly as large as its header says.
    if (picture.Pixels.size() != static_cast<size_t>(picture.Width) * picture.Height * 3) {
      __builtin_trap();
    }
  }
  return 0;
}
