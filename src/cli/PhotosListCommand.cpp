// ortelan-cli photos list: the photos, albums and camera roll of the device.

#include <cstdio>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "photo/iPodPhoto.h"

namespace ortelan::cli {

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

std::string FormatJson(const TPhotoInfo& f) {
  char numbers[160];
  std::snprintf(numbers, sizeof numbers,
                "{\"format_id\": %d, \"image_size\": %d, \"width\": %d, \"height\": %d, "
                "\"file_count\": %d, \"is_ios\": %s, \"file_name\": ",
                f.FormatId, f.ImageSize, f.Width, f.Height, f.FileCount, Bool(f.IsIos));
  return numbers + JsonString(f.FileName) + "}";
}

void PrintJson(const TIpodDevice& device, const TIpodPhotoDb& db, bool loaded) {
  std::printf(
      "{\"device\": {\"mount_point\": %s, \"is_ios\": %s}, \"loaded\": %s, "
      "\"has_originals\": %s,\n",
      JsonString(device.Drive).c_str(), Bool(device.IsIos), Bool(loaded), Bool(db.HasOriginals));
  std::printf(" \"thumb_format\": %s,\n \"export_format\": %s,\n \"photos\": [",
              FormatJson(db.ThumbInfo).c_str(), FormatJson(db.ExportInfo).c_str());
  for (int i = 0; i < db.Photos.Count(); ++i) {
    const TPhotoItem& p = db.Photos.GetItem(i);
    std::printf(
        "%s\n  {\"index\": %d, \"image_id\": %u, \"file_index\": %d, \"image_offset\": %u, "
        "\"image_size\": %u, \"thumb_offset\": %u, \"file_name\": %s, \"checked\": %s}",
        i ? "," : "", i, p.ImageId, p.FileIndex, p.ImageOffset, p.ImageSize, p.ThumbOffset,
        JsonString(p.FileName).c_str(), Bool(p.Checked));
  }
  std::printf("],\n \"albums\": [");
  for (int i = 0; i < db.Albums.Count(); ++i) {
    const TPhotoAlbumItem& a = db.Albums.GetItem(i);
    std::printf("%s\n  {\"index\": %d, \"name\": %s, \"album_id\": %d, \"photo_ids\": [",
                i ? "," : "", i, JsonString(a.Name).c_str(), a.AlbumId);
    for (size_t k = 0; k < a.PhotoIds.size(); ++k)
      std::printf("%s%u", k ? ", " : "", a.PhotoIds[k]);
    std::printf("]}");
  }
  std::printf("],\n \"camera\": {\"folder\": %s, \"files\": [",
              JsonString(db.CamPhotos.Folder).c_str());
  for (int i = 0; i < db.CamPhotos.Count(); ++i) {
    const TCamPhotoItem& c = db.CamPhotos.GetItem(i);
    std::printf("%s{\"index\": %d, \"file_name\": %s, \"checked\": %s}", i ? ", " : "", i,
                JsonString(c.FileName).c_str(), Bool(c.Checked));
  }
  std::printf("]},\n \"log\": %s}\n", JsonString(db.Log).c_str());
}

void PrintSummary(TIpodDevice& device, const TIpodPhotoDb& db, bool loaded) {
  std::printf("Device: %s\n", Shown(DeviceLabel(device)).c_str());
  if (!loaded) {
    std::printf("The photo library could not be read.%s\n", LogForTerminal(db.Log).c_str());
    return;
  }
  std::printf(
      "%d photos%s; display format %d (%d x %d), export format %d (%d x %d, %d store files)\n",
      db.Photos.Count(), db.HasOriginals ? " with originals" : "", db.ThumbInfo.FormatId,
      db.ThumbInfo.Width, db.ThumbInfo.Height, db.ExportInfo.FormatId, db.ExportInfo.Width,
      db.ExportInfo.Height, db.ExportInfo.FileCount);
  for (int i = 0; i < db.Albums.Count(); ++i) {
    const TPhotoAlbumItem& a = db.Albums.GetItem(i);
    std::printf("Album %s: %d photos\n", i == 0 ? "All Pictures" : Shown(a.Name).c_str(), a.Count);
  }
  std::printf("Camera roll: %d files\n", db.CamPhotos.Count());
}

}  // namespace

int PhotosListCommand(Arguments args) {
  const bool json = args.Flag("--json");
  const std::vector<std::string> folders = args.Values("--device");
  args.ExpectEmpty();
  DeviceSession session(folders);
  if (!session.Connect()) return kExitNotFound;
  TIpodPhotoDb db(&session.Device(), true, nullptr);
  const bool loaded = db.LoadPhotoLibrary();
  json ? PrintJson(session.Device(), db, loaded) : PrintSummary(session.Device(), db, loaded);
  ReportPhotoLibraryStandIn(db);
  if (LibraryDamaged(db)) {
    std::fprintf(stderr, "The photo library is damaged and cannot be read: %s\n",
                 LogForTerminal(db.ReadError).c_str());
    return kExitNotFound;
  }
  return loaded ? kExitOk : kExitNotFound;
}

}  // namespace ortelan::cli
