#pragma once

// The parts of binding Apple's Mobile Device library on Windows that need no
// Windows: where its files are looked for, which generation a version is,
// the service name in the older generation's inline form, and which entry
// points must be bound. The Windows binding (win32/) gives these its probes.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan::platform::binding {

constexpr const char* kMobileDeviceDll = "iTunesMobileDevice.dll";
constexpr const char* kCoreFoundationDll = "CoreFoundation.dll";

// Version 238.9 (major << 16 | minor) and later come with CoreFoundation and
// take service names as its string objects.
constexpr uint32_t kNewDeviceApiVersion = 0x00EE0009;

// `version`: the high 32 bits of the file's fixed version; none when the
// file carries no version information, which counts as new.
bool IsNewDeviceApi(std::optional<uint32_t> version);

// A service name as the older generation takes it in place of a string
// object: n + 10 bytes for a name of n bytes.
std::vector<uint8_t> BuildInlineCFString(std::string_view name);

// What the file search asks of the system.
struct FileProbes {
  std::function<bool(const std::string& path)> FileExists;
  // The common program files folder, without a trailing separator.
  std::string CommonProgramFiles;
  // A string value of the machine-wide registry; empty when missing.
  std::function<std::string(const std::string& key, const std::string& value)> ReadMachineString;
  // The high 32 bits of a file's fixed version; none without version
  // information.
  std::function<std::optional<uint32_t>(const std::string& path)> FileVersion;
};

struct LocatedFiles {
  std::string MobileDevicePath;
  std::string CoreFoundationPath;  // empty for the older generation
  bool NewDeviceApi = false;
  // To be appended to the process's "path" so that the libraries find their
  // own; empty when they lie in the current folder.
  std::string SearchPathAddition;
};

// The files in the order of the program files, the registry and the fixed
// places; false when the library (or, for the newer generation,
// CoreFoundation) is nowhere.
bool FindMobileDeviceFiles(const FileProbes& probes, LocatedFiles& found);

enum class Module : uint8_t { MobileDevice, CoreFoundation };

struct EntryPoint {
  const char* Name;
  Module In;
  bool NewerOnly;  // bound only with the newer generation
  bool Required;
};

// Every entry point the program binds.
std::span<const EntryPoint> EntryPoints();

// True when every entry point required of this generation is bound.
bool BindingComplete(bool newDeviceApi, const std::function<bool(const EntryPoint&)>& bound);

}  // namespace ortelan::platform::binding
