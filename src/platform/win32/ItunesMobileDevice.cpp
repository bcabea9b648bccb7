// The mobile-device library on Windows: Apple's iTunesMobileDevice.dll (and,
// from version 238.9 on, CoreFoundation.dll), found where iTunes installs
// them, loaded at run time and bound by name. Built on Windows only.

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/MobileDevice.h"
#include "platform/MobileDeviceBinding.h"

namespace ortelan::platform {

namespace {

// What the library hands the notification callback.
struct AmNotification {
  void* Device;
  uint32_t Message;
};
using AmCallback = void(__cdecl*)(AmNotification* info, void* context);

using Subscribe_t = int(__cdecl*)(AmCallback, uint32_t, uint32_t, uint32_t, void**);
using DeviceCall_t = int(__cdecl*)(void* device);
using StartService_t = int(__cdecl*)(void* device, const void* name, void** service,
                                     uint32_t* unknown);
using MakeConstantString_t = const void*(__cdecl*)(const char* text);
using ConnectionOpen_t = int(__cdecl*)(void* service, uint32_t timeout, void** connection);
using ConnectionClose_t = int(__cdecl*)(void* connection);
using PathOpen_t = int(__cdecl*)(void* connection, const char* path, void** handle);
using KeyValueRead_t = int(__cdecl*)(void* dictionary, char** key, char** value);
using HandleClose_t = int(__cdecl*)(void* handle);
using FileRefOpen_t = int(__cdecl*)(void* connection, const char* path, uint64_t mode,
                                    uint64_t* file);
using FileRefRead_t = int(__cdecl*)(void* connection, uint64_t file, void* buffer, uint32_t* count);
using FileRefSeek_t = int(__cdecl*)(void* connection, uint64_t file, int64_t offset,
                                    uint64_t origin);
using FileRefClose_t = int(__cdecl*)(void* connection, uint64_t file);
using DirectoryRead_t = int(__cdecl*)(void* connection, void* directory, char** name);
using DirectoryClose_t = int(__cdecl*)(void* connection, void* directory);
using CFStringCreate_t = void*(__cdecl*)(void* allocator, const char* text, uint32_t encoding);
using CFUrlCreate_t = void*(__cdecl*)(void* allocator, void* path, int style, bool folder);
using CFUrlRead_t = bool(__cdecl*)(void* allocator, void* url, void** data, void* properties,
                                   void* keys, int32_t* error);
using CFPlistFromData_t = void*(__cdecl*)(void* allocator, void* data, uint32_t options,
                                          void** error);
using CFPlistToXml_t = void*(__cdecl*)(void* allocator, void* plist);
using CFUrlWrite_t = bool(__cdecl*)(void* url, void* data, void* properties, int32_t* error);
using CFRelease_t = void(__cdecl*)(void* object);

constexpr uint32_t kUtf8 = 0x08000100;
constexpr int kWindowsPathStyle = 2;
constexpr uint64_t kReadMode = 2;
constexpr MobileResult kUnbound = 0xFFFFFFFFu;

class Win32Service : public MobileService {
 public:
  explicit Win32Service(void* handle) : Handle(handle) {}
  void* Handle;
};
class Win32Afc : public AfcConnection {
 public:
  explicit Win32Afc(void* handle) : Handle(handle) {}
  void* Handle;
};
void* HandleOf(AfcConnection& connection) { return static_cast<Win32Afc&>(connection).Handle; }

std::string CommonProgramFiles() {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, 0, folder))) return {};
  return folder;  // cut at its NUL
}

std::string ReadMachineString(const std::string& key, const std::string& value) {
  char text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text,
                   &size) != ERROR_SUCCESS) {
    return {};
  }
  return text;
}

std::optional<uint32_t> FileVersion(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<char> info(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data()) ||
      !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) {
    return std::nullopt;
  }
  return fixed->dwFileVersionMS;
}

class ItunesMobileDevice : public MobileDeviceApi {
 public:
  // False when the library is not installed or lacks an entry point.
  bool Load();

  std::vector<std::string> AttachedDevices() override;
  MobileResult NotificationSubscribe(DeviceNoticeHandler handler) override;
  void NotificationUnsubscribe() override;
  MobileResult Connect(const std::string& device) override {
    return Call("AMDeviceConnect", device);
  }
  bool IsPaired(const std::string& device) override {
    return Call("AMDeviceIsPaired", device) != 0;
  }
  MobileResult ValidatePairing(const std::string& device) override {
    return Call("AMDeviceValidatePairing", device);
  }
  MobileResult Pair(const std::string& device) override { return Call("AMDevicePair", device); }
  MobileResult StartSession(const std::string& device) override {
    return Call("AMDeviceStartSession", device);
  }
  MobileResult StartService(const std::string& device, const std::string& name,
                            std::unique_ptr<MobileService>& service) override;
  void StopSession(const std::string& device) override { Call("AMDeviceStopSession", device); }
  void Disconnect(const std::string& device) override { Call("AMDeviceDisconnect", device); }
  MobileResult ReadDeviceFacts(const std::string&, DeviceFacts& facts) override {
    facts = {};  // not among the entry points bound here
    return kUnbound;
  }
  MobileResult AfcConnectionOpen(std::unique_ptr<MobileService> service,
                                 std::unique_ptr<AfcConnection>& connection) override;
  MobileResult AfcConnectionClose(std::unique_ptr<AfcConnection>& connection) override;
  MobileResult AfcFileInfo(AfcConnection& connection, const std::string& path,
                           std::vector<AfcInfoPair>& info) override;
  MobileResult AfcFileRefOpen(AfcConnection& connection, const std::string& path,
                              uint64_t& file) override {
    return Fn<FileRefOpen_t>("AFCFileRefOpen")(HandleOf(connection), path.c_str(), kReadMode,
                                               &file);
  }
  MobileResult AfcFileRefRead(AfcConnection& connection, uint64_t file, uint8_t* buffer,
                              uint32_t& count) override {
    return Fn<FileRefRead_t>("AFCFileRefRead")(HandleOf(connection), file, buffer, &count);
  }
  MobileResult AfcFileRefSeek(AfcConnection& connection, uint64_t file, int64_t offset) override {
    return Fn<FileRefSeek_t>("AFCFileRefSeek")(HandleOf(connection), file, offset, 0);
  }
  MobileResult AfcFileRefClose(AfcConnection& connection, uint64_t file) override {
    return Fn<FileRefClose_t>("AFCFileRefClose")(HandleOf(connection), file);
  }
  MobileResult AfcReadDirectory(AfcConnection& connection, const std::string& path,
                                std::vector<std::string>& names) override;
  // Apple's library has no call that ends a request in flight: its own
  // timeouts end a silent device's requests there.
  void AfcAbort(AfcConnection&) override {}
  bool ConvertPlistToXml(const std::string& src, const std::string& dst) override;

 private:
  template <typename F>
  F Fn(const char* name) const {
    const auto found = entries_.find(name);
    return found == entries_.end() ? nullptr
                                   : reinterpret_cast<F>(reinterpret_cast<void*>(found->second));
  }
  MobileResult Call(const char* name, const std::string& device);
  void* DeviceHandle(const std::string& device);
  void* FileUrl(const std::string& path);
  static void __cdecl OnNotification(AmNotification* info, void* context);

  binding::LocatedFiles files_;
  HMODULE mobileDevice_ = nullptr;
  HMODULE coreFoundation_ = nullptr;
  std::map<std::string, FARPROC> entries_;
  std::mutex mutex_;
  // Held while the handler runs and while it changes.
  std::mutex handlerMutex_;
  DeviceNoticeHandler handler_;
  bool subscribed_ = false;
  std::map<std::string, void*> devices_;  // attached, by the key handed out
};

ItunesMobileDevice* theLibrary = nullptr;

bool ItunesMobileDevice::Load() {
  binding::FileProbes probes;
  probes.FileExists = [](const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  probes.CommonProgramFiles = CommonProgramFiles();
  probes.ReadMachineString = ReadMachineString;
  probes.FileVersion = FileVersion;
  if (!binding::FindMobileDeviceFiles(probes, files_)) return false;
  if (!files_.SearchPathAddition.empty()) {
    char old[32767] = {};
    GetEnvironmentVariableA("path", old, sizeof old);
    SetEnvironmentVariableA("path", (std::string(old) + files_.SearchPathAddition).c_str());
  }
  mobileDevice_ = LoadLibraryA(files_.MobileDevicePath.c_str());
  if (files_.NewDeviceApi) coreFoundation_ = LoadLibraryA(files_.CoreFoundationPath.c_str());
  const bool loaded = mobileDevice_ && (!files_.NewDeviceApi || coreFoundation_);
  if (loaded) {
    for (const binding::EntryPoint& entry : binding::EntryPoints()) {
      if (entry.NewerOnly && !files_.NewDeviceApi) continue;
      HMODULE module =
          entry.In == binding::Module::CoreFoundation ? coreFoundation_ : mobileDevice_;
      if (FARPROC address = GetProcAddress(module, entry.Name)) entries_[entry.Name] = address;
    }
  }
  if (loaded && binding::BindingComplete(files_.NewDeviceApi, [&](const binding::EntryPoint& e) {
        return entries_.contains(e.Name);
      })) {
    return true;
  }
  // Released, so that a later attempt starts afresh.
  if (coreFoundation_) FreeLibrary(coreFoundation_);
  if (mobileDevice_) FreeLibrary(mobileDevice_);
  coreFoundation_ = mobileDevice_ = nullptr;
  entries_.clear();
  return false;
}

void* ItunesMobileDevice::DeviceHandle(const std::string& device) {
  const std::lock_guard lock(mutex_);
  const auto found = devices_.find(device);
  return found == devices_.end() ? nullptr : found->second;
}

MobileResult ItunesMobileDevice::Call(const char* name, const std::string& device) {
  void* handle = DeviceHandle(device);
  return handle ? static_cast<MobileResult>(Fn<DeviceCall_t>(name)(handle)) : kUnbound;
}

void __cdecl ItunesMobileDevice::OnNotification(AmNotification* info, void*) {
  if (!info || !theLibrary) return;
  char key[32] = {};
  std::snprintf(key, sizeof key, "device-%p", info->Device);
  const DeviceNotice notice{key,
                            info->Message == 1 ? DeviceMessage::Attached : DeviceMessage::Detached};
  {
    const std::lock_guard lock(theLibrary->mutex_);
    if (notice.Message == DeviceMessage::Attached) {
      theLibrary->devices_[key] = info->Device;
    } else {
      theLibrary->devices_.erase(key);
    }
  }
  const std::lock_guard lock(theLibrary->handlerMutex_);
  if (theLibrary->handler_) theLibrary->handler_(notice);
}

std::vector<std::string> ItunesMobileDevice::AttachedDevices() {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> keys;
  for (const auto& [key, handle] : devices_) keys.push_back(key);
  return keys;
}

MobileResult ItunesMobileDevice::NotificationSubscribe(DeviceNoticeHandler handler) {
  {
    const std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
  }
  std::vector<std::string> already;
  {
    const std::lock_guard lock(mutex_);
    if (!subscribed_) {
      void* subscription = nullptr;
      const int code =
          Fn<Subscribe_t>("AMDeviceNotificationSubscribe")(OnNotification, 0, 0, 0, &subscription);
      if (code != 0) return static_cast<MobileResult>(code);
      subscribed_ = true;
      return kMobileOk;
    }
    for (const auto& [key, handle] : devices_) already.push_back(key);
  }
  const std::lock_guard lock(handlerMutex_);
  for (const std::string& device : already) {
    if (handler_) handler_({device, DeviceMessage::Attached});
  }
  return kMobileOk;
}

void ItunesMobileDevice::NotificationUnsubscribe() {
  const std::lock_guard lock(handlerMutex_);
  handler_ = nullptr;
}

MobileResult ItunesMobileDevice::StartService(const std::string& device, const std::string& name,
                                              std::unique_ptr<MobileService>& service) {
  void* handle = DeviceHandle(device);
  if (!handle) return kUnbound;
  void* started = nullptr;
  uint32_t unknown = 0;
  int code = 0;
  if (files_.NewDeviceApi) {
    const void* text = Fn<MakeConstantString_t>("__CFStringMakeConstantString")(name.c_str());
    code = Fn<StartService_t>("AMDeviceStartService")(handle, text, &started, &unknown);
  } else {
    const std::vector<uint8_t> inline_ = binding::BuildInlineCFString(name);
    code = Fn<StartService_t>("AMDeviceStartService")(handle, inline_.data(), &started, &unknown);
  }
  if (code == 0) service = std::make_unique<Win32Service>(started);
  return static_cast<MobileResult>(code);
}

MobileResult ItunesMobileDevice::AfcConnectionOpen(std::unique_ptr<MobileService> service,
                                                   std::unique_ptr<AfcConnection>& connection) {
  void* opened = nullptr;
  const int code = Fn<ConnectionOpen_t>("AFCConnectionOpen")(
      static_cast<Win32Service&>(*service).Handle, 0, &opened);
  if (code == 0) connection = std::make_unique<Win32Afc>(opened);
  return static_cast<MobileResult>(code);
}

MobileResult ItunesMobileDevice::AfcConnectionClose(std::unique_ptr<AfcConnection>& connection) {
  const int code = Fn<ConnectionClose_t>("AFCConnectionClose")(HandleOf(*connection));
  if (code == 0) connection.reset();
  return static_cast<MobileResult>(code);
}

MobileResult ItunesMobileDevice::AfcFileInfo(AfcConnection& connection, const std::string& path,
                                             std::vector<AfcInfoPair>& info) {
  info.clear();
  void* dictionary = nullptr;
  const int code =
      Fn<PathOpen_t>("AFCFileInfoOpen")(HandleOf(connection), path.c_str(), &dictionary);
  if (code != 0 || !dictionary) return static_cast<MobileResult>(code);
  char *key = nullptr, *value = nullptr;
  while (Fn<KeyValueRead_t>("AFCKeyValueRead")(dictionary, &key, &value) == 0 && key && value) {
    info.push_back({key, value});
  }
  Fn<HandleClose_t>("AFCKeyValueClose")(dictionary);
  return kMobileOk;
}

MobileResult ItunesMobileDevice::AfcReadDirectory(AfcConnection& connection,
                                                  const std::string& path,
                                                  std::vector<std::string>& names) {
  names.clear();
  void* directory = nullptr;
  const int code =
      Fn<PathOpen_t>("AFCDirectoryOpen")(HandleOf(connection), path.c_str(), &directory);
  if (code != 0) return static_cast<MobileResult>(code);
  char* name = nullptr;
  while (Fn<DirectoryRead_t>("AFCDirectoryRead")(HandleOf(connection), directory, &name) == 0 &&
         name) {
    names.emplace_back(name);
  }
  Fn<DirectoryClose_t>("AFCDirectoryClose")(HandleOf(connection), directory);
  return kMobileOk;
}

void* ItunesMobileDevice::FileUrl(const std::string& path) {
  void* text = Fn<CFStringCreate_t>("CFStringCreateWithCString")(nullptr, path.c_str(), kUtf8);
  if (!text) return nullptr;
  void* url =
      Fn<CFUrlCreate_t>("CFURLCreateWithFileSystemPath")(nullptr, text, kWindowsPathStyle, false);
  Fn<CFRelease_t>("CFRelease")(text);
  return url;
}

bool ItunesMobileDevice::ConvertPlistToXml(const std::string& src, const std::string& dst) {
  for (const char* name :
       {"CFStringCreateWithCString", "CFURLCreateWithFileSystemPath",
        "CFURLCreateDataAndPropertiesFromResource", "CFPropertyListCreateFromXMLData",
        "CFPropertyListCreateXMLData", "CFURLWriteDataAndPropertiesToResource", "CFRelease"}) {
    if (!entries_.contains(name)) return false;  // the older generation binds none
  }
  const auto release = Fn<CFRelease_t>("CFRelease");
  bool written = false;
  void *source = FileUrl(src), *data = nullptr, *plist = nullptr, *xml = nullptr, *target = nullptr;
  int32_t error = 0;
  void* errorText = nullptr;
  if (source &&
      Fn<CFUrlRead_t>("CFURLCreateDataAndPropertiesFromResource")(nullptr, source, &data, nullptr,
                                                                  nullptr, &error) &&
      data &&
      (plist = Fn<CFPlistFromData_t>("CFPropertyListCreateFromXMLData")(nullptr, data, 0,
                                                                        &errorText)) &&
      (target = FileUrl(dst)) &&
      (xml = Fn<CFPlistToXml_t>("CFPropertyListCreateXMLData")(nullptr, plist))) {
    written =
        Fn<CFUrlWrite_t>("CFURLWriteDataAndPropertiesToResource")(target, xml, nullptr, &error);
  }
  for (void* object : {source, data, plist, xml, target, errorText}) {
    if (object) release(object);
  }
  return written;
}

}  // namespace

MobileDeviceApi* ProcessMobileDevice() {
  // Bound once per process while it succeeds; never unloaded, since the
  // library's notifications may come until the end.
  static std::mutex loading;
  const std::lock_guard lock(loading);
  if (!theLibrary) {
    auto* library = new ItunesMobileDevice;
    if (library->Load()) {
      theLibrary = library;
    } else {
      delete library;
    }
  }
  return theLibrary;
}

}  // namespace ortelan::platform
