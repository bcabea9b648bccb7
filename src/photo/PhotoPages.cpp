// Pages of thumbnail tiles on the window's box: an album's photos from the
// device's display thumbnail store, or the camera roll's previews; page
// counts, clicks on tiles and marks brought in line after a check command.

#include <algorithm>

#include "device/iPodDev.h"
#include "photo/ImageCodec.h"
#include "photo/ThumbDecoding.h"
#include "photo/iPodPhoto.h"
#include "platform/ReadFile.h"
#include "util/Text.h"

namespace ortelan {

namespace {

constexpr uint64_t kMaxMovieBitmapBytes = 16 << 20;

// Where the tiles of a page go: left to right, a row of `perRow` tiles,
// then the next row.
class TilePlacer {
 public:
  TilePlacer(int32_t width, int32_t height, int32_t gap, int32_t perRow)
      : width_(width), height_(height), gap_(gap), perRow_(perRow), x_(gap), y_(gap) {}
  TTilePlace Next(int32_t index, bool checked, bool camera) {
    const TTilePlace tile{index, x_, y_, width_, height_, checked, camera};
    x_ += width_ + gap_;
    if (x_ > (width_ + gap_) * perRow_) {
      x_ = gap_;
      y_ += height_ + gap_;
    }
    return tile;
  }

 private:
  int32_t width_, height_, gap_, perRow_, x_, y_;
};

// A click on a tile: its mark and its item's check turn together.
template <typename List>
void ToggleTile(TPhotoBox& box, List& items, int32_t tile, const TPhotoCheckEvent& onChange) {
  const bool checked = !box.TileChecked(tile);
  const int32_t index = box.TileIndex(tile);
  checked ? items.Check(index) : items.Uncheck(index);
  box.SetTileChecked(tile, checked);
  if (onChange) onChange(index, checked);
}

int32_t PagesOf(int32_t items, int32_t perPage) {
  if (items <= 0 || perPage <= 0) return 0;
  return items / perPage + (items % perPage > 0 ? 1 : 0);
}

}  // namespace

std::span<const int32_t> TIpodPhotoDb::PhotosWithId(uint32_t id) {
  if (photosById_.size() != static_cast<size_t>(Photos.Count())) {
    photosById_.resize(static_cast<size_t>(Photos.Count()));
    for (int32_t i = 0; i < Photos.Count(); ++i) photosById_[static_cast<size_t>(i)] = i;
    std::stable_sort(photosById_.begin(), photosById_.end(), [this](int32_t a, int32_t b) {
      return Photos.GetItem(a).ImageId < Photos.GetItem(b).ImageId;
    });
  }
  const auto byId = [this](int32_t photo, uint32_t wanted) {
    return Photos.GetItem(photo).ImageId < wanted;
  };
  const auto first = std::lower_bound(photosById_.begin(), photosById_.end(), id, byId);
  auto last = first;
  while (last != photosById_.end() && Photos.GetItem(*last).ImageId == id) ++last;
  return {first, last};
}

int32_t TIpodPhotoDb::AlbumPageCount(int32_t album) const {
  if (album < 0 || album >= Albums.Count()) return 0;
  const int32_t items = album == 0 ? Photos.Count() : Albums.GetItem(album).Count;
  return PagesOf(items, PageSize);
}

int32_t TIpodPhotoDb::CamPageCount() const { return PagesOf(CamPhotos.Count(), CamPageSize); }

bool TIpodPhotoDb::OpenDisplayStore(int32_t fileNo) {
  if (ThumbInfo.IsIos) return Device->OpenIosThumbFile(ThumbInfo.FileName);
  return Device->OpenThumbFile(
      "F" + std::to_string(ThumbInfo.FormatId) + "_" + std::to_string(fileNo), ThumbInfo.ImageSize);
}

int32_t TIpodPhotoDb::ShowAlbumPage(int32_t albumIndex, int32_t page, int32_t fileNo) {
  ClearTiles();
  int32_t shown = 0;
  if (!Box || albumIndex < 0 || albumIndex >= Albums.Count() || page < 1 || PageSize <= 0) return 0;
  const TPhotoAlbumItem& album = Albums.GetItem(albumIndex);
  if (album.Count < 1) return 0;
  const int64_t first = int64_t{page - 1} * PageSize;
  BuildBmpHeader(true);
  if (!OpenDisplayStore(fileNo)) return 0;
  struct CloseStore {
    TIpodDevice* device;
    ~CloseStore() { device->CloseThumbFile(); }  // also when a callback throws
  } closeStore{Device};
  TilePlacer place(TileWidth, TileHeight, TileGap, TilesPerRow);
  const int64_t positions = std::min<int64_t>(album.Count, album.PhotoIds.size());
  for (int64_t k = first; k < positions && shown < PageSize; ++k) {
    for (const int32_t i : PhotosWithId(album.GetPhotoId(static_cast<int>(k)))) {
      if (shown >= PageSize) break;
      const TPhotoItem& photo = Photos.GetItem(i);
      TPicture24 picture;
      if (DecodeDisplayRecord(photo, picture)) {
        Box->AddTile(place.Next(i, photo.Checked, false), std::move(picture));
        ++shown;
      }
      if (OnTileLoaded) OnTileLoaded(shown);
    }
  }
  return shown;
}

bool TIpodPhotoDb::ReadCameraPicture(const TCamPhotoItem& item, const std::string& movieBitmap,
                                     TMemoryStream& stream) {
  if (SameTextAscii(PathExtension(item.FileName), ".MOV")) {
    stream.Clear();
    platform::ReadFile picture;
    if (!movieBitmap.empty() && picture.Open(movieBitmap) == 0 &&
        picture.ReadAll(stream.Bytes, kMaxMovieBitmapBytes) != 0) {
      stream.Clear();  // unreadable: a blank tile
    }
    return true;
  }
  std::string ext;
  return Device->ReadCameraThumb(CamPhotos.Folder, item.FileName, stream, ext);
}

// The stream's picture drawn stretched over a tile; blank when it holds
// nothing that decodes.
TPicture24 TIpodPhotoDb::CameraTilePicture(const TMemoryStream& stream) {
  TPicture24 tile;
  tile.SetSize(CamTileWidth, CamTileHeight);
  std::fill(tile.Pixels.begin(), tile.Pixels.end(), uint8_t{0xFF});
  TPicture24 decoded;
  if (stream.Size() == 0) return tile;
  const bool read =
      ImageCodec::IsJpeg(stream.View())
          ? ImageCodec::DecodeJpegAtLeast(stream.View(), CamTileWidth, CamTileHeight, decoded)
          : Box->DecodePicture(stream.View(), decoded);
  if (read && decoded.Width > 0 && decoded.Height > 0) ScaleBitmap(decoded, tile);
  return tile;
}

int32_t TIpodPhotoDb::ShowCamPage(int32_t page, const std::string& movieBitmap) {
  ClearTiles();
  int32_t shown = 0;
  if (!Box || CamPhotos.Count() == 0 || page < 1 || CamPageSize <= 0) return 0;
  const int64_t first = int64_t{page - 1} * CamPageSize;
  TMemoryStream stream;
  TilePlacer place(CamTileWidth, CamTileHeight, CamTileGap, CamTilesPerRow);
  for (int64_t k = first; k < CamPhotos.Count() && shown < CamPageSize; ++k) {
    const TCamPhotoItem& item = CamPhotos.GetItem(static_cast<int>(k));
    if (!ReadCameraPicture(item, movieBitmap, stream)) continue;
    Box->AddTile(place.Next(static_cast<int32_t>(k), item.Checked, true),
                 CameraTilePicture(stream));
    ++shown;
    if (OnTileLoaded) OnTileLoaded(shown);
  }
  return shown;
}

void TIpodPhotoDb::ApplyCheckMode(TCheckMode mode) {
  if (!Box) return;
  Box->SetTilesEnabled(false);
  for (int32_t tile = 0; tile < Box->TileCount(); ++tile) {
    const bool checked = Box->TileChecked(tile);
    switch (mode) {
      case TCheckMode::MarkAll:
        if (!checked) Box->SetTileChecked(tile, true);
        break;
      case TCheckMode::UnmarkAll:
        if (checked) Box->SetTileChecked(tile, false);
        break;
      case TCheckMode::Invert:
        Box->SetTileChecked(tile, !checked);
        break;
    }
  }
  Box->SetTilesEnabled(true);
}

void TIpodPhotoDb::ClearTiles() {
  if (Box) Box->ClearTiles();
}

void TIpodPhotoDb::PhotoTileClick(int32_t tile) { ToggleTile(*Box, Photos, tile, OnCheckChange); }

void TIpodPhotoDb::CamTileClick(int32_t tile) { ToggleTile(*Box, CamPhotos, tile, OnCheckChange); }

}  // namespace ortelan
