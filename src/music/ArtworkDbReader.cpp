// The artwork database reader. It walks the chunks the way the Photo
// Database reader does: every read bounds-checked, a length of 0 that would
// visit the same chunk again ends the list, and a read budget keeps
// overlapping chunks from costing more than linear time.

#include "music/Artwork.h"
#include "photo/ThumbDecoding.h"
#include "util/PhotoDbChunks.h"

namespace ortelan {

namespace {

using namespace photodb;
constexpr size_t kBytesPerPixel = 2;

// The file name of a store path like ":F1029_1.ithmb"; empty when the name
// is no plain file name.
std::string StoreFileName(const std::string& path) {
  const size_t cut = path.find_last_of(":/\\");
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string::npos)
    return {};
  return name;
}

uint64_t PixelCount(const TArtworkRef& ref) { return uint64_t{ref.Width} * ref.Height; }

// The pixels per stored row of a record. A record holds the format's whole
// size, which can be more than the picture and its declared padding (a
// 199 x 200 picture in a 200 x 200 record): the narrowest row from the
// declared width on that divides the record into at least the declared rows.
// 0 when there is none.
int StoredWidth(const TArtworkRef& ref) {
  constexpr int kMostUndeclaredColumns = 64;
  const uint32_t pixels = ref.Size / kBytesPerPixel;
  const int declared = ref.Width + ref.PadH;
  const uint32_t rows = uint32_t{ref.Height} + ref.PadV;
  if (ref.Width == 0 || ref.Height == 0) return 0;
  for (int width = declared; width <= declared + kMostUndeclaredColumns; ++width) {
    if (pixels % width == 0 && pixels / width >= rows) return width;
  }
  return 0;
}

}  // namespace

bool TArtworkDb::Parse(const ByteReader& r) {
  largest_.clear();
  Error.clear();
  budget_ = ReadBudget::For(r);
  if (!TagIs(r, 0, "mhfd") || !budget_.Readable(r, 0, kMhfdRead)) {
    Error = "not an artwork database";
    return false;
  }
  bool found = false, read = false;
  ForEachSection(r, budget_, [&](uint32_t type, uint64_t at, uint32_t headerLen) {
    if (type != kImageSection) return true;
    found = true;
    read = ReadImageList(r, at + headerLen);
    return false;
  });
  if (!found) Error = "no image list";
  return read;
}

bool TArtworkDb::ReadImageList(const ByteReader& r, uint64_t list) {
  if (!TagIs(r, list, "mhli") || !budget_.Readable(r, list, kListRead)) {
    Error = "the image list is damaged";
    return false;
  }
  const uint32_t count = U32At(r, list + 8);
  uint64_t image = list + U32At(r, list + 4);
  for (uint32_t k = 0; k < count; ++k) {
    const uint32_t length = ReadImage(r, image);
    if (length == 0) break;
    image += length;
  }
  return true;
}

uint32_t TArtworkDb::ReadImage(const ByteReader& r, uint64_t start) {
  if (!TagIs(r, start, "mhii") || !budget_.Readable(r, start, kMhiiRead)) return 0;
  const uint32_t children = U32At(r, start + 12);
  const uint64_t songId = U64At(r, start + 20);
  uint64_t q = start + U32At(r, start + 4);
  for (uint32_t i = 0; i < children; ++i) {
    if (!TagIs(r, q, "mhod") || !budget_.Readable(r, q, kMhodRead)) break;
    const uint32_t length = U32At(r, q + 8);
    TArtworkRef ref;
    if (U16At(r, q + 12) == kThumbnailObject && ReadImageRef(r, q + U32At(r, q + 4), ref)) {
      auto [kept, added] = largest_.try_emplace(songId, ref);
      if (!added && PixelCount(ref) > PixelCount(kept->second)) kept->second = std::move(ref);
    }
    if (length == 0) break;  // every further child would be this one again
    q += length;
  }
  return U32At(r, start + 8);
}

bool TArtworkDb::ReadImageRef(const ByteReader& r, uint64_t start, TArtworkRef& ref) {
  if (!TagIs(r, start, "mhni") || !budget_.Readable(r, start, kMhniRead)) return false;
  ref.FormatId = U32At(r, start + 16);
  ref.Offset = U32At(r, start + 20);
  ref.Size = U32At(r, start + 24);
  ref.PadV = U16At(r, start + 28);
  ref.PadH = U16At(r, start + 30);
  ref.Height = U16At(r, start + 32);
  ref.Width = U16At(r, start + 34);
  std::string path;
  if (ReadStringChunk(r, start + U32At(r, start + 4), path, budget_) == 0) return false;
  ref.StoreFile = StoreFileName(path);
  return !ref.StoreFile.empty() && ref.Width != 0 && ref.Height != 0;
}

const TArtworkRef* TArtworkDb::Find(uint64_t songId) const {
  const auto found = largest_.find(songId);
  return found == largest_.end() ? nullptr : &found->second;
}

bool DecodeArtwork(std::span<const uint8_t> record, const TArtworkRef& ref, TPicture24& picture) {
  const int storedWidth = StoredWidth(ref);
  if (storedWidth == 0 || record.size() < ref.Size) return false;
  return DecodeRgb565(record.first(ref.Size), kBytesPerPixel * storedWidth, ref.Width, ref.Height,
                      picture);
}

}  // namespace ortelan
