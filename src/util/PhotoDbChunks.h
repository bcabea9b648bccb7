#pragma once

// The chunk format of the Photo Database, which the artwork database
// shares: how much of each chunk a reader reads, the section types, and
// the kinds of data object an image holds.

#include <cstdint>

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

}  // namespace ortelan::photodb
