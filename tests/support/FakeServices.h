#pragma once

// Stand-ins for the platform services: volumes that come and go on command
// and a file system whose copies and free space fail on demand.

#include <cerrno>
#include <functional>
#include <mutex>
#include <optional>

#include "device/iPodDev.h"
#include "platform/QueueDispatcher.h"
#include "platform/linux/LinuxFileSystem.h"

namespace ortelan::test {

class FakeVolumeSource : public platform::VolumeSource {
 public:
  std::vector<platform::Volume> Present;
  int Ejected = 0;

  std::vector<platform::Volume> List() override { return Present; }
  void Watch(ChangeHandler onChange) override { handler_ = std::move(onChange); }
  void StopWatching() override { handler_ = nullptr; }
  bool Eject(const platform::Volume&) override {
    ++Ejected;
    return true;
  }

  // Mounts or unmounts a volume and reports it as the watcher thread would.
  void Arrive(const platform::Volume& volume);
  void Remove(const std::string& mountPoint);

 private:
  ChangeHandler handler_;
};

platform::Volume VolumeAt(const std::string& mountPoint);

// The real Linux copy with faults injected at the chunk level.
class FaultyFileSystem : public platform::LinuxFileSystem {
 public:
  // Fail the copy with `FailErrno` once this many bytes have been written,
  // for every copy or, when FailOnly is set, for the copies it accepts.
  std::optional<uint64_t> FailAfterBytes;
  int FailErrno = ENOSPC;
  std::function<bool(const std::string& dest)> FailOnly;
  // When it gives a code other than 0, the copy fails with it at once.
  std::function<int(const std::string& source, const std::string& dest)> Refuse;
  // The same for a file written from memory (an exported photo).
  std::function<int(const std::string& dest)> RefuseWrite;
  // Reported instead of the real free space when set.
  std::optional<uint64_t> FreeBytes;
  int Copies = 0;

  int CopyFileExclusive(platform::ReadFile& source, const std::string& dest) override;
  int CopyWorkFile(platform::ReadFile& source, const std::string& dest) override;
  int WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) override;
  bool FreeSpace(const std::string& path, uint64_t& bytes) override;

 protected:
  ssize_t CopyChunk(int in, int out, size_t max) override;

 private:
  // Counts the copy and applies the faults asked for; a code other than 0
  // ends the copy at once.
  int BeginCopy(const platform::ReadFile& source, const std::string& dest);
  uint64_t written_ = 0;
  bool failThisCopy_ = false;
};

// A device manager over fakes, with every callback recorded.
struct DeviceFixture {
  FakeVolumeSource Volumes;
  FaultyFileSystem Files;
  platform::QueueDispatcher Dispatcher;
  std::vector<std::pair<bool, bool>> Calls;
  std::unique_ptr<TIpodDevice> Device;

  // With `mobile`, iOS devices are reached through it.
  explicit DeviceFixture(platform::MobileDeviceApi* mobile = nullptr);
  // Makes `root` look like a disk-mode iPod.
  static void MakeIpodTree(const std::string& root);
  // Makes `root` an iPod, the only volume present, and connects to it.
  bool ConnectIpodAt(const std::string& root);
};

}  // namespace ortelan::test
