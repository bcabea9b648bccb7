#include "platform/MobileDeviceBinding.h"

#include <array>

namespace ortelan::platform::binding {

namespace {

constexpr const char* kMobileDeviceSupport = "\\Apple\\Mobile Device Support\\";
constexpr const char* kMobileDeviceBin = "\\Apple\\Mobile Device Support\\bin\\";
constexpr const char* kApplicationSupport = "\\Apple\\Apple Application Support\\";

constexpr std::array kEntryPoints = {
    EntryPoint{"__CFStringMakeConstantString", Module::CoreFoundation, true, true},
    EntryPoint{"AMDeviceStartService", Module::MobileDevice, false, true},
    EntryPoint{"CFStringCreateWithCString", Module::CoreFoundation, true, false},
    EntryPoint{"CFURLCreateWithFileSystemPath", Module::CoreFoundation, true, false},
    EntryPoint{"CFURLCreateDataAndPropertiesFromResource", Module::CoreFoundation, true, false},
    EntryPoint{"CFPropertyListCreateFromXMLData", Module::CoreFoundation, true, false},
    EntryPoint{"CFPropertyListCreateXMLData", Module::CoreFoundation, true, false},
    EntryPoint{"CFURLWriteDataAndPropertiesToResource", Module::CoreFoundation, true, false},
    EntryPoint{"CFRelease", Module::CoreFoundation, true, false},
    EntryPoint{"AMDeviceNotificationSubscribe", Module::MobileDevice, false, true},
    EntryPoint{"AMDeviceConnect", Module::MobileDevice, false, true},
    EntryPoint{"AMDevicePair", Module::MobileDevice, false, true},
    EntryPoint{"AMDeviceIsPaired", Module::MobileDevice, false, true},
    EntryPoint{"AMDeviceValidatePairing", Module::MobileDevice, false, true},
    EntryPoint{"AMDeviceStartSession", Module::MobileDevice, false, true},
    EntryPoint{"AMDeviceStopSession", Module::MobileDevice, false, true},
    EntryPoint{"AMDeviceDisconnect", Module::MobileDevice, false, true},
    EntryPoint{"AFCConnectionOpen", Module::MobileDevice, false, true},
    EntryPoint{"AFCConnectionClose", Module::MobileDevice, false, true},
    EntryPoint{"AFCFileInfoOpen", Module::MobileDevice, false, true},
    EntryPoint{"AFCKeyValueRead", Module::MobileDevice, false, true},
    EntryPoint{"AFCKeyValueClose", Module::MobileDevice, false, true},
    EntryPoint{"AFCFileRefOpen", Module::MobileDevice, false, true},
    EntryPoint{"AFCFileRefRead", Module::MobileDevice, false, true},
    EntryPoint{"AFCFileRefSeek", Module::MobileDevice, false, true},
    EntryPoint{"AFCFileRefClose", Module::MobileDevice, false, true},
    EntryPoint{"AFCDirectoryOpen", Module::MobileDevice, false, true},
    EntryPoint{"AFCDirectoryRead", Module::MobileDevice, false, true},
    EntryPoint{"AFCDirectoryClose", Module::MobileDevice, false, true},
};

// The first of `candidates` that exists; empty when none does. Empty
// candidates (a registry value that is missing) are passed over.
std::string FirstExisting(const FileProbes& probes, const std::vector<std::string>& candidates) {
  for (const std::string& candidate : candidates) {
    if (!candidate.empty() && probes.FileExists(candidate)) return candidate;
  }
  return {};
}

std::string WithFile(const std::string& folder, const char* file) {
  return folder.empty() ? std::string() : folder + "\\" + file;
}

}  // namespace

bool IsNewDeviceApi(std::optional<uint32_t> version) {
  return !version || *version >= kNewDeviceApiVersion;
}

std::vector<uint8_t> BuildInlineCFString(std::string_view name) {
  std::vector<uint8_t> bytes(name.size() + 10, 0);
  bytes[4] = 0x8C;
  bytes[5] = 0x07;
  bytes[6] = 0x01;
  bytes[8] = static_cast<uint8_t>(name.size() & 0xFF);
  for (size_t i = 0; i < name.size(); ++i) bytes[9 + i] = static_cast<uint8_t>(name[i]);
  return bytes;
}

bool FindMobileDeviceFiles(const FileProbes& probes, LocatedFiles& found) {
  found = {};
  if (probes.FileExists(kMobileDeviceDll)) {
    found.MobileDevicePath = kMobileDeviceDll;
    found.CoreFoundationPath = kCoreFoundationDll;
    found.NewDeviceApi = IsNewDeviceApi(probes.FileVersion(kMobileDeviceDll));
    return true;
  }
  const std::string& common = probes.CommonProgramFiles;
  found.MobileDevicePath = FirstExisting(
      probes,
      {common + kMobileDeviceSupport + kMobileDeviceDll,
       common + kMobileDeviceBin + kMobileDeviceDll,
       probes.ReadMachineString("SOFTWARE\\Apple Inc.\\Apple Mobile Device Support\\Shared",
                                kMobileDeviceDll),
       std::string("C:\\Program Files\\Apple\\Mobile Device Support\\") + kMobileDeviceDll,
       std::string("C:\\Program Files\\Apple\\Mobile Device Support\\bin\\") + kMobileDeviceDll});
  if (found.MobileDevicePath.empty()) return false;
  found.NewDeviceApi = IsNewDeviceApi(probes.FileVersion(found.MobileDevicePath));
  if (found.NewDeviceApi) {
    found.CoreFoundationPath = FirstExisting(
        probes, {common + kApplicationSupport + kCoreFoundationDll,
                 WithFile(probes.ReadMachineString(
                              "SOFTWARE\\Apple Inc.\\Apple Application Support", "InstallDir"),
                          kCoreFoundationDll),
                 std::string("C:\\Program Files\\\\Apple\\Apple Application Support\\") +
                     kCoreFoundationDll});
    if (found.CoreFoundationPath.empty()) return false;
  }
  found.SearchPathAddition = ";" + common + kMobileDeviceBin + ";" + common + kMobileDeviceSupport +
                             ";" + common + kApplicationSupport;
  return true;
}

std::span<const EntryPoint> EntryPoints() { return kEntryPoints; }

bool BindingComplete(bool newDeviceApi, const std::function<bool(const EntryPoint&)>& bound) {
  for (const EntryPoint& entry : kEntryPoints) {
    if (entry.NewerOnly && !newDeviceApi) continue;
    if (entry.Required && !bound(entry)) return false;
  }
  return true;
}

}  // namespace ortelan::platform::binding
