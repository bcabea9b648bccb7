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
// The most files and folders one tree walk looks at: a book is tens to
// thousands of files; a listing beyond this is a damaged or hostile device.
constexpr size_t kMaxListEntries = 100000;

class TIosHelper {
 public:
  // `api` is null when the library cannot be used here; it outlives this.
  TIosHelper(platform::MobileDeviceApi* api, int32_t bufferMegabytes,
             TIosChangeEvent onDeviceChange);
  ~TIosHelper();
  TIosHelper(const TIosHelper&) = delete;
  TIosHelper& operator=(const TIosHelper&) = delete;

  // Why the last operation failed; any thread.
  std::string LastError() const;
  // A failure the device manager found itself (a refused path, a failed
  // write on the PC), for LastError to give.
  void NoteFailure(std::string text) { SetError(std::move(text)); }
  // Written on the library's thread, read by the CLI's wait.
  std::atomic<bool> Connected{false};
  // The UDID of the device of the last attach notification; any thread.
  std::string Device() const;
  bool LibraryLoaded() const { return libraryLoaded_; }
  bool Subscribed() const { return subscribed_; }
  bool SessionOpen() const { return sessionOpen_; }
  bool AfcOpen() const { return afcOpen_; }
  uint32_t BufferSize() const { return bufferSize_; }
  // Attach notifications handled so far, connected or not.
  std::atomic<int> AttachesHandled{0};

  // Subscribes (unless told not to) and allocates the transfer buffer.
  void Start(bool noSubscribe);
  bool Subscribe();
  // A notification of the library, on its thread: an attach connects, a
  // detach ends what waits for the device and reports the loss.
  void HandleNotice(const platform::DeviceNotice& info);
  bool ConnectDevice(const std::string& device);
  void EndSession(const std::string& device);
  bool Close();
  void SetBufferSize(uint32_t size);

  bool PathExists(const std::string& path);
  TFileKind GetFileKind(const std::string& path);
  // Kind and size (-1 when not given) in one request.
  void ReadFileFacts(const std::string& path, TFileKind& kind, int64_t& size);
  // The size in bytes; 0 when it is missing or not a number.
  int64_t GetFileSize(const std::string& path);
  bool IsDirectory(const std::string& path) { return GetFileKind(path) == TFileKind::Directory; }

  using TChunkSink = std::function<bool(std::span<const uint8_t> chunk)>;
  // Reads the whole plain file, exactly the size its information gives, one
  // buffer at a time, into `sink`. 0; ENOENT when it is not there,
  // platform::kNotRegularFile for a link, device or folder, EIO when it cannot be read, ends before
  // its size or goes on past it (LastError says why), or ECANCELED when `sink` refused a chunk or a
  // stop was asked for.
  int ReadChunks(const std::string& path, const TChunkSink& sink);
  // Appends the whole file to `stream`; a file larger than `maxBytes` fails.
  bool ReadToStream(const std::string& path, TMemoryStream& stream, uint64_t maxBytes);

  // One file open for positioned reads.
  bool OpenFile(const std::string& path);
  // Reads exactly `count` bytes at `offset` into `buffer`; a short read fails.
  bool ReadAt(uint32_t count, uint8_t* buffer, int64_t offset);
  void CloseFile();

  // Every plain file below `dir` (ending in "/"), by full device path, depth
  // first; only the names of the plain files in `dir` itself. A name that is
  // no single file name ("", ".", "..", one with a "/" or a control
  // character) is left out and logged in LastError. False when the walk met
  // more than kMaxListEntries entries or a stop: the list is then partial.
  bool ListTree(const std::string& dir, std::vector<std::string>& list);
  void ListFiles(const std::string& dir, std::vector<std::string>& list);
  // The names the last listing left out, with their folders, made safe to
  // show; for the thread that listed.
  const std::vector<std::string>& RefusedNames() const { return refusedNames_; }

  // Ends the transfer in flight soon, from any thread: a read waiting for
  // the device returns at once (ECANCELED). The next request connects anew.
  void InterruptTransfer();

  bool ConvertPlistToXml(const std::string& src, const std::string& dst);

 private:
  bool ListTreeBelow(const std::string& dir, std::vector<std::string>& list, int depth,
                     size_t& entries);
  // The names of a folder but "." and ".."; unusable names are logged and
  // left out.
  bool ReadDirectory(const std::string& dir, std::vector<std::string>& names);
  // The read loop of ReadChunks on an open file of `size` bytes.
  int ReadOpenFile(uint64_t file, int64_t size, const TChunkSink& sink);
  // After an interrupt, the connection is made again before the next request.
  void ReconnectAfterInterrupt();
  // A failed request: a device that stopped answering counts as gone.
  void FailRequest(const std::string& text, platform::MobileResult code);
  void ReportLoss();
  // Ends the AFC request in flight, without waiting for mutex_.
  void AbortRequestInFlight();
  // EIO with its words when the device was unplugged, ECANCELED when a stop
  // was asked for, else 0.
  int EndedReadCode();
  bool ConnectSteps(const std::string& device);
  bool CheckPairing(const std::string& device);
  void Fail(const std::string& text, platform::MobileResult code);
  void SetError(std::string text);
  void SetDevice(std::string device);

  platform::MobileDeviceApi* api_;
  std::unique_ptr<platform::AfcConnection> afc_;
  uint64_t fileRef_ = 0;
  bool fileOpen_ = false;
  std::unique_ptr<uint8_t[]> buffer_;
  std::vector<std::string> refusedNames_;
  // Written by the library's thread while it connects and by the reader.
  std::string lastError_;
  std::string device_;
  mutable std::mutex textMutex_;  // lastError_ and device_
  bool libraryLoaded_ = false;
  bool subscribed_ = false;
  bool sessionOpen_ = false;
  bool afcOpen_ = false;
  uint32_t bufferSize_ = 0;
  int32_t bufferMegabytes_ = 0;
  TIosChangeEvent onDeviceChange_;
  // Set by InterruptTransfer; the next request reconnects.
  std::atomic<bool> interrupted_{false};
  // Set by a detach notification while a read runs.
  std::atomic<bool> detached_{false};
  // Guards afc_ against InterruptTransfer, which must not wait for mutex_.
  std::mutex afcMutex_;
  // The library's thread connects while the window thread or a copy worker
  // reads: one at a time.
  std::recursive_mutex mutex_;
};

}  // namespace ortelan
