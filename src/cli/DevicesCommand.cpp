// ortelan-cli devices: the iPods and iOS devices that are connected, or the
// folders given.

#include <cstdio>

#include "cli/CliSupport.h"
#include "cli/Commands.h"

namespace ortelan::cli {

namespace {

struct IpodInfo {
  platform::Volume Vol;
  uint64_t FreeBytes = 0;
  bool HasItunesDb = false;
  bool HasItunesCdb = false;
  bool HasPhotoDatabase = false;
};

std::vector<IpodInfo> FindIpods(DeviceSession& session) {
  std::vector<IpodInfo> found;
  auto files = platform::MakeFileSystem();
  TIpodDevice& device = session.Device();
  for (const platform::Volume& volume : session.Volumes()) {
    if (!device.ProbeDrive(volume)) continue;
    IpodInfo info{volume};
    files->FreeSpace(volume.MountPoint, info.FreeBytes);
    info.HasItunesDb = device.DeviceFileExists("/iPod_Control/iTunes/iTunesDB");
    info.HasItunesCdb = device.DeviceFileExists("/iPod_Control/iTunes/iTunesCDB");
    info.HasPhotoDatabase = device.DeviceFileExists("/Photos/Photo Database");
    found.push_back(info);
  }
  return found;
}

struct IosInfo {
  std::string Udid;
  platform::DeviceFacts Facts;
};

std::vector<IosInfo> FindIosDevices(DeviceSession& session) {
  std::vector<IosInfo> found;
  platform::MobileDeviceApi* mobile = session.Mobile();
  if (!mobile) return found;
  for (const std::string& udid : mobile->AttachedDevices()) {
    IosInfo info{udid, {}};
    mobile->ReadDeviceFacts(udid, info.Facts);
    found.push_back(info);
  }
  return found;
}

const char* YesNo(bool value) { return value ? "yes" : "no"; }
const char* TrueFalse(bool value) { return value ? "true" : "false"; }

void PrintJson(const std::vector<IpodInfo>& ipods, const std::vector<IosInfo>& phones) {
  std::printf("{\"devices\": [");
  for (size_t i = 0; i < ipods.size(); ++i) {
    const IpodInfo& d = ipods[i];
    std::printf(
        "%s{\"kind\": \"disk-mode\", \"mount_point\": %s, \"volume_name\": %s, \"free_bytes\": "
        "%llu, "
        "\"itunesdb\": %s, \"itunescdb\": %s, \"photo_database\": %s}",
        i ? ", " : "", JsonString(d.Vol.MountPoint).c_str(), JsonString(d.Vol.Label).c_str(),
        static_cast<unsigned long long>(d.FreeBytes), TrueFalse(d.HasItunesDb),
        TrueFalse(d.HasItunesCdb), TrueFalse(d.HasPhotoDatabase));
  }
  for (size_t i = 0; i < phones.size(); ++i) {
    const IosInfo& d = phones[i];
    std::printf(
        "%s{\"kind\": \"ios\", \"name\": %s, \"product_type\": %s, \"ios_version\": %s, "
        "\"udid\": %s}",
        i + ipods.size() ? ", " : "", JsonString(d.Facts.Name).c_str(),
        JsonString(d.Facts.ProductType).c_str(), JsonString(d.Facts.Version).c_str(),
        JsonString(d.Udid).c_str());
  }
  std::printf("]}\n");
}

void PrintTable(const std::vector<IpodInfo>& ipods, const std::vector<IosInfo>& phones) {
  for (const IosInfo& d : phones) {
    std::printf("%s\n  product type:   %s\n  iOS version:    %s\n  UDID:           %s\n",
                Shown(d.Facts.Name).c_str(), Shown(d.Facts.ProductType).c_str(),
                Shown(d.Facts.Version).c_str(), Shown(d.Udid).c_str());
  }
  if (ipods.empty() && phones.empty()) {
    std::printf("No iPod found.\n");
    return;
  }
  for (const IpodInfo& d : ipods) {
    std::printf("%s\n  volume name:    %s\n  free space:     %s\n", Shown(d.Vol.MountPoint).c_str(),
                Shown(d.Vol.Label).c_str(),
                TIpodDevice::FormatSize(static_cast<int64_t>(d.FreeBytes)).c_str());
    std::printf("  iTunesDB:       %s\n  iTunesCDB:      %s\n  Photo Database: %s\n",
                YesNo(d.HasItunesDb), YesNo(d.HasItunesCdb), YesNo(d.HasPhotoDatabase));
  }
}

}  // namespace

int DevicesCommand(Arguments args) {
  const bool json = args.Flag("--json");
  const std::vector<std::string> folders = args.Values("--device");
  args.ExpectEmpty();
  DeviceSession session(folders);
  const std::vector<IpodInfo> ipods = FindIpods(session);
  const std::vector<IosInfo> phones = FindIosDevices(session);
  json ? PrintJson(ipods, phones) : PrintTable(ipods, phones);
  return ipods.empty() && phones.empty() ? kExitNotFound : kExitOk;
}

}  // namespace ortelan::cli
