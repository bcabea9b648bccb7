#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ortelan {

// A growable byte buffer with a position, the in-memory stream that device
// reads fill and readers parse.
class TMemoryStream {
 public:
  std::vector<uint8_t> Bytes;
  size_t Position = 0;

  size_t Size() const { return Bytes.size(); }
  std::span<const uint8_t> View() const { return Bytes; }
  void Clear() {
    Bytes.clear();
    Position = 0;
  }
  // Writes at the position, growing the buffer as needed; the position moves on.
  void Write(const void* data, size_t length);
};

}  // namespace ortelan
