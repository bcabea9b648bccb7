#pragma once

// Byte counts that come from a device's database: checked on the way in and
// added up without overflow.

#include <cstdint>
#include <limits>

namespace ortelan {

// No media file of a device comes near this (1 TiB); a larger size, or a
// negative one, comes from a damaged or crafted database.
constexpr int64_t kMaxMediaFileBytes = int64_t{1} << 40;

// A size from a database, or 0 (unknown) when it cannot be a file's size.
constexpr int64_t ValidMediaSize(int64_t size) {
  return size < 0 || size > kMaxMediaFileBytes ? 0 : size;
}

// a + b and a - b, held at the ends of the range instead of overflowing.
constexpr int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

constexpr int64_t SaturatingSub(int64_t a, int64_t b) {
  int64_t difference = 0;
  if (!__builtin_sub_overflow(a, b, &difference)) return difference;
  return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

}  // namespace ortelan
