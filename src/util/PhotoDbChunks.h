#pragma once

// The chunk format of the Photo Database, which the artwork database
// shares: how much of each chunk a reader reads, the section types, the
// kinds of data object an image holds, and the walk over the sections.

#include <cstdint>

#include "util/ChunkTags.h"

namespace ortelan::photodb {

constexpr uint64_t kMhfdRead = 28;
constexpr uint64_t kSectionRead = 16;
constexpr uint64_t kListRead = 12;
constexpr uint64_t kMhiiRead = 52;
constexpr uint64_t kMhodRead = 16;
constexpr uint64_t kMhniRead = 36;
constexpr uint64_t kAlbumRead = 64;
constexpr uint64_t kMhiaRead = 20;

constexpr uint32_t kImageSection = 1;
constexpr uint32_t kAlbumSection = 2;

constexpr uint16_t kStringObject = 1;
constexpr uint16_t kThumbnailObject = 2;
constexpr uint16_t kOriginalObject = 5;

// Calls `visit(type, start, headerLen)` for each section after the file
// header (checked by the caller), in order, while it returns true. The walk
// ends at a section the data or the budget does not hold, and after one of
// length 0 (the next would be that one again).
template <typename Visit>
void ForEachSection(const ByteReader& r, ReadBudget& budget, Visit&& visit) {
  const uint32_t sections = U32At(r, 20);
  uint64_t at = U32At(r, 4);
  for (uint32_t i = 0; i < sections && budget.Readable(r, at, kSectionRead); ++i) {
    if (!visit(U32At(r, at + 12), at, U32At(r, at + 4))) return;
    const uint32_t totalLen = U32At(r, at + 8);
    if (totalLen == 0) return;
    at += totalLen;
  }
}

}  // namespace ortelan::photodb
