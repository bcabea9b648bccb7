// File operations on a disk-mode iPod: copies, sizes, fetches, thumbnail
// stores, camera roll and recordings.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "device/DevicePaths.h"
#include "device/iPodDev.h"
#include "util/Text.h"

namespace ortelan {

namespace {

bool PcPathExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

std::string ChangeExtension(const std::string& name, const std::string& ext) {
  const size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + ext;
}

}  // namespace

int TIpodDevice::CopyDeviceFile(const std::string& DevPath, const std::string& PcPath) {
  std::string source;
  if (!ResolveDevicePath(DevPath, source)) return ENOENT;
  return services_.Files.CopyFileExclusive(source, PcPath);
}

int TIpodDevice::CopyCameraFile(const std::string& SrcPath, const std::string& PcPath) {
  std::string source;
  if (!ResolveFullPath(SrcPath, source)) return ENOENT;
  return services_.Files.CopyFileExclusive(source, PcPath);
}

int32_t TIpodDevice::PcFileSize(const std::string& Path) {
  struct stat info {};
  if (stat(Path.c_str(), &info) != 0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(info.st_size));
}

int32_t TIpodDevice::DeviceFileSize(const std::string& DevPath) {
  std::string file;
  return ResolveDevicePath(DevPath, file) ? PcFileSize(file) : 0;
}

bool TIpodDevice::HasSize(const std::string& PcPath, int32_t Size) {
  return PcFileSize(PcPath) == Size;
}

int TIpodDevice::CopyWithFreeName(const std::string& DevPath, std::string& DestBase, int32_t Size) {
  const std::string ext(PathExtension(DevPath));
  std::string candidate = DestBase + ext;
  for (int n = 1; PcPathExists(candidate); ++n) {
    if (HasSize(candidate, Size)) {
      DestBase = candidate;
      return 0;
    }
    candidate = DestBase + std::to_string(n) + ext;
  }
  DestBase = candidate;
  return CopyDeviceFile(DevPath, DestBase);
}

int TIpodDevice::CopyItemOrFolder(const std::string&, std::string&, bool& WasFolder, int32_t) {
  WasFolder = false;
  return 1;
}

bool TIpodDevice::DeviceFileExists(const std::string& Path) {
  std::string file;
  return ResolveDevicePath(Path, file);
}

// The books lists exist only on iOS devices.
void TIpodDevice::FetchBooksPlist(bool, std::string& LocalPath) { LocalPath.clear(); }

bool TIpodDevice::OpenThumbFile(const std::string& Name, int32_t) {
  CloseThumbFile();
  std::string file;
  if (ResolveDevicePath("/Photos/Thumbs/" + Name + ".ithmb", file)) {
    thumbFile_ = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  }
  struct stat info {};
  if (thumbFile_ >= 0 && fstat(thumbFile_, &info) != 0) CloseThumbFile();
  if (thumbFile_ < 0) {
    AddError("File not found: " + Name);
    return false;
  }
  thumbFileSize_ = info.st_size;
  return true;
}

bool TIpodDevice::ReadThumb(int32_t Count, TMemoryStream& Stream, int64_t Offset) {
  if (thumbFile_ < 0 || Offset < 0) {
    AddError("Seek error");
    return false;
  }
  // Never more than the store holds past Offset: a damaged database may ask
  // for any count. The record goes straight into the stream.
  const int64_t available = std::max<int64_t>(thumbFileSize_ - Offset, 0);
  const auto wanted = static_cast<size_t>(std::clamp<int64_t>(Count, 0, available));
  const size_t start = Stream.Position;
  const size_t before = Stream.Bytes.size();
  Stream.Bytes.resize(std::max(before, start + wanted));
  size_t done = 0;
  while (done < wanted) {
    const ssize_t got = pread(thumbFile_, Stream.Bytes.data() + start + done, wanted - done,
                              static_cast<off_t>(Offset + static_cast<int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  Stream.Bytes.resize(std::max(before, start + done));
  Stream.Position = 0;
  return Count >= 0 && done == static_cast<size_t>(Count);
}

void TIpodDevice::CloseThumbFile() {
  if (thumbFile_ >= 0) close(thumbFile_);
  thumbFile_ = -1;
  thumbFileSize_ = 0;
}

void TIpodDevice::GetCameraRollFolder(std::string& Folder) { Folder = Drive + "/DCIM/100APPLE/"; }

// Plain, visible files of a device folder that `keep` accepts, by name.
std::vector<std::string> TIpodDevice::ListDeviceFolder(
    const std::string& folder, const std::function<bool(const std::string&)>& keep) {
  std::vector<std::string> names;
  std::string dirPath;
  if (!ResolveDevicePath(folder, dirPath)) return names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(dirPath.c_str()), closedir);
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    struct stat info {};
    if (name.empty() || name[0] == '.') continue;
    if (lstat((dirPath + "/" + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (keep(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int TIpodDevice::ListCameraRoll(std::vector<std::string>& List) {
  for (const std::string& name : ListDeviceFolder("/DCIM/100APPLE", [](const std::string& n) {
         return StartsWithAscii(n, "IMG") && !SameTextAscii(PathExtension(n), ".THM");
       })) {
    List.push_back(name);
  }
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
  for (const std::string& name : ListDeviceFolder("/Recordings", [](const std::string& n) {
         return SameTextAscii(PathExtension(n), ".m4a");
       })) {
    List.push_back(name);
  }
  return static_cast<int>(List.size());
}

}  // namespace ortelan
