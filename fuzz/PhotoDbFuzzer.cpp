// Feeds arbitrary bytes to the Photo Database reader.

#include <cstddef>
#include <cstdint>

#include "photo/iPodPhoto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ortelan::TIpodPhotoDb db(nullptr, false, nullptr);
  db.ParsePhotoDatabase(ortelan::ByteReader(std::span<const uint8_t>(data, size)));
  // The counters must agree with the marks, and every photo needs its references.
  if (db.Photos.CheckedCount != 0) __builtin_trap();
  return 0;
}
