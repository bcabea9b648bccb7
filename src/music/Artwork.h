#pragma once

// The album artwork of a disk-mode iPod: iPod_Control/Artwork/ArtworkDB
// lists, for each track that has a picture, the records of that picture in
// the store files beside it (F<format>_<n>.ithmb), one per size the device
// shows. It is written in the chunk format of the Photo Database; a track
// names its pictures by its database id.

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

#include "photo/Picture.h"
#include "util/ByteReader.h"
#include "util/ChunkTags.h"

namespace ortelan {

// One record of a picture in a store file.
struct TArtworkRef {
  uint32_t FormatId = 0;
  uint32_t Offset = 0;             // in the store file
  uint32_t Size = 0;               // bytes of the record
  uint16_t Width = 0, Height = 0;  // the picture itself
  uint16_t PadH = 0, PadV = 0;     // stored columns and rows beyond it, as declared
  std::string StoreFile;           // the store's file name, without folder
};

class TArtworkDb {
 public:
  // Reads an artwork database; false (and Error says why) when the data is
  // not one. A damaged image ends the list: the images before it stay.
  bool Parse(const ByteReader& r);
  // The largest record of a track's picture; null when it has none.
  const TArtworkRef* Find(uint64_t songId) const;
  size_t Count() const { return largest_.size(); }
  std::string Error;

 private:
  bool ReadImageList(const ByteReader& r, uint64_t list);
  uint32_t ReadImage(const ByteReader& r, uint64_t start);
  bool ReadImageRef(const ByteReader& r, uint64_t start, TArtworkRef& ref);

  std::unordered_map<uint64_t, TArtworkRef> largest_;
  ReadBudget budget_;
};

// A record of 16-bit 5-6-5 pixels as the device stores artwork, cut to the
// picture. False when the record is shorter than its size or its rows cannot
// be made out.
bool DecodeArtwork(std::span<const uint8_t> record, const TArtworkRef& ref, TPicture24& picture);

}  // namespace ortelan
