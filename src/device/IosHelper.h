#pragma once

// The connection to an iOS device: notifications from the mobile-device
// library, the connection sequence when a device is attached, and the file
// primitives over its AFC service on which the device manager's iOS file
// operations are built.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/MobileDevice.h"
#include "util/MemoryStream.h"

namespace ortelan {

// (connected): an iOS device came (and its connection is ready) or went.
using TIosChangeEvent = std::function<void(bool connected)>;

// What a device path is, by its file information.
enum class TFileKind : uint8_t {
  Regular = 0,
  Directory = 1,
  Other = 2,    // links, devices and the like
  Missing = 3,  // no information could be read
};

// The transfer buffer the device manager asks for, in MiB.
constexpr int32_t kIosBufferMegabytes = 3;
// The buffer taken when the one asked for cannot be had.
constexpr uint32_t kIosFallbackBufferBytes = 512 * 1024;
// How deep a folder listing goes below its start.
constexpr int kMaxListDepth = 64;

class TIosHelper {
 public:
  // `api` is null when the library cannot be used here; it outlives this.
  TIosHelper(platform::MobileDeviceApi* api, int32_t bufferMegabytes,
             TIosChangeEvent onDeviceChange);
  ~TIosHelper();
  TIosHelper(const TIosHelper&) = delete;
  TIosHelper& operator=(const TIosHelper&) = delete;

  std::string LastError;
  bool LibraryLoaded = false;
  bool Connected = false;
  bool Subscribed = false;
  TIosChangeEvent OnDeviceChange;
  std::string Device;  // UDID of the device of the last attach notification
  bool SessionOpen = false;
  bool AfcOpen = false;
  uint32_t BufferSize = 0;
  int32_t BufferMegabytes = 0;
  // Attach notifications handled so far, connected or not.
  std::atomic<int> AttachesHandled{0};

  // Subscribes (unless told not to) and allocates the transfer buffer.
  void Start(bool noSubscribe);
  bool Subscribe();
  // The library's callback: reaches the session through ActiveIosHelper.
  static void DeviceNotification(const platform::DeviceNotice& info);
  bool ConnectDevice(const std::string& device);
  void EndSession(const std::string& device);
  bool Close();
  void SetBufferSize(uint32_t size);

  bool PathExists(const std::string& path);
  bool GetInfoValue(const std::string& path, const std::string& key, std::string& value);
  TFileKind GetFileKind(const std::string& path);
  // The size in bytes; 0 when it is missing or not a number.
  int64_t GetFileSize(const std::string& path);
  bool IsDirectory(const std::string& path) { return GetFileKind(path) == TFileKind::Directory; }

  using TChunkSink = std::function<bool(std::span<const uint8_t> chunk)>;
  // Reads the whole file, one buffer at a time, into `sink`. 0; ENOENT when
  // it is not there, EIO when it cannot be read (LastError says why), or
  // ECANCELED when `sink` refused a chunk.
  int ReadChunks(const std::string& path, const TChunkSink& sink);
  // Appends the whole file to `stream`; a file larger than `maxBytes` fails.
  bool ReadToStream(const std::string& path, TMemoryStream& stream, uint64_t maxBytes);

  // One file open for positioned reads.
  bool OpenFile(const std::string& path);
  // Reads exactly `count` bytes at `offset` into `buffer`; a short read fails.
  bool ReadAt(uint32_t count, uint8_t* buffer, int64_t offset);
  void CloseFile();

  // Every plain file below `dir` (ending in "/"), by full device path, depth
  // first; only the names of the plain files in `dir` itself.
  void ListTree(const std::string& dir, std::vector<std::string>& list);
  void ListFiles(const std::string& dir, std::vector<std::string>& list);

  bool ConvertPlistToXml(const std::string& src, const std::string& dst);

 private:
  void ListTreeBelow(const std::string& dir, std::vector<std::string>& list, int depth);
  bool ReadDirectory(const std::string& dir, std::vector<std::string>& names);
  bool ConnectSteps(const std::string& device);
  bool CheckPairing(const std::string& device);
  void Fail(const std::string& text, platform::MobileResult code);

  platform::MobileDeviceApi* api_;
  std::unique_ptr<platform::AfcConnection> afc_;
  uint64_t fileRef_ = 0;
  bool fileOpen_ = false;
  std::unique_ptr<uint8_t[]> buffer_;
  // The library's thread connects while the window thread or a copy worker
  // reads: one at a time.
  std::recursive_mutex mutex_;
};

// The session of the device manager that exists now; null when none. The
// library's notifications reach it only through this.
extern TIosHelper* ActiveIosHelper;
// Held while a notification is handled and while ActiveIosHelper changes.
extern std::mutex ActiveIosHelperMutex;

}  // namespace ortelan
