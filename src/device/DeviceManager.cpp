// Device state: creation, probing, volume comings and goings, whole-file reads
// and eject.

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

#include "device/DevicePaths.h"
#include "device/iPodDev.h"
#include "platform/FileStatus.h"
#include "util/ByteSizes.h"

namespace ortelan {

namespace {

constexpr const char* kItunesFolder = "/iPod_Control/iTunes/";
constexpr const char* kIosItunesFolder = "/iTunes_Control/iTunes/";
constexpr const char* kPhotosFolder = "/Photos/";

// `size` / 2^shift with two decimals, rounded half to even exactly as printf
// rounds the exact binary value, without printf's cost per track.
std::string FixedTwoDecimals(int64_t size, int shift, const char* unit) {
  const bool negative = size < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(size) : static_cast<uint64_t>(size);
  const uint64_t one = uint64_t{1} << shift;
  const uint64_t scaledRest = (magnitude & (one - 1)) * 100;  // below 2^37
  uint64_t hundredths = (magnitude >> shift) * 100 + (scaledRest >> shift);
  const uint64_t rest = scaledRest & (one - 1);
  if (rest * 2 > one || (rest * 2 == one && (hundredths & 1))) ++hundredths;
  const auto fraction = static_cast<unsigned>(hundredths % 100);
  std::string text = negative ? "-" : "";
  text += std::to_string(static_cast<unsigned long long>(hundredths / 100));
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  text += static_cast<char>('0' + fraction % 10);
  text += ' ';
  return text + unit;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto canonical = std::filesystem::canonical(path, ec);
  return ec ? path : canonical.string();
}

}  // namespace

TIpodDevice::TIpodDevice(TDeviceChangeEvent onDeviceChange, DeviceServices services)
    : OnDeviceChange(std::move(onDeviceChange)), services_(services) {
  StartIosSession();

  // The window thread runs the constructor; a change queued now is handled
  // once it is back in its message loop, after the constructor has returned.
  std::weak_ptr<int> alive = alive_;
  platform::Dispatcher& dispatcher = services_.Dispatcher;
  services_.Volumes.Watch([this, alive, &dispatcher](const platform::VolumeChange& change) {
    dispatcher.Post([this, alive, change] {
      if (alive.lock()) VolumeChanged(change);
    });
  });
}

TIpodDevice::~TIpodDevice() {
  services_.Volumes.StopWatching();
  alive_.reset();
  CloseThumbFile();
  if (EjectOnClose && !IsIos && !Drive.empty()) EjectVolume();
  DeleteWorkCopy(WorkFile);
  ios_.reset();  // unsubscribes: no notification reaches this afterwards
}

void TIpodDevice::AddError(const std::string& text) {
  const std::lock_guard lock(stateMutex_);
  errorLog_ += "\r\n" + text;
}

std::string TIpodDevice::ErrorText() const {
  const std::lock_guard lock(stateMutex_);
  return errorLog_;
}

void TIpodDevice::ClearErrors() {
  const std::lock_guard lock(stateMutex_);
  errorLog_.clear();
}

size_t TIpodDevice::ErrorLogSize() const {
  const std::lock_guard lock(stateMutex_);
  return errorLog_.size();
}

std::string TIpodDevice::ErrorLogFrom(size_t mark) const {
  const std::lock_guard lock(stateMutex_);
  return mark < errorLog_.size() ? errorLog_.substr(mark) : std::string();
}

bool TIpodDevice::ProbeDrive(const platform::Volume& volume) {
  const std::lock_guard lock(stateMutex_);
  const std::string root = volume.MountPoint;
  std::string itunes;
  if (!ResolveUnderRoot(root, Canonical(root), kItunesFolder, itunes)) return false;
  if (platform::StatusOf(itunes).Kind != platform::FileKind::Folder) return false;
  if (root_.Open(root) != 0) return false;
  IsIos = false;
  Drive = root;
  volume_ = volume;
  canonicalRoot_ = Canonical(root);
  folderCache_.Clear();
  return true;
}

bool TIpodDevice::ScanDrives() {
  bool found = false;
  for (const platform::Volume& volume : services_.Volumes.List()) {
    if (ProbeDrive(volume)) {
      Connected = true;
      DiskModeConnected = true;
      found = true;
      break;
    }
  }
  if (found && OnDeviceChange) OnDeviceChange(true, false);
  return found;
}

// Linux has no counterpart of a removal query that an application could
// refuse: a volume is simply gone, so only arrivals and removals are handled.
void TIpodDevice::VolumeChanged(const platform::VolumeChange& change) {
  if (IsIos) return;
  if (change.Arrived) {
    if (Connected || !ProbeDrive(change.Vol)) return;
    Connected = true;
    DiskModeConnected = true;
    if (OnDeviceChange) OnDeviceChange(true, false);
    return;
  }
  if (!Connected || change.Vol.MountPoint != Drive) return;
  AddError("[!]: Lost iPod, please connect iPod to try again");
  Connected = false;
  DiskModeConnected = false;
  IsIos = false;
  {
    // A copy worker may be between two files right now (it stops at its
    // next report): what it reads is let go under the lock.
    const std::lock_guard lock(stateMutex_);
    Drive.clear();
    canonicalRoot_.clear();
    CloseThumbFile();
    root_.Close();
    folderCache_.Clear();
  }
  if (OnDeviceChange) OnDeviceChange(false, false);
}

void TIpodDevice::IosDeviceChanged(bool connected) {
  if (Connected && !IsIos) return;
  Connected = connected;
  IsIos = connected;
  if (connected) DiskModeConnected = false;
  if (OnDeviceChange) OnDeviceChange(connected, true);
}

bool TIpodDevice::ResolveDevicePath(const std::string& devPath, std::string& resolved) const {
  const std::lock_guard lock(stateMutex_);
  return ResolveUnderRoot(Drive, canonicalRoot_, devPath, resolved, &folderCache_);
}

bool TIpodDevice::ResolveFullPath(const std::string& fullPath, std::string& resolved) const {
  const std::lock_guard lock(stateMutex_);
  if (Drive.empty() || fullPath.compare(0, Drive.size(), Drive) != 0) return false;
  return ResolveDevicePath(fullPath.substr(Drive.size()), resolved);
}

int TIpodDevice::OpenResolved(const std::string& resolved, const std::string& shownPath,
                              platform::ReadFile& file) {
  const std::lock_guard lock(stateMutex_);
  const std::string relative =
      resolved.size() > Drive.size() ? resolved.substr(Drive.size() + 1) : std::string();
  const int code = root_.OpenFile(relative, file);
  if (code == platform::kNotRegularFile || code == EISDIR) {
    AddError(platform::ErrorText(code) + ": " + shownPath);
  }
  return code;
}

int TIpodDevice::OpenDeviceFile(const std::string& devPath, platform::ReadFile& file) {
  file.Close();
  std::string resolved;
  if (!ResolveDevicePath(devPath, resolved)) return ENOENT;
  return OpenResolved(resolved, devPath, file);
}

bool TIpodDevice::ReadResolved(const std::string& resolved, const std::string& shownPath,
                               TMemoryStream& stream) {
  stream.Clear();
  if (resolved.empty()) {
    AddError("Not found: " + shownPath);
    return false;
  }
  platform::ReadFile file;
  int code = OpenResolved(resolved, shownPath, file);
  if (code == platform::kNotRegularFile || code == EISDIR) return false;
  if (code == 0) code = file.ReadAll(stream.Bytes, kMaxDatabaseBytes);
  if (code == EFBIG) {
    AddError("File too large: " + shownPath + " (" + std::to_string(file.Size()) +
             " bytes; a database is at most " + std::to_string(kMaxDatabaseBytes >> 20) + " MB)");
    return false;
  }
  if (code != 0) {
    AddError("iPod not found, connect iPod to try again.");
    return false;
  }
  return true;
}

bool TIpodDevice::ReadDeviceFile(const std::string& path, TMemoryStream& stream) {
  if (IsIos) return IosReadFile(path, stream);
  std::string file;
  ResolveDevicePath(path, file);
  return ReadResolved(file, path, stream);
}

bool TIpodDevice::ReadFullDevicePath(const std::string& fullPath, TMemoryStream& stream) {
  // The camera folder of an iOS device is a device path already.
  if (IsIos) return IosReadFile(fullPath, stream);
  std::string file;
  ResolveFullPath(fullPath, file);
  return ReadResolved(file, fullPath, stream);
}

bool TIpodDevice::ReadItunesDb(TMemoryStream& stream, bool& compressed) {
  const std::string folder = IsIos ? kIosItunesFolder : kItunesFolder;
  compressed = true;
  if (ReadDeviceFile(folder + "iTunesCDB", stream)) return true;
  compressed = false;
  return ReadDeviceFile(folder + "iTunesDB", stream);
}

bool TIpodDevice::ReadPhotoDatabase(TMemoryStream& stream) {
  return ReadDeviceFile(std::string(kPhotosFolder) + "Photo Database", stream);
}

bool TIpodDevice::EjectVolume() {
  if (IsIos) return true;
  if (Drive.empty()) return false;
  return services_.Volumes.Eject(volume_);
}

std::string TIpodDevice::FormatSize(int64_t size) {
  if (size < kMiB) return FixedTwoDecimals(size, 10, "KB");
  if (size <= kGiB) return FixedTwoDecimals(size, 20, "MB");
  return FixedTwoDecimals(size, 30, "GB");
}

}  // namespace ortelan
