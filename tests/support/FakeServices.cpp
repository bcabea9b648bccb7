#include "support/FakeServices.h"

#include <algorithm>
#include <filesystem>

namespace ortelan::test {

platform::Volume VolumeAt(const std::string& mountPoint) {
  return platform::Volume{mountPoint, "/dev/fake" + std::to_string(mountPoint.size()),
                          std::filesystem::path(mountPoint).filename().string(), false};
}

void FakeVolumeSource::Arrive(const platform::Volume& volume) {
  Present.push_back(volume);
  if (handler_) handler_(platform::VolumeChange{true, volume});
}

void FakeVolumeSource::Remove(const std::string& mountPoint) {
  const auto it = std::find_if(Present.begin(), Present.end(), [&](const platform::Volume& v) {
    return v.MountPoint == mountPoint;
  });
  if (it == Present.end()) return;
  const platform::Volume gone = *it;
  Present.erase(it);
  if (handler_) handler_(platform::VolumeChange{false, gone});
}

int FaultyFileSystem::BeginCopy(const platform::ReadFile& source, const std::string& dest) {
  ++Copies;
  written_ = 0;
  if (Refuse) {
    if (const int code = Refuse(source.Path(), dest)) return code;
  }
  failThisCopy_ = FailAfterBytes && (!FailOnly || FailOnly(dest));
  return 0;
}

int FaultyFileSystem::CopyFileExclusive(platform::ReadFile& source, const std::string& dest) {
  if (const int code = BeginCopy(source, dest)) return code;
  return LinuxFileSystem::CopyFileExclusive(source, dest);
}

int FaultyFileSystem::CopyWorkFile(platform::ReadFile& source, const std::string& dest) {
  if (const int code = BeginCopy(source, dest)) return code;
  return LinuxFileSystem::CopyWorkFile(source, dest);
}

int FaultyFileSystem::WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) {
  if (RefuseWrite) {
    if (const int code = RefuseWrite(dest)) return code;
  }
  return LinuxFileSystem::WriteFileExclusive(dest, bytes);
}

bool FaultyFileSystem::FreeSpace(const std::string& path, uint64_t& bytes) {
  if (!FreeBytes) return LinuxFileSystem::FreeSpace(path, bytes);
  bytes = *FreeBytes;
  return true;
}

ssize_t FaultyFileSystem::CopyChunk(int in, int out, size_t max) {
  if (failThisCopy_) {
    if (written_ >= *FailAfterBytes) {
      errno = FailErrno;
      return -1;
    }
    max = std::min<uint64_t>(max, *FailAfterBytes - written_);
  }
  const ssize_t moved = LinuxFileSystem::CopyChunk(in, out, max);
  if (moved > 0) written_ += static_cast<uint64_t>(moved);
  return moved;
}

DeviceFixture::DeviceFixture(platform::MobileDeviceApi* mobile) {
  Device = std::make_unique<TIpodDevice>(
      [this](bool connected, bool fromIos) { Calls.emplace_back(connected, fromIos); },
      DeviceServices{Volumes, Files, Dispatcher, mobile});
}

void DeviceFixture::MakeIpodTree(const std::string& root) {
  std::filesystem::create_directories(root + "/iPod_Control/iTunes");
}

bool DeviceFixture::ConnectIpodAt(const std::string& root) {
  MakeIpodTree(root);
  Volumes.Present = {VolumeAt(root)};
  const bool found = Device->ScanDrives();
  Device->ClearErrors();
  return found;
}

}  // namespace ortelan::test
