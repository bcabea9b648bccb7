#include "util/MemoryStream.h"

#include <cstring>

namespace ortelan {

void TMemoryStream::Write(const void* data, size_t length) {
  if (length == 0) return;
  if (Position + length > Bytes.size()) Bytes.resize(Position + length);
  std::memcpy(Bytes.data() + Position, data, length);
  Position += length;
}

}  // namespace ortelan
