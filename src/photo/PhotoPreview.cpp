// The largest picture the device holds of a photo or a camera-roll file, for
// the window's closer look.

#include "device/iPodDev.h"
#include "photo/ImageCodec.h"
#include "photo/ThumbDecoding.h"
#include "photo/iPodPhoto.h"
#include "util/Text.h"

namespace ortelan {

bool TIpodPhotoDb::DecodePictureFile(const TMemoryStream& file, int minWidth, int minHeight,
                                     TPicture24& picture) {
  if (file.Size() == 0) return false;
  if (ImageCodec::IsJpeg(file.View())) {
    return ImageCodec::DecodeJpegAtLeast(file.View(), minWidth, minHeight, picture);
  }
  return Box && Box->DecodePicture(file.View(), picture);
}

bool TIpodPhotoDb::ReadExportPicture(const TPhotoItem& photo, TPicture24& picture) {
  if (ExportInfo.FormatId == 0 || ExportInfo.ImageSize <= 0) return false;
  const std::string store =
      "F" + std::to_string(ExportInfo.FormatId) + "_" + std::to_string(photo.FileIndex);
  if (!Device->OpenThumbFile(store, ExportInfo.ImageSize)) return false;
  const ExportFormat format = ExportFormatOf();
  if (format.bmpHeader) BuildBmpHeader(false);
  DecodedPhoto decoded;
  bool made = (this->*format.decode)(photo, decoded);
  Stream.Clear();
  Device->CloseThumbFile();
  if (made && decoded.IsJpeg) {
    made = ImageCodec::DecodeJpeg(decoded.Jpeg, decoded.Picture);
  } else if (made && decoded.ScaleTo640 && decoded.RowsMade < decoded.Picture.Height) {
    made =
        DecodeUyvyScaled(decoded.Record, decoded.Picture, decoded.RowsMade, decoded.Picture.Height);
  }
  if (made) picture = std::move(decoded.Picture);
  return made;
}

bool TIpodPhotoDb::DecodeDisplayRecord(const TPhotoItem& photo, TPicture24& picture) {
  // The record behind the bitmap header BuildBmpHeader(true) made, read as
  // one bitmap file.
  Stream.Clear();
  Stream.Write(BmpHeader, sizeof BmpHeader);
  const bool made = Device->ReadThumb(ThumbInfo.ImageSize, Stream, photo.ThumbOffset + 0LL) &&
                    LoadBitmap16(Stream.View(), picture);
  Stream.Clear();
  return made;
}

bool TIpodPhotoDb::ReadDisplayPicture(const TPhotoItem& photo, TPicture24& picture) {
  BuildBmpHeader(true);
  if (!OpenDisplayStore(1)) return false;
  const bool made = DecodeDisplayRecord(photo, picture);
  Device->CloseThumbFile();
  return made;
}

bool TIpodPhotoDb::ReadLargestPicture(int32_t photoIndex, int minWidth, int minHeight,
                                      TPicture24& picture) {
  picture = TPicture24{};
  if (photoIndex < 0 || photoIndex >= Photos.Count()) return false;
  const TPhotoItem& photo = Photos.GetItem(photoIndex);
  if ((ThumbInfo.IsIos || HasOriginals) && !photo.FileName.empty()) {
    TMemoryStream file;
    const std::string devPath = ThumbInfo.IsIos ? photo.FileName : ":Photos:" + photo.FileName;
    if (Device->ReadDeviceFile(devPath, file) &&
        DecodePictureFile(file, minWidth, minHeight, picture)) {
      return true;
    }
  }
  return (!ThumbInfo.IsIos && ReadExportPicture(photo, picture)) ||
         ReadDisplayPicture(photo, picture);
}

bool TIpodPhotoDb::ReadCameraFilePicture(int32_t item, int minWidth, int minHeight,
                                         TPicture24& picture) {
  picture = TPicture24{};
  if (item < 0 || item >= CamPhotos.Count()) return false;
  const std::string& name = CamPhotos.GetItem(item).FileName;
  if (SameTextAscii(PathExtension(name), ".MOV")) return false;
  TMemoryStream file;
  return Device->ReadCameraFile(CamPhotos.Folder, name, file) &&
         DecodePictureFile(file, minWidth, minHeight, picture);
}

}  // namespace ortelan
