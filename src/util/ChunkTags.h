#pragma once

// Helpers for the chunked device databases: four-letter tags compared
// without regard to case, integers read where a short read counts as 0
// (callers check the bounds of a chunk before they read its fields), the
// budget that bounds the work of one parse, and string objects.

#include <cstdint>
#include <string>

#include "util/ByteReader.h"

namespace ortelan {

// Tags are four lower-case letters, and a byte folds onto a lower-case letter
// only from that letter or its capital, so setting bit 5 of each byte is an
// exact ASCII case fold here.
inline bool TagIs(const ByteReader& r, uint64_t at, const char (&tag)[5]) {
  uint32_t value = 0;
  if (!r.U32LE(at, value)) return false;
  const uint32_t wanted = static_cast<uint8_t>(tag[0]) | static_cast<uint8_t>(tag[1]) << 8 |
                          static_cast<uint8_t>(tag[2]) << 16 |
                          static_cast<uint32_t>(static_cast<uint8_t>(tag[3])) << 24;
  return (value | 0x20202020u) == wanted;
}

inline uint32_t U32At(const ByteReader& r, uint64_t at) {
  uint32_t value = 0;
  r.U32LE(at, value);
  return value;
}

inline uint64_t U64At(const ByteReader& r, uint64_t at) {
  uint64_t value = 0;
  r.U64LE(at, value);
  return value;
}

inline uint16_t U16At(const ByteReader& r, uint64_t at) {
  uint16_t value = 0;
  r.U16LE(at, value);
  return value;
}

// What one parse of a chunked file may still read. A well-formed file is
// visited about once per byte; one whose chunks overlap runs out of budget
// instead of costing more than linear time and memory.
class ReadBudget {
 public:
  explicit ReadBudget(uint64_t bytes = 0) : left_(bytes) {}
  static ReadBudget For(const ByteReader& r) {
    return ReadBudget(8 * static_cast<uint64_t>(r.Size()) + (1u << 20));
  }

  bool Spend(uint64_t bytes) {
    if (bytes > left_) return false;
    left_ -= bytes;
    return true;
  }
  // A chunk of `length` bytes at `at` that the data holds and the budget allows.
  bool Readable(const ByteReader& r, uint64_t at, uint64_t length) {
    return r.Has(at, length) && Spend(length);
  }
  // Half of what is left, for a second reader; Join takes back what it left.
  ReadBudget TakeHalf() {
    ReadBudget half(left_ / 2);
    left_ -= half.left_;
    return half;
  }
  void Join(const ReadBudget& other) { left_ += other.left_; }

 private:
  uint64_t left_;
};

// Reads the string object at `start`: its total length, 0 when there is no
// data object there (`text` unchanged). UTF-8 for type 1, UTF-16LE for type 3.
uint32_t ReadStringChunk(const ByteReader& r, uint64_t start, std::string& text,
                         ReadBudget& budget);

}  // namespace ortelan
