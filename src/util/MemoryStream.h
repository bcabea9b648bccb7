#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ortelan {

// Leaves new elements uninitialised on resize: a buffer that a file read
// fills at once need not be zeroed first.
template <typename T>
class DefaultInitAllocator : public std::allocator<T> {
 public:
  template <typename U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  using std::allocator<T>::allocator;
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using ByteBuffer = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

// A growable byte buffer with a position, the in-memory stream that device
// reads fill and readers parse.
class TMemoryStream {
 public:
  ByteBuffer Bytes;
  size_t Position = 0;

  size_t Size() const { return Bytes.size(); }
  std::span<const uint8_t> View() const { return {Bytes.data(), Bytes.size()}; }
  void Clear() {
    Bytes.clear();
    Position = 0;
  }
  // Writes at the position, growing the buffer as needed; the position moves on.
  void Write(const void* data, size_t length);
};

}  // namespace ortelan
