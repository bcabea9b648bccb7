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

int TIpodDevice::CopyDeviceFile(const std::string& DevPath, const std::string& PcPath) {
  if (IsIos) return IosCopyFile(DevPath, PcPath);
  platform::ReadFile source;
  if (const int code = OpenDeviceFile(DevPath, source)) return code;
  return services_.Files.CopyFileExclusive(source, PcPath);
}

int TIpodDevice::CopyCameraFile(const std::string& SrcPath, const std::string& PcPath) {
  if (IsIos) return IosCopyFile(SrcPath, PcPath);
  std::string resolved;
  if (!ResolveFullPath(SrcPath, resolved)) return ENOENT;
  platform::ReadFile source;
  if (const int code = OpenResolved(resolved, SrcPath, source)) return code;
  return services_.Files.CopyFileExclusive(source, PcPath);
}

int32_t TIpodDevice::PcFileSize(const std::string& Path) {
  return static_cast<int32_t>(static_cast<uint32_t>(platform::StatusOf(Path).Size));
}

int32_t TIpodDevice::DeviceFileSize(const std::string& DevPath) {
  // The low 32 bits, as PcFileSize gives them: files of 4 GiB and more
  // compare alike on both sides.
  if (IsIos) return static_cast<int32_t>(static_cast<uint32_t>(IosFileSize(DevPath)));
  std::string file;
  return ResolveDevicePath(DevPath, file) ? PcFileSize(file) : 0;
}

bool TIpodDevice::HasSize(const std::string& PcPath, int32_t Size) {
  return PcFileSize(PcPath) == Size;
}

// The size a file of the destination must have to count as this device
// file: the one the database gives, else the file's own; -1 when neither is
// known.
int64_t TIpodDevice::ExpectedSize(const std::string& DevPath, int32_t Size) {
  if (Size != 0) return static_cast<uint32_t>(Size);
  if (IsIos) {
    const int64_t size = IosFileSize(DevPath);
    return size > 0 ? static_cast<uint32_t>(size) : -1;
  }
  std::string file;
  if (!ResolveDevicePath(DevPath, file)) return -1;
  const platform::FileStatus status = platform::StatusOf(file);
  return status.Kind == platform::FileKind::Missing ? -1 : static_cast<uint32_t>(status.Size);
}

bool TIpodDevice::FindInPlace(const std::string& candidate, int64_t expected,
                              const std::unordered_set<std::string>* claimed) {
  return expected >= 0 && PcFileSize(candidate) == static_cast<int32_t>(expected) &&
         !(claimed && claimed->contains(candidate));
}

bool TIpodDevice::NextPlace(const std::string& base, const std::string& ext, int64_t expected,
                            const std::unordered_set<std::string>* claimed, int& number,
                            std::string& candidate) {
  for (;; ++number) {
    candidate = NumberedFileName(base, number, ext);
    if (!platform::PathExists(candidate)) return false;
    if (FindInPlace(candidate, expected, claimed)) return true;
  }
}

bool TIpodDevice::AlreadyCopied(const std::string& DevPath, std::string& DestBase, int32_t Size,
                                const std::unordered_set<std::string>* Claimed) {
  int number = 0;
  std::string candidate;
  if (!NextPlace(DestBase, std::string(PathExtension(DevPath)), ExpectedSize(DevPath, Size),
                 Claimed, number, candidate)) {
    return false;
  }
  DestBase = candidate;
  return true;
}

int TIpodDevice::CopyWithFreeName(const std::string& DevPath, std::string& DestBase, int32_t Size,
                                  const std::unordered_set<std::string>* Claimed) {
  const std::string ext(PathExtension(DevPath));
  const int64_t expected = ExpectedSize(DevPath, Size);
  std::string candidate;
  for (int number = 0;; ++number) {
    if (NextPlace(DestBase, ext, expected, Claimed, number, candidate)) {
      DestBase = candidate;
      return 0;
    }
    const int code = CopyDeviceFile(DevPath, candidate);
    // A name another run took between the look and the copy: the next one.
    if (code == EEXIST) continue;
    DestBase = candidate;
    return code;
  }
}

int TIpodDevice::CopyItemOrFolder(const std::string& DevPath, std::string& DestBase,
                                  bool& WasFolder, int32_t Size) {
  WasFolder = false;
  if (!IsIos) return kNothingCopied;
  std::string afcPath;
  if (IosPath(DevPath, afcPath) && ios_->IsDirectory(afcPath)) {
    WasFolder = true;
    return CopyDeviceFolder(afcPath + "/", DestBase);
  }
  return CopyWithFreeName(DevPath, DestBase, Size);
}

bool TIpodDevice::DeviceFileExists(const std::string& Path) {
  if (IsIos) {
    std::string afcPath;
    return IosPath(Path, afcPath) && ios_->PathExists(afcPath);
  }
  std::string file;
  return ResolveDevicePath(Path, file);
}

bool TIpodDevice::OpenThumbFile(const std::string& Name, int32_t) {
  if (IsIos)
    return IosOpenThumb({"/Photos/Thumbs/" + Name + ".ithmb", "/PhotoData/Thumbnails/" + Name});
  return OpenThumbStore("/Photos/Thumbs/" + Name + ".ithmb", Name);
}

bool TIpodDevice::OpenIosThumbFile(const std::string& FileName) {
  if (IsIos) return IosOpenThumb({"/PhotoData/Thumbnails/" + FileName});
  return OpenThumbStore("/PhotoData/Thumbnails/" + FileName, FileName);
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

bool TIpodDevice::ReadThumb(int32_t Count, TMemoryStream& Stream, int64_t Offset) {
  const std::lock_guard lock(stateMutex_);
  if (IsIos) return IosReadThumb(Count, Stream, Offset);
  if (!thumbFile_.IsOpen() || Offset < 0) {
    AddError("Seek error");
    return false;
  }
  // Never more than the store holds past Offset: a damaged database may ask
  // for any count. The record goes straight into the stream.
  const int64_t available = std::max<int64_t>(thumbFile_.Size() - Offset, 0);
  const auto wanted = static_cast<size_t>(std::clamp<int64_t>(Count, 0, available));
  const size_t start = Stream.Position;
  const size_t before = Stream.Bytes.size();
  Stream.Bytes.resize(std::max(before, start + wanted));
  const size_t done = thumbFile_.ReadAt(Stream.Bytes.data() + start, wanted, Offset);
  Stream.Bytes.resize(std::max(before, start + done));
  Stream.Position = 0;
  return Count >= 0 && done == static_cast<size_t>(Count);
}

void TIpodDevice::CloseThumbFile() {
  const std::lock_guard lock(stateMutex_);
  thumbFile_.Close();
  if (iosThumbSize_ >= 0 && ios_) ios_->CloseFile();
  iosThumbSize_ = -1;
}

void TIpodDevice::GetCameraRollFolder(std::string& Folder) {
  const std::lock_guard lock(stateMutex_);
  Folder = (IsIos ? "" : Drive) + "/DCIM/100APPLE/";
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

int TIpodDevice::ListCameraRoll(std::vector<std::string>& List) {
  // Every file but the .THM companions; a disk-mode iPod's only by "IMG".
  const auto notThm = [](const std::string& n) { return !SameTextAscii(PathExtension(n), ".THM"); };
  const auto image = [&](const std::string& n) { return StartsWithAscii(n, "IMG") && notThm(n); };
  const std::vector<std::string> names =
      IsIos ? IosListFiles("/DCIM/100APPLE/", notThm) : ListDeviceFolder("/DCIM/100APPLE", image);
  List.insert(List.end(), names.begin(), names.end());
  return static_cast<int>(List.size());
}

bool TIpodDevice::ReadCameraThumb(const std::string& Folder, const std::string& FileName,
                                  TMemoryStream& Stream, std::string& Ext) {
  const std::string thm = ChangeExtension(FileName, ".THM");
  if (ReadFullDevicePath(Folder + ".MISC/" + thm, Stream) ||
      ReadFullDevicePath(Folder + thm, Stream)) {
    Ext = ".JPG";
    return true;
  }
  Ext = PathExtension(FileName);
  if (SameTextAscii(Ext, ".mov") || SameTextAscii(Ext, ".wav") || SameTextAscii(Ext, ".aac")) {
    Stream.Clear();
    return true;
  }
  return ReadFullDevicePath(Folder + FileName, Stream);
}

int TIpodDevice::ListRecordings(std::vector<std::string>& List) {
  const auto isMemo = [](const std::string& n) { return SameTextAscii(PathExtension(n), ".m4a"); };
  const std::vector<std::string> names =
      IsIos ? IosListFiles("/Recordings/", isMemo) : ListDeviceFolder("/Recordings", isMemo);
  List.insert(List.end(), names.begin(), names.end());
  return static_cast<int>(List.size());
}

}  // namespace ortelan
