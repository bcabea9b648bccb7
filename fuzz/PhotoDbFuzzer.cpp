// Feeds arbitrary bytes to the readers of the Photo Database chunk format:
// the photo library's and the album artwork's.

#include <cstddef>
#include <cstdint>

#include "music/Artwork.h"
#include "photo/iPodPhoto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ortelan::ByteReader bytes(std::span<const uint8_t>(data, size));
  ortelan::TIpodPhotoDb db(nullptr, false, nullptr);
  db.ParsePhotoDatabase(bytes);
  // The counters must agree with the marks, and every photo needs its references.
  if (db.Photos.CheckedCount != 0) __builtin_trap();

  ortelan::TArtworkDb artwork;
  artwork.Parse(bytes);

  // The same bytes as a record with its sizes in front.
  ortelan::TArtworkRef ref;
  if (bytes.U16LE(0, ref.Width) && bytes.U16LE(2, ref.Height) && bytes.U16LE(4, ref.PadH) &&
      bytes.U16LE(6, ref.PadV) && bytes.U32LE(8, ref.Size)) {
    ortelan::TPicture24 picture;
    ortelan::DecodeArtwork(std::span<const uint8_t>(data + 12, size - 12), ref, picture);
  }
  return 0;
}
