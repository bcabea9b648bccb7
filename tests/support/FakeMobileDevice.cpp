#include "support/FakeMobileDevice.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace ortelan::test {

namespace {

class FakeService : public platform::MobileService {};
class FakeAfc : public platform::AfcConnection {};

// AFC's code for a path that is not there.
constexpr platform::MobileResult kObjectNotFound = 8;

}  // namespace

platform::MobileResult FakeMobileDevice::Step(const std::string& name) {
  Calls.push_back(name);
  const auto failure = Failures.find(name);
  return failure == Failures.end() ? platform::kMobileOk : failure->second;
}

std::string FakeMobileDevice::Local(const std::string& path) const { return Root + "/" + path; }

void FakeMobileDevice::Attach(const std::string& device) {
  Attached.push_back(device);
  if (handler_) handler_({device, platform::DeviceMessage::Attached});
}

void FakeMobileDevice::Detach(const std::string& device) {
  std::erase(Attached, device);
  if (handler_) handler_({device, platform::DeviceMessage::Detached});
}

platform::MobileResult FakeMobileDevice::NotificationSubscribe(
    platform::DeviceNoticeHandler handler) {
  if (const platform::MobileResult code = Step("NotificationSubscribe")) return code;
  handler_ = std::move(handler);
  for (const std::string& device : Attached) handler_({device, platform::DeviceMessage::Attached});
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::StartService(
    const std::string&, const std::string& name,
    std::unique_ptr<platform::MobileService>& service) {
  Paths.push_back(name);
  if (const platform::MobileResult code = Step("StartService")) return code;
  service = std::make_unique<FakeService>();
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::ReadDeviceFacts(const std::string& device,
                                                         platform::DeviceFacts& facts) {
  facts = {"Phone " + device, "iPhone7,2", "8.4"};
  return Step("ReadDeviceFacts");
}

platform::MobileResult FakeMobileDevice::AfcConnectionOpen(
    std::unique_ptr<platform::MobileService> service,
    std::unique_ptr<platform::AfcConnection>& connection) {
  if (const platform::MobileResult code = Step("AfcConnectionOpen")) return code;
  if (!service) return 1;
  connection = std::make_unique<FakeAfc>();
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::AfcConnectionClose(
    std::unique_ptr<platform::AfcConnection>& connection) {
  if (const platform::MobileResult code = Step("AfcConnectionClose")) return code;
  connection.reset();
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::AfcFileInfo(platform::AfcConnection&,
                                                     const std::string& path,
                                                     std::vector<platform::AfcInfoPair>& info) {
  Paths.push_back(path);
  info.clear();
  if (const platform::MobileResult code = Step("AfcFileInfo")) return code;
  struct stat st {};
  if (lstat(Local(path).c_str(), &st) != 0) {
    if (!EndlessFolders || std::filesystem::path(path).filename().string().rfind('d', 0) != 0) {
      return kObjectNotFound;
    }
    st.st_mode = S_IFDIR;  // a made-up folder of an endless listing
  }
  const char* kind = S_ISDIR(st.st_mode)   ? "S_IFDIR"
                     : S_ISREG(st.st_mode) ? "S_IFREG"
                     : S_ISCHR(st.st_mode) ? "S_IFCHR"
                                           : "S_IFLNK";
  const auto size = SizeOverrides.find(path);
  info = {{"st_size", size == SizeOverrides.end() ? std::to_string(st.st_size) : size->second},
          {"st_ifmt", kind}};
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::AfcFileRefOpen(platform::AfcConnection&,
                                                        const std::string& path, uint64_t& file) {
  Paths.push_back(path);
  if (const platform::MobileResult code = Step("AfcFileRefOpen")) return code;
  if (!std::filesystem::is_regular_file(Local(path))) return kObjectNotFound;
  file = nextFile_++;
  files_[file] = {path, 0};
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::AfcFileRefRead(platform::AfcConnection&, uint64_t file,
                                                        uint8_t* buffer, uint32_t& count) {
  const uint32_t room = count;
  count = 0;
  if (const platform::MobileResult code = Step("AfcFileRefRead")) return code;
  if (FailReadsAfter && bytesRead_ >= *FailReadsAfter) return 0xE8000001;
  if (StallReadsAfter && bytesRead_ >= *StallReadsAfter) {
    std::unique_lock lock(stallMutex_);
    const bool aborted =
        stallEnded_.wait_for(lock, std::chrono::seconds(30), [&] { return Aborts > 0; });
    return aborted ? platform::kMobileStopped : platform::kMobileTimedOut;
  }
  const auto open = files_.find(file);
  if (open == files_.end()) return 7;
  std::ifstream in(Local(open->second.Path), std::ios::binary);
  in.seekg(open->second.Position);
  const uint32_t wanted = std::min(room, ReadLimit.value_or(room));
  in.read(reinterpret_cast<char*>(buffer), wanted);
  count = static_cast<uint32_t>(std::max<std::streamsize>(in.gcount(), 0));
  open->second.Position += count;
  bytesRead_ += count;
  ReadSizes.push_back(count);
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::AfcFileRefSeek(platform::AfcConnection&, uint64_t file,
                                                        int64_t offset) {
  if (const platform::MobileResult code = Step("AfcFileRefSeek")) return code;
  const auto open = files_.find(file);
  if (open == files_.end() || offset < 0) return 7;
  open->second.Position = offset;
  return platform::kMobileOk;
}

platform::MobileResult FakeMobileDevice::AfcFileRefClose(platform::AfcConnection&, uint64_t file) {
  files_.erase(file);
  return Step("AfcFileRefClose");
}

platform::MobileResult FakeMobileDevice::AfcReadDirectory(platform::AfcConnection&,
                                                          const std::string& path,
                                                          std::vector<std::string>& names) {
  Paths.push_back(path);
  names.clear();
  if (const platform::MobileResult code = Step("AfcReadDirectory")) return code;
  std::error_code error;
  std::filesystem::directory_iterator it(Local(path), error);
  if (error && !EndlessFolders) return kObjectNotFound;
  names = {".", ".."};
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin() + 2, names.end());
  if (const auto extra = ExtraNames.find(path); extra != ExtraNames.end()) {
    names.insert(names.end(), extra->second.begin(), extra->second.end());
  }
  for (size_t i = 0; EndlessFolders && i < *EndlessFolders; ++i)
    names.push_back("d" + std::to_string(i));
  return platform::kMobileOk;
}

void FakeMobileDevice::AfcAbort(platform::AfcConnection&) {
  {
    const std::lock_guard lock(stallMutex_);
    ++Aborts;
  }
  stallEnded_.notify_all();
}

bool FakeMobileDevice::ConvertPlistToXml(const std::string& src, const std::string& dst) {
  if (Step("ConvertPlistToXml") != platform::kMobileOk) return false;
  // The conversion itself is libplist's, as in the program.
  return platform::ProcessMobileDevice()->ConvertPlistToXml(src, dst);
}

}  // namespace ortelan::test
