// String objects of the chunked device databases.

#include "util/ChunkTags.h"

#include <algorithm>

#include "util/Text.h"

namespace ortelan {

namespace {

constexpr uint64_t kStringMhodRead = 16;
constexpr uint64_t kStringBodyRead = 12;

}  // namespace

uint32_t ReadStringChunk(const ByteReader& r, uint64_t start, std::string& text,
                         ReadBudget& budget) {
  if (!TagIs(r, start, "mhod") || !budget.Readable(r, start, kStringMhodRead)) return 0;
  const uint32_t total = U32At(r, start + 8);
  const uint16_t type = U16At(r, start + 12);
  if (type != 1 && type != 3) return total;
  const uint64_t body = start + U32At(r, start + 4);
  std::span<const uint8_t> bytes;
  if (!budget.Readable(r, body, kStringBodyRead) ||
      !r.Bytes(body + kStringBodyRead, U32At(r, body), bytes) || !budget.Spend(bytes.size())) {
    return 0;  // a string that leaves the data is no string object
  }
  if (type == 3) {
    text = Utf16LeToUtf8(bytes);
  } else {
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    text.assign(bytes.begin(), end);
  }
  return total;
}

}  // namespace ortelan
