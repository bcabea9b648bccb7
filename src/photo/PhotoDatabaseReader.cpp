// The Photo Database reader: the chunked photo database of iPods, with its
// images, their thumbnail references and the albums.
//
// Every read is bounds-checked. A length of 0 that would visit the same chunk
// again, or an offset past the data, is the failure the surrounding list
// reports for a damaged chunk; a read budget proportional to the data keeps
// overlapping chunks from costing more than linear time.

#include <algorithm>
#include <iterator>

#include "device/iPodDev.h"
#include "photo/ThumbFormats.h"
#include "photo/iPodPhoto.h"
#include "util/ChunkTags.h"
#include "util/PhotoDbChunks.h"
#include "util/Text.h"

namespace ortelan {

namespace {

using namespace photodb;

// The width an original counts as: wider than any thumbnail.
constexpr uint32_t kOriginalWidth = 2042;

// A full-size original, which a device keeps as a file of its own.
bool IsOriginalFormat(uint32_t formatId) {
  const TThumbFormatInfo* format = FindThumbFormat(formatId);
  return format && format->Role == TThumbRole::Original;
}

// A display format chosen over any smaller one when a photo has it.
bool IsPreferredDisplayFormat(uint32_t formatId) {
  const TThumbFormatInfo* format = FindThumbFormat(formatId);
  return format && format->Role == TThumbRole::PreferredDisplay;
}

// The store file number in a name like ":Thumbs:F1019_3.ithmb": the text
// between the first "_" and the first "."; 1 when that is not a number.
int32_t StoreFileNumber(const std::string& name) {
  const size_t underscore = name.find('_');
  const size_t dot = name.find('.');
  const size_t start = underscore == std::string::npos ? 0 : underscore + 1;
  if (dot == std::string::npos || dot <= start || dot - start > 9) return 1;
  int32_t number = 0;
  for (size_t i = start; i < dot; ++i) {
    if (name[i] < '0' || name[i] > '9') return 1;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

}  // namespace

bool TIpodPhotoDb::LoadPhotoDatabase() {
  TMemoryStream stream;
  if (!Device->ReadPhotoDatabase(stream)) {
    AddLog("Read DB fail: " + Device->ErrorText());
    return false;
  }
  return ParsePhotoDatabase(ByteReader(stream.View()));
}

bool TIpodPhotoDb::ParsePhotoDatabase(const ByteReader& r) {
  readBudget_ = ReadBudget::For(r);
  if (!TagIs(r, 0, "mhfd") || !readBudget_.Readable(r, 0, kMhfdRead)) {
    AddLog("MHFD Err");
    return false;
  }
  // A damaged image list fails the parse; a damaged album list ends it with
  // the images read. Either way no layout is chosen.
  bool result = false, damaged = false;
  ForEachSection(r, readBudget_, [&](uint32_t type, uint64_t at, uint32_t headerLen) {
    if (type == kImageSection) {
      result = ReadImageList(r, at, headerLen);
      damaged = !result;
    } else if (type == kAlbumSection) {
      damaged = !ReadAlbumList(r, at, headerLen);
    }
    return !damaged;
  });
  if (damaged) return result;
  SetTileLayout(false);
  return result;
}

bool TIpodPhotoDb::ReadImageList(const ByteReader& r, uint64_t sectionStart,
                                 uint32_t sectionHeaderLen) {
  Photos.Clear();
  const uint64_t list = sectionStart + sectionHeaderLen;
  if (!TagIs(r, list, "mhli") || !readBudget_.Readable(r, list, kListRead)) {
    AddLog("MHLI Err");
    return false;
  }
  const uint32_t count = U32At(r, list + 8);
  if (count == 0) return false;
  const uint64_t first = list + U32At(r, list + 4);
  if (!ReadThumbFormats(r, first)) return false;
  uint64_t at = first;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t length = ReadImageItem(r, at);
    if (length == 0) {
      if (i + 1 < count && TagIs(r, at, "mhii")) AddLog("MHII Err");  // would repeat itself
      break;
    }
    at += length;
  }
  return true;
}

bool TIpodPhotoDb::ReadThumbFormats(const ByteReader& r, uint64_t start) {
  if (!TagIs(r, start, "mhii") || !readBudget_.Readable(r, start, kMhiiRead)) {
    AddLog("Get info: MHII err");
    return false;
  }
  ExportInfo.IsIos = false;
  ThumbInfo.IsIos = false;
  FormatChoice choice;
  const uint32_t children = U32At(r, start + 12);
  uint64_t q = start + U32At(r, start + 4);
  for (uint32_t i = 0; i < children; ++i) {
    if (!TagIs(r, q, "mhod") || !readBudget_.Readable(r, q, kMhodRead) ||
        (U32At(r, q + 8) == 0 && i + 1 < children)) {
      AddLog("Get info: MHOD");
      return false;
    }
    const uint16_t type = U16At(r, q + 12);
    if (type == kOriginalObject) {
      ChooseOriginal(0, choice);
    } else if (type == kThumbnailObject && !ReadFormatRef(r, q + U32At(r, q + 4), choice)) {
      return false;
    }
    q += U32At(r, q + 8);
  }
  ExportInfo.FileCount = 1;
  ThumbInfo.FileCount = 1;
  if (choice.maxWidth == 0 || choice.minWidth >= FormatChoice::kNoDisplayWidth) return false;
  FillFormatInfo(ThumbInfo);
  FillFormatInfo(ExportInfo);
  return true;
}

void TIpodPhotoDb::ChooseOriginal(uint32_t formatId, FormatChoice& choice) {
  HasOriginals = true;
  ExportInfo.FormatId = static_cast<int32_t>(formatId);
  ExportInfo.ImageSize = ExportInfo.Width = ExportInfo.Height = 0;
  choice.maxWidth = kOriginalWidth;
}

bool TIpodPhotoDb::ReadFormatRef(const ByteReader& r, uint64_t ref, FormatChoice& choice) {
  if (!TagIs(r, ref, "mhni") || !readBudget_.Readable(r, ref, kMhniRead)) {
    AddLog("Get info: MHNI");
    return false;
  }
  const uint32_t formatId = U32At(r, ref + 16);
  const int32_t size = static_cast<int32_t>(U32At(r, ref + 24));
  const uint16_t padV = U16At(r, ref + 28), padH = U16At(r, ref + 30);
  const uint16_t height = U16At(r, ref + 32), width = U16At(r, ref + 34);
  auto take = [&](TPhotoInfo& info) {
    info.ImageSize = size;
    info.Width = width + padH;
    info.Height = height + padV;
    info.FormatId = static_cast<int32_t>(formatId);
  };
  // The widest format is exported, the narrowest (or a preferred one) shown.
  if (IsOriginalFormat(formatId)) {
    ChooseOriginal(formatId, choice);
  } else if (width > choice.maxWidth) {
    choice.maxWidth = width;
    take(ExportInfo);
  }
  if (choice.preferred) return true;
  if (IsPreferredDisplayFormat(formatId)) {
    choice.preferred = true;
    choice.minWidth = 1;
    ThumbInfo.FormatId = static_cast<int32_t>(formatId);
    ThumbInfo.ImageSize = size;
  } else if (width != 0 && width < choice.minWidth) {
    choice.minWidth = width;
    take(ThumbInfo);
  }
  return true;
}

uint32_t TIpodPhotoDb::ReadImageItem(const ByteReader& r, uint64_t start) {
  if (!TagIs(r, start, "mhii") || !readBudget_.Readable(r, start, kMhiiRead)) {
    AddLog("MHII Err");
    return 0;
  }
  const uint32_t totalLen = U32At(r, start + 8);
  const uint32_t children = U32At(r, start + 12);
  TPhotoItem& photo = Photos.Add();
  photo.ImageId = U32At(r, start + 16);
  int32_t found = 0;
  uint64_t q = start + U32At(r, start + 4);
  for (uint32_t i = 0; i < children; ++i) {
    // A child that is not a data object, or one of length 0 that the next
    // step would read again, ends the image (the photo stays as filled).
    if (!TagIs(r, q, "mhod") || !readBudget_.Readable(r, q, kMhodRead) ||
        (U32At(r, q + 8) == 0 && i + 1 < children)) {
      AddLog("MHOD photo err");
      return totalLen;
    }
    if (!ReadThumbRef(r, q + U32At(r, q + 4), found, U16At(r, q + 12)) || found >= 2) break;
    q += U32At(r, q + 8);
  }
  if (found < 2) Photos.RemoveLast();
  return totalLen;
}

bool TIpodPhotoDb::ReadThumbRef(const ByteReader& r, uint64_t start, int32_t& found,
                                uint16_t objectType) {
  if (objectType == kStringObject) return true;
  if (!TagIs(r, start, "mhni") || !readBudget_.Readable(r, start, kMhniRead)) {
    AddLog("MHNI error");
    return false;
  }
  TPhotoItem& photo = Photos.GetItem(Photos.Count() - 1);
  const uint64_t name = start + U32At(r, start + 4);
  const uint32_t formatId = U32At(r, start + 16);
  std::string text;
  if (objectType == kOriginalObject) {
    if (ReadStringChunk(r, name, text, readBudget_) != 0) {
      photo.FileName = text;
      ++found;
    }
  } else if (objectType == kThumbnailObject) {
    if (formatId == static_cast<uint32_t>(ExportInfo.FormatId) &&
        ReadStringChunk(r, name, text, readBudget_) != 0) {
      if (IsOriginalFormat(formatId)) {
        photo.FileName = text;
      } else {
        photo.ImageOffset = U32At(r, start + 20);
        photo.ImageSize = U32At(r, start + 24);
        photo.FileIndex = StoreFileNumber(text);
        ExportInfo.FileCount = std::max(ExportInfo.FileCount, photo.FileIndex);
      }
      ++found;
    } else if (formatId == static_cast<uint32_t>(ThumbInfo.FormatId)) {
      photo.ThumbOffset = U32At(r, start + 20);
      ++found;
    }
  }
  return true;
}

bool TIpodPhotoDb::ReadAlbumList(const ByteReader& r, uint64_t sectionStart,
                                 uint32_t sectionHeaderLen) {
  const uint64_t list = sectionStart + sectionHeaderLen;
  if (!TagIs(r, list, "mhla") || !readBudget_.Readable(r, list, kListRead)) {
    AddLog("MHLA Err");
    return false;
  }
  Albums.Clear();
  const uint32_t count = U32At(r, list + 8);
  uint64_t at = list + U32At(r, list + 4);
  std::string name;  // an album named by a non-string object keeps the previous name
  for (uint32_t i = 0; i < count; ++i) {
    if (!readBudget_.Readable(r, at, kAlbumRead)) {
      AddLog("MHLA Err");
      return false;
    }
    const uint32_t totalLen = U32At(r, at + 8);
    ReadAlbum(r, at, name);
    if (totalLen == 0 && i + 1 < count) {
      AddLog("MHLA Err");
      return false;
    }
    at += totalLen;
  }
  return true;
}

void TIpodPhotoDb::ReadAlbum(const ByteReader& r, uint64_t start, std::string& name) {
  const uint32_t itemCount = U32At(r, start + 16);
  uint64_t q = start + U32At(r, start + 4);
  const uint32_t first = ReadStringChunk(r, q, name, readBudget_);
  if (first == 0) return;
  TPhotoAlbumItem& album = Albums.Add();
  album.Name = name;
  q += first;
  std::string skipped;
  for (uint32_t length; (length = ReadStringChunk(r, q, skipped, readBudget_)) != 0;) q += length;
  for (uint32_t k = 0; k < itemCount; ++k) {
    if (!readBudget_.Readable(r, q, kMhiaRead)) break;
    if (TagIs(r, q, "mhia")) {
      album.PhotoIds.push_back(U32At(r, q + 16));
      ++album.Count;
    }
    const uint32_t itemLen = U32At(r, q + 8);
    if (itemLen == 0) break;  // every further item would be this one again
    q += itemLen;
  }
}

}  // namespace ortelan
