// Album covers handed on after a transfer: the device's artwork of the
// copied tracks, as cover.jpg in each album folder. The track files
// themselves are never touched.

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "device/iPodDev.h"
#include "music/Artwork.h"
#include "music/iPodMusic.h"
#include "photo/ImageCodec.h"
#include "platform/FileStatus.h"
#include "platform/ReadFile.h"
#include "util/Text.h"

namespace ortelan {

namespace {

constexpr const char* kArtworkFolder = "/iPod_Control/Artwork/";
constexpr const char* kCoverName = "cover.jpg";
// Real artwork is at most 1,000 x 1,000 pixels in the formats known; a
// record that claims more is damaged, and is refused before anything is
// allocated for it.
constexpr uint32_t kMaxCoverSide = 2048;
constexpr uint32_t kMaxCoverRecordBytes = 16u << 20;

// Why a record cannot be a cover, before it is read; empty when it can.
std::string RefusedCover(const TArtworkRef& ref) {
  if (ref.Width > kMaxCoverSide || ref.Height > kMaxCoverSide) {
    return "the picture claims " + std::to_string(ref.Width) + " x " + std::to_string(ref.Height) +
           " pixels (at most " + std::to_string(kMaxCoverSide) + " x " +
           std::to_string(kMaxCoverSide) + ")";
  }
  if (ref.Size > kMaxCoverRecordBytes) {
    return "the record claims " + std::to_string(ref.Size) + " bytes";
  }
  return {};
}

// The artwork store files, each opened once for the whole run.
class ArtworkStores {
 public:
  explicit ArtworkStores(TIpodDevice& device) : device_(device) {}

  // The record of `ref`; false and `why` when it cannot be read.
  bool Read(const TArtworkRef& ref, std::vector<uint8_t>& record, std::string& why) {
    auto [store, added] = files_.try_emplace(ref.StoreFile);
    if (added) device_.OpenDeviceFile(kArtworkFolder + ref.StoreFile, store->second);
    if (!store->second.IsOpen()) {
      why = "cannot open " + ref.StoreFile;
      return false;
    }
    // Never more than the store holds: a damaged database may name any size.
    const platform::ReadFile& file = store->second;
    const bool held = file.Size() >= int64_t{ref.Offset} + ref.Size;
    if (held) record.resize(ref.Size);
    if (!held || file.ReadAt(record.data(), record.size(), ref.Offset) != record.size()) {
      why = ref.StoreFile + " ends before the picture";
      return false;
    }
    return true;
  }

 private:
  TIpodDevice& device_;
  std::unordered_map<std::string, platform::ReadFile> files_;
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Decodes, encodes and writes one cover as a new file; 0, EEXIST when one
// is there, or another error with `why`.
int WriteCover(TIpodDevice& device, const TArtworkRef& ref, ArtworkStores& stores,
               const std::string& path, std::string& why) {
  std::vector<uint8_t> record, jpeg;
  TPicture24 picture;
  if (why = RefusedCover(ref); !why.empty()) return EINVAL;
  if (!stores.Read(ref, record, why)) return EIO;
  if (!DecodeArtwork(record, ref, picture)) {
    why = "format " + std::to_string(ref.FormatId) + " is not 16-bit pixels";
    return EINVAL;
  }
  if (!ImageCodec::EncodeJpeg(picture, jpeg)) {
    why = "the picture cannot be encoded";
    return EINVAL;
  }
  const int code = device.WriteNewPcFile(path, jpeg);
  if (code != 0) why = std::strerror(code);
  return code;
}

}  // namespace

bool TIpodMusicDb::LoadArtwork(TArtworkDb& artwork) {
  const std::string path = std::string(kArtworkFolder) + "ArtworkDB";
  if (!Device->DeviceFileExists(path)) return false;  // a device without covers
  TMemoryStream stream;
  const size_t mark = Device->ErrorLogSize();
  if (!Device->ReadDeviceFile(path, stream)) {
    std::string why = Trim(Device->ErrorLogFrom(mark));
    AddLog("[X] Covers not written: " + (why.empty() ? "ArtworkDB cannot be read" : why));
    return false;
  }
  if (!artwork.Parse(ByteReader(stream.View()))) {
    AddLog("[X] Covers not written: ArtworkDB: " + artwork.Error);
    return false;
  }
  return true;
}

int TIpodMusicDb::WriteAlbumCovers() {
  // Only the first scheme gives every album a folder of its own; an iOS
  // device keeps its artwork elsewhere.
  if (NameScheme != nsArtistAlbumFolders || Device->IsIos) return 0;
  TArtworkDb artwork;
  if (!LoadArtwork(artwork)) return 0;
  ArtworkStores stores(*Device);
  std::unordered_set<std::string> covered;  // album folders done, well or not
  int written = 0;
  for (const TTrackItem& track : Tracks) {
    if (LoadCopyState(track) != csCopied || track.DestFile.empty()) continue;
    const TArtworkRef* ref = artwork.Find(track.DbId);
    const std::string folder = FolderOf(track.DestFile);
    if (ref == nullptr || folder.empty() || !covered.insert(folder).second) continue;
    // A rerun finds its covers in place: nothing to decode for them.
    if (platform::PathExists(folder + kCoverName)) continue;
    std::string why;
    const int code = WriteCover(*Device, *ref, stores, folder + kCoverName, why);
    if (code == 0) {
      ++written;
    } else if (code != EEXIST) {
      AddLog("[X] Cover not written: " + RelativeToDestination(folder + kCoverName) + ": " + why);
    }
  }
  AddLog("Covers: " + std::to_string(written));
  return written;
}

}  // namespace ortelan
