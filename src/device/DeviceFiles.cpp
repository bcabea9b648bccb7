// File operations on a disk-mode iPod: copies, sizes, fetches, thumbnail
// stores, camera roll and recordings.

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>

#include "device/DevicePaths.h"
#include "device/iPodDev.h"
#include "platform/FileStatus.h"
#include "util/Text.h"

namespace ortelan {

namespace {

std::string ChangeExtension(const std::string& name, const std::string& ext) {
  const size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + ext;
}

}  // namespace

int TIpodDevice::CopyDeviceFile(const std::string& devPath, const std::string& pcPath) {
  if (IsIos) return IosCopyFile(devPath, pcPath);
  platform::ReadFile source;
  if (const int code = OpenDeviceFile(devPath, source)) return code;
  return services_.Files.CopyFileExclusive(source, pcPath);
}

int TIpodDevice::CopyCameraFile(const std::string& srcPath, const std::string& pcPath) {
  if (IsIos) return IosCopyFile(srcPath, pcPath);
  std::string resolved;
  if (!ResolveFullPath(srcPath, resolved)) return ENOENT;
  platform::ReadFile source;
  if (const int code = OpenResolved(resolved, srcPath, source)) return code;
  return services_.Files.CopyFileExclusive(source, pcPath);
}

int32_t TIpodDevice::PcFileSize(const std::string& path) {
  return static_cast<int32_t>(static_cast<uint32_t>(platform::StatusOf(path).Size));
}

int32_t TIpodDevice::DeviceFileSize(const std::string& devPath) {
  // The low 32 bits, as PcFileSize gives them: files of 4 GiB and more
  // compare alike on both sides.
  if (IsIos) return static_cast<int32_t>(static_cast<uint32_t>(IosFileSize(devPath)));
  std::string file;
  return ResolveDevicePath(devPath, file) ? PcFileSize(file) : 0;
}

bool TIpodDevice::HasSize(const std::string& pcPath, int32_t size) {
  return PcFileSize(pcPath) == size;
}

// The size a file of the destination must have to count as this device
// file: the one the database gives, else the file's own; -1 when neither is
// known.
int64_t TIpodDevice::ExpectedSize(const std::string& devPath, int32_t databaseSize) {
  if (databaseSize != 0) return static_cast<uint32_t>(databaseSize);
  if (IsIos) {
    const int64_t size = IosFileSize(devPath);
    return size > 0 ? static_cast<uint32_t>(size) : -1;
  }
  std::string file;
  if (!ResolveDevicePath(devPath, file)) return -1;
  const platform::FileStatus status = platform::StatusOf(file);
  return status.Kind == platform::FileKind::Missing ? -1 : static_cast<uint32_t>(status.Size);
}

bool TIpodDevice::FindInPlace(const std::string& candidate, int64_t expected,
                              const TClaimedNames* claimed) {
  return expected >= 0 && PcFileSize(candidate) == static_cast<int32_t>(expected) &&
         !(claimed && claimed->Contains(candidate));
}

bool TIpodDevice::NextPlace(const std::string& base, const std::string& ext, int64_t expected,
                            const TClaimedNames* claimed, int& number, std::string& candidate) {
  // The names this run took are there and are other files: not looked at.
  if (claimed) number = std::max(number, claimed->FirstUnclaimed(base, ext));
  for (;; ++number) {
    candidate = NumberedFileName(base, number, ext);
    if (!platform::PathExists(candidate)) return false;
    if (FindInPlace(candidate, expected, claimed)) return true;
  }
}

bool TIpodDevice::AlreadyCopied(const std::string& devPath, std::string& destBase, int32_t size,
                                const TClaimedNames* claimed) {
  int number = 0;
  std::string candidate;
  if (!NextPlace(destBase, std::string(PathExtension(devPath)), ExpectedSize(devPath, size),
                 claimed, number, candidate)) {
    return false;
  }
  destBase = candidate;
  return true;
}

int TIpodDevice::CopyWithFreeName(const std::string& devPath, std::string& destBase, int32_t size,
                                  const TClaimedNames* claimed) {
  const std::string ext(PathExtension(devPath));
  const int64_t expected = ExpectedSize(devPath, size);
  std::string candidate;
  for (int number = 0;; ++number) {
    if (NextPlace(destBase, ext, expected, claimed, number, candidate)) {
      destBase = candidate;
      return 0;
    }
    const int code = CopyDeviceFile(devPath, candidate);
    // A name another run took between the look and the copy: the next one.
    if (code == EEXIST) continue;
    destBase = candidate;
    return code;
  }
}

int TIpodDevice::CopyItemOrFolder(const std::string& devPath, std::string& destBase,
                                  bool& wasFolder, int32_t size) {
  wasFolder = false;
  if (!IsIos) return kNothingCopied;
  std::string afcPath;
  if (IosPath(devPath, afcPath) && ios_->IsDirectory(afcPath)) {
    wasFolder = true;
    return CopyDeviceFolder(afcPath + "/", destBase);
  }
  return CopyWithFreeName(devPath, destBase, size);
}

bool TIpodDevice::DeviceFileExists(const std::string& path) {
  if (IsIos) {
    std::string afcPath;
    return IosPath(path, afcPath) && ios_->PathExists(afcPath);
  }
  std::string file;
  return ResolveDevicePath(path, file);
}

bool TIpodDevice::OpenThumbFile(const std::string& name, int32_t) {
  if (IsIos)
    return IosOpenThumb({"/Photos/Thumbs/" + name + ".ithmb", "/PhotoData/Thumbnails/" + name});
  return OpenThumbStore("/Photos/Thumbs/" + name + ".ithmb", name);
}

bool TIpodDevice::OpenIosThumbFile(const std::string& fileName) {
  if (IsIos) return IosOpenThumb({"/PhotoData/Thumbnails/" + fileName});
  return OpenThumbStore("/PhotoData/Thumbnails/" + fileName, fileName);
}

bool TIpodDevice::OpenThumbStore(const std::string& devicePath, const std::string& name) {
  const std::lock_guard lock(stateMutex_);
  CloseThumbFile();
  if (OpenDeviceFile(devicePath, thumbFile_) != 0) {
    AddError("File not found: " + name);
    return false;
  }
  return true;
}

bool TIpodDevice::ReadThumb(int32_t count, TMemoryStream& stream, int64_t offset) {
  const std::lock_guard lock(stateMutex_);
  if (IsIos) return IosReadThumb(count, stream, offset);
  if (!thumbFile_.IsOpen() || offset < 0) {
    AddError("Seek error");
    return false;
  }
  // Never more than the store holds past `offset`: a damaged database may ask
  // for any count. The record goes straight into the stream.
  const int64_t available = std::max<int64_t>(thumbFile_.Size() - offset, 0);
  const auto wanted = static_cast<size_t>(std::clamp<int64_t>(count, 0, available));
  const size_t start = stream.Position;
  const size_t before = stream.Bytes.size();
  stream.Bytes.resize(std::max(before, start + wanted));
  const size_t done = thumbFile_.ReadAt(stream.Bytes.data() + start, wanted, offset);
  stream.Bytes.resize(std::max(before, start + done));
  stream.Position = 0;
  return count >= 0 && done == static_cast<size_t>(count);
}

void TIpodDevice::CloseThumbFile() {
  const std::lock_guard lock(stateMutex_);
  thumbFile_.Close();
  if (iosThumbSize_ >= 0 && ios_) ios_->CloseFile();
  iosThumbSize_ = -1;
}

void TIpodDevice::GetCameraRollFolder(std::string& folder) {
  const std::lock_guard lock(stateMutex_);
  folder = (IsIos ? "" : Drive) + "/DCIM/100APPLE/";
}

// Plain, visible files of a device folder that `keep` accepts, by name.
std::vector<std::string> TIpodDevice::ListDeviceFolder(
    const std::string& folder, const std::function<bool(const std::string&)>& keep) {
  std::vector<std::string> names;
  std::string dirPath;
  if (!ResolveDevicePath(folder, dirPath)) return names;
  for (std::string& name : platform::FolderNames(dirPath)) {
    if (name.empty() || name[0] == '.') continue;
    if (platform::LinkStatusOf(dirPath + "/" + name).Kind != platform::FileKind::Regular) continue;
    if (keep(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

int TIpodDevice::ListCameraRoll(std::vector<std::string>& list) {
  // Every file but the .THM companions; a disk-mode iPod's only by "IMG".
  const auto notThm = [](const std::string& n) { return !SameTextAscii(PathExtension(n), ".THM"); };
  const auto image = [&](const std::string& n) { return StartsWithAscii(n, "IMG") && notThm(n); };
  const std::vector<std::string> names =
      IsIos ? IosListFiles("/DCIM/100APPLE/", notThm) : ListDeviceFolder("/DCIM/100APPLE", image);
  list.insert(list.end(), names.begin(), names.end());
  return static_cast<int>(list.size());
}

bool TIpodDevice::ReadCameraThumb(const std::string& folder, const std::string& fileName,
                                  TMemoryStream& stream, std::string& ext) {
  const std::string thm = ChangeExtension(fileName, ".THM");
  if (ReadFullDevicePath(folder + ".MISC/" + thm, stream) ||
      ReadFullDevicePath(folder + thm, stream)) {
    ext = ".JPG";
    return true;
  }
  ext = PathExtension(fileName);
  if (SameTextAscii(ext, ".mov") || SameTextAscii(ext, ".wav") || SameTextAscii(ext, ".aac")) {
    stream.Clear();
    return true;
  }
  return ReadFullDevicePath(folder + fileName, stream);
}

int TIpodDevice::ListRecordings(std::vector<std::string>& list) {
  const auto isMemo = [](const std::string& n) { return SameTextAscii(PathExtension(n), ".m4a"); };
  const std::vector<std::string> names =
      IsIos ? IosListFiles("/Recordings/", isMemo) : ListDeviceFolder("/Recordings", isMemo);
  list.insert(list.end(), names.begin(), names.end());
  return static_cast<int>(list.size());
}

}  // namespace ortelan
