#pragma once

// A mobile-device library whose AFC side serves a folder of this machine, with
// every step of the connection sequence and every file call able to fail on
// demand, and the calls it got recorded.

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/MobileDevice.h"

namespace ortelan::test {

class FakeMobileDevice : public platform::MobileDeviceApi {
 public:
  explicit FakeMobileDevice(std::string root) : Root(std::move(root)) {}

  std::string Root;  // served as the device's media folder
  // Calls by name ("Connect", "Pair", "AfcFileRefRead" ...) that fail with
  // the code given.
  std::map<std::string, platform::MobileResult> Failures;
  bool Paired = true;
  // Each read gives at most this many bytes, when set.
  std::optional<uint32_t> ReadLimit;
  // Reads fail once this many bytes have been read from files, when set.
  std::optional<uint64_t> FailReadsAfter;
  // Once this many bytes have been read, a read waits for the device that
  // never answers: until AfcAbort (then kMobileStopped) or 30 s.
  std::optional<uint64_t> StallReadsAfter;
  // The size a path's information gives, in place of the file's own (a
  // device whose files end early or go on past their size).
  std::map<std::string, std::string> SizeOverrides;
  // Names a folder's listing gives besides what the folder holds (names no
  // real folder can hold: "../x", "a/b", control characters).
  std::map<std::string, std::vector<std::string>> ExtraNames;
  // Every folder listing gives this many more made-up folders, when set (a
  // listing without end).
  std::optional<size_t> EndlessFolders;
  std::atomic<int> Aborts{0};
  // Every call, by name, and every path an AFC call was given.
  std::vector<std::string> Calls;
  std::vector<std::string> Paths;
  std::vector<std::string> Attached;

  // Reports a device coming or going, as the library's thread does.
  void Attach(const std::string& device);
  void Detach(const std::string& device);

  std::vector<std::string> AttachedDevices() override { return Attached; }
  platform::MobileResult NotificationSubscribe(platform::DeviceNoticeHandler handler) override;
  void NotificationUnsubscribe() override { handler_ = nullptr; }
  platform::MobileResult Connect(const std::string&) override { return Step("Connect"); }
  bool IsPaired(const std::string&) override {
    Calls.push_back("IsPaired");
    return Paired;
  }
  platform::MobileResult ValidatePairing(const std::string&) override {
    return Step("ValidatePairing");
  }
  platform::MobileResult Pair(const std::string&) override { return Step("Pair"); }
  platform::MobileResult StartSession(const std::string&) override { return Step("StartSession"); }
  platform::MobileResult StartService(const std::string& device, const std::string& name,
                                      std::unique_ptr<platform::MobileService>& service) override;
  void StopSession(const std::string&) override { Step("StopSession"); }
  void Disconnect(const std::string&) override { Step("Disconnect"); }
  platform::MobileResult ReadDeviceFacts(const std::string& device,
                                         platform::DeviceFacts& facts) override;
  platform::MobileResult AfcConnectionOpen(
      std::unique_ptr<platform::MobileService> service,
      std::unique_ptr<platform::AfcConnection>& connection) override;
  platform::MobileResult AfcConnectionClose(
      std::unique_ptr<platform::AfcConnection>& connection) override;
  platform::MobileResult AfcFileInfo(platform::AfcConnection&, const std::string& path,
                                     std::vector<platform::AfcInfoPair>& info) override;
  platform::MobileResult AfcFileRefOpen(platform::AfcConnection&, const std::string& path,
                                        uint64_t& file) override;
  platform::MobileResult AfcFileRefRead(platform::AfcConnection&, uint64_t file, uint8_t* buffer,
                                        uint32_t& count) override;
  platform::MobileResult AfcFileRefSeek(platform::AfcConnection&, uint64_t file,
                                        int64_t offset) override;
  platform::MobileResult AfcFileRefClose(platform::AfcConnection&, uint64_t file) override;
  platform::MobileResult AfcReadDirectory(platform::AfcConnection&, const std::string& path,
                                          std::vector<std::string>& names) override;
  void AfcAbort(platform::AfcConnection&) override;
  bool ConvertPlistToXml(const std::string& src, const std::string& dst) override;

  uint64_t BytesRead() const { return bytesRead_; }
  // The bytes each read gave.
  std::vector<uint32_t> ReadSizes;

 private:
  platform::MobileResult Step(const std::string& name);
  std::string Local(const std::string& path) const;

  platform::DeviceNoticeHandler handler_;
  struct OpenFile {
    std::string Path;
    int64_t Position = 0;
  };
  std::map<uint64_t, OpenFile> files_;
  uint64_t nextFile_ = 1;
  uint64_t bytesRead_ = 0;
  std::mutex stallMutex_;
  std::condition_variable stallEnded_;
};

}  // namespace ortelan::test
