// The iOS session: subscription, the connection sequence and the AFC file
// primitives.

#include "device/IosHelper.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <new>

#include "device/DevicePaths.h"
#include "platform/ReadFile.h"
#include "util/ByteSizes.h"
#include "util/Text.h"

namespace ortelan {

namespace {

constexpr const char* kAfcService = "com.apple.afc";
constexpr const char* kPairHint = " (Run iTunes to pair the device)";
// A long name counts as more than one entry of a walk, so that its names
// together stay within kMaxListEntries x this many bytes.
constexpr size_t kListBytesPerEntry = 256;

// The library's codes as numbers; the program's own results in words.
std::string CodeText(platform::MobileResult code) {
  switch (code) {
    case platform::kMobileTimedOut:
      return "the device stopped answering";
    case platform::kMobileStopped:
      return "stopped";
    case platform::kMobileBadReply:
      return "the device's reply is damaged";
    case platform::kMobileGone:
      return "the connection to the device was lost";
    default:
      return std::to_string(code);
  }
}

TFileKind KindOf(const std::string& value) {
  if (SameTextAscii(value, "S_IFDIR")) return TFileKind::Directory;
  if (SameTextAscii(value, "S_IFREG")) return TFileKind::Regular;
  return TFileKind::Other;
}

// A size in decimal; -1 when it is no number.
int64_t SizeOf(const std::string& value) {
  int64_t size = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
  if (error != std::errc() || end != value.data() + value.size() || size < 0) return -1;
  return size;
}

bool MeansDeviceGone(platform::MobileResult code) {
  return code == platform::kMobileTimedOut || code == platform::kMobileGone ||
         code == platform::kMobileBadReply;
}

}  // namespace

TIosHelper::TIosHelper(platform::MobileDeviceApi* api, int32_t bufferMegabytes,
                       TIosChangeEvent onDeviceChange)
    : api_(api),
      libraryLoaded_(api != nullptr),
      bufferMegabytes_(bufferMegabytes),
      onDeviceChange_(std::move(onDeviceChange)) {}

TIosHelper::~TIosHelper() {
  if (subscribed_) {
    api_->NotificationUnsubscribe();  // no notification reaches this any more
    Close();
  }
  SetBufferSize(0);
}

void TIosHelper::Fail(const std::string& text, platform::MobileResult code) {
  SetError(text + CodeText(code));
}

void TIosHelper::SetError(std::string text) {
  const std::lock_guard lock(textMutex_);
  lastError_ = std::move(text);
}

void TIosHelper::SetDevice(std::string device) {
  const std::lock_guard lock(textMutex_);
  device_ = std::move(device);
}

std::string TIosHelper::Device() const {
  const std::lock_guard lock(textMutex_);
  return device_;
}

std::string TIosHelper::LastError() const {
  const std::lock_guard lock(textMutex_);
  return lastError_;
}

void TIosHelper::Start(bool noSubscribe) {
  if (!noSubscribe) subscribed_ = Subscribe();
  SetBufferSize(static_cast<uint32_t>(bufferMegabytes_ * kMiB));
}

bool TIosHelper::Subscribe() {
  if (!api_) return false;
  const platform::MobileResult code = api_->NotificationSubscribe(
      [this](const platform::DeviceNotice& notice) { HandleNotice(notice); });
  if (code != platform::kMobileOk) {
    Fail("Subscribes error: ", code);
    return false;
  }
  return true;
}

void TIosHelper::HandleNotice(const platform::DeviceNotice& info) {
  if (info.Message == platform::DeviceMessage::Attached) {
    {
      const std::lock_guard lock(mutex_);
      SetDevice(info.Device);
      const bool connected = ConnectDevice(info.Device);
      ++AttachesHandled;
      if (!connected) return;
      Connected = true;
    }
    if (onDeviceChange_) onDeviceChange_(true);
    return;
  }
  detached_ = true;
  ReportLoss();
}

void TIosHelper::ReportLoss() {
  // Gone first, then the read waiting for the device woken: the reader must
  // find the device gone once it wakes.
  const bool wasConnected = Connected.exchange(false);
  AbortRequestInFlight();
  if (wasConnected && onDeviceChange_) onDeviceChange_(false);
}

void TIosHelper::InterruptTransfer() {
  interrupted_ = true;
  AbortRequestInFlight();
}

void TIosHelper::AbortRequestInFlight() {
  const std::lock_guard lock(afcMutex_);
  if (afc_) api_->AfcAbort(*afc_);
}

int TIosHelper::EndedReadCode() {
  if (detached_) {
    SetError("Read error: the device was unplugged");
    return EIO;
  }
  if (interrupted_) {
    SetError("Read error: stopped");
    return ECANCELED;
  }
  return 0;
}

void TIosHelper::ReconnectAfterInterrupt() {
  const std::string device = Device();
  if (!interrupted_.exchange(false) || device.empty() || detached_) return;
  ConnectDevice(device);
}

void TIosHelper::FailRequest(const std::string& text, platform::MobileResult code) {
  Fail(text, code);
  if (MeansDeviceGone(code)) ReportLoss();
}

bool TIosHelper::ConnectDevice(const std::string& device) {
  const std::lock_guard lock(mutex_);
  // A new attach replaces the connection of the one before.
  CloseFile();
  {
    const std::lock_guard guard(afcMutex_);
    afc_.reset();
  }
  afcOpen_ = false;
  detached_ = false;
  return ConnectSteps(device);
}

bool TIosHelper::ConnectSteps(const std::string& device) {
  platform::MobileResult code = api_->Connect(device);
  if (code != platform::kMobileOk) {
    Fail("Connect failed: ", code);
    return false;
  }
  if (!CheckPairing(device)) return false;
  sessionOpen_ = true;
  if ((code = api_->StartSession(device)) != platform::kMobileOk) {
    Fail("Cannot start session: ", code);
    return false;
  }
  std::unique_ptr<platform::MobileService> service;
  if ((code = api_->StartService(device, kAfcService, service)) != platform::kMobileOk) {
    Fail("Cannot start AFC service: ", code);
    return false;
  }
  // The session ends before the file service is used; the service stays.
  EndSession(device);
  std::unique_ptr<platform::AfcConnection> connection;
  code = api_->AfcConnectionOpen(std::move(service), connection);
  {
    const std::lock_guard guard(afcMutex_);
    afc_ = std::move(connection);
  }
  if (code != platform::kMobileOk) {
    Fail("Open AFC error: ", code);
    return false;
  }
  afcOpen_ = true;
  return true;
}

bool TIosHelper::CheckPairing(const std::string& device) {
  if (!api_->IsPaired(device)) {
    const platform::MobileResult code = api_->Pair(device);
    if (code == platform::kMobileOk) return true;
    SetError("Pair failed: " + CodeText(code) + kPairHint);
    return false;
  }
  if (api_->ValidatePairing(device) == platform::kMobileOk) return true;
  // A pairing that no longer holds is made again.
  const platform::MobileResult code = api_->Pair(device);
  if (code == platform::kMobileOk) return true;
  SetError("Invalid pair: " + CodeText(code) + kPairHint);
  return false;
}

void TIosHelper::EndSession(const std::string& device) {
  api_->StopSession(device);
  api_->Disconnect(device);
  sessionOpen_ = false;
}

bool TIosHelper::Close() {
  const std::lock_guard lock(mutex_);
  if (sessionOpen_) {
    EndSession(Device());
    SetDevice({});
  }
  if (!afcOpen_) return true;
  CloseFile();
  const std::lock_guard guard(afcMutex_);
  const platform::MobileResult code = api_->AfcConnectionClose(afc_);
  if (code != platform::kMobileOk) {
    Fail("Close AFC error: ", code);
    return false;
  }
  afcOpen_ = false;
  afc_.reset();
  return true;
}

void TIosHelper::SetBufferSize(uint32_t size) {
  const std::lock_guard lock(mutex_);
  if (size == bufferSize_) return;
  buffer_.reset();
  bufferSize_ = 0;
  if (size == 0) return;
  buffer_.reset(new (std::nothrow) uint8_t[size]);
  if (!buffer_) buffer_.reset(new (std::nothrow) uint8_t[size = kIosFallbackBufferBytes]);
  if (buffer_) bufferSize_ = size;
}

bool TIosHelper::PathExists(const std::string& path) {
  const std::lock_guard lock(mutex_);
  ReconnectAfterInterrupt();
  std::vector<platform::AfcInfoPair> info;
  return afcOpen_ && api_->AfcFileInfo(*afc_, path, info) == platform::kMobileOk;
}

void TIosHelper::ReadFileFacts(const std::string& path, TFileKind& kind, int64_t& size) {
  const std::lock_guard lock(mutex_);
  ReconnectAfterInterrupt();
  kind = TFileKind::Missing;
  size = -1;
  std::vector<platform::AfcInfoPair> info;
  if (!afcOpen_ || api_->AfcFileInfo(*afc_, path, info) != platform::kMobileOk) return;
  for (const platform::AfcInfoPair& pair : info) {
    if (SameTextAscii(pair.Key, "ST_IFMT")) kind = KindOf(pair.Value);
    if (SameTextAscii(pair.Key, "ST_SIZE")) size = SizeOf(pair.Value);
  }
  if (kind == TFileKind::Missing) kind = TFileKind::Other;  // there, of no known kind
}

TFileKind TIosHelper::GetFileKind(const std::string& path) {
  TFileKind kind = TFileKind::Missing;
  int64_t size = -1;
  ReadFileFacts(path, kind, size);
  return kind;
}

int64_t TIosHelper::GetFileSize(const std::string& path) {
  TFileKind kind = TFileKind::Missing;
  int64_t size = -1;
  ReadFileFacts(path, kind, size);
  return std::max<int64_t>(size, 0);
}

int TIosHelper::ReadChunks(const std::string& path, const TChunkSink& sink) {
  const std::lock_guard lock(mutex_);
  if (detached_) return EndedReadCode();  // a stop before it is no reason not to read
  TFileKind kind = TFileKind::Missing;
  int64_t size = -1;
  ReadFileFacts(path, kind, size);
  if (kind == TFileKind::Missing) {
    SetError("Not found: " + path);
    return ENOENT;
  }
  if (kind != TFileKind::Regular) {  // a link, a device, a folder: as on a disk-mode iPod
    SetError("Not a regular file: " + path);
    return platform::kNotRegularFile;
  }
  if (size < 0) {
    SetError("Read error: no size for " + path);
    return EIO;
  }
  uint64_t file = 0;
  const platform::MobileResult code = api_->AfcFileRefOpen(*afc_, path, file);
  if (code != platform::kMobileOk) {
    FailRequest("Open error: ", code);
    return EIO;
  }
  const int result = ReadOpenFile(file, size, sink);
  api_->AfcFileRefClose(*afc_, file);
  return result;
}

int TIosHelper::ReadOpenFile(uint64_t file, int64_t size, const TChunkSink& sink) {
  if (bufferSize_ == 0) {
    SetError("Read error: no transfer buffer");
    return EIO;
  }
  // Exactly `size` bytes: each read asks for at most one byte more than is
  // left, so that a file longer than its size shows without a further
  // request, and a file that ends early fails instead of passing as whole.
  for (int64_t left = size;;) {
    if (const int ended = EndedReadCode()) return ended;
    const auto asked = static_cast<uint32_t>(std::min<int64_t>(left + 1, bufferSize_));
    uint32_t count = asked;
    const platform::MobileResult code = api_->AfcFileRefRead(*afc_, file, buffer_.get(), count);
    if (code != platform::kMobileOk) {
      FailRequest("Read error: ", code);
      const int ended = EndedReadCode();  // a stop or an unplug says so in words
      return ended != 0 ? ended : EIO;
    }
    if (count > left) {
      SetError("Read error: the file is longer than its size of " + std::to_string(size));
      return EIO;
    }
    if (count == 0 && left > 0) {
      SetError("Read error: the file ends after " + std::to_string(size - left) + " of " +
               std::to_string(size) + " bytes");
      return EIO;
    }
    if (count > 0 && !sink({buffer_.get(), count})) return ECANCELED;
    left -= count;
    if (left == 0 && count < asked) return 0;  // the end, where the size says
  }
}

bool TIosHelper::ReadToStream(const std::string& path, TMemoryStream& stream, uint64_t maxBytes) {
  const size_t start = stream.Position;
  bool tooLarge = false;
  const int code = ReadChunks(path, [&](std::span<const uint8_t> chunk) {
    if (stream.Position + chunk.size() - start > maxBytes) return !(tooLarge = true);
    stream.Write(chunk.data(), chunk.size());
    return true;
  });
  if (tooLarge) SetError("File too large: " + path);
  return code == 0;
}

bool TIosHelper::OpenFile(const std::string& path) {
  const std::lock_guard lock(mutex_);
  CloseFile();
  ReconnectAfterInterrupt();
  if (!PathExists(path)) {
    SetError("Not found");
    return false;
  }
  const platform::MobileResult code = api_->AfcFileRefOpen(*afc_, path, fileRef_);
  if (code != platform::kMobileOk) {
    Fail("Open err: ", code);
    return false;
  }
  fileOpen_ = true;
  return true;
}

bool TIosHelper::ReadAt(uint32_t count, uint8_t* buffer, int64_t offset) {
  const std::lock_guard lock(mutex_);
  if (!fileOpen_ || !afcOpen_) {
    SetError("Read Err: no open file");
    return false;
  }
  platform::MobileResult code = api_->AfcFileRefSeek(*afc_, fileRef_, offset);
  if (code != platform::kMobileOk) {
    FailRequest("Seek Err: ", code);
    return false;
  }
  // The library may give less than asked for at a time: read on until the
  // count is complete or the file ends.
  for (uint32_t done = 0; done < count;) {
    uint32_t got = count - done;
    if ((code = api_->AfcFileRefRead(*afc_, fileRef_, buffer + done, got)) != platform::kMobileOk) {
      FailRequest("Read Err: ", code);
      return false;
    }
    if (got == 0) {
      SetError("Read Err: the file ends after " + std::to_string(done) + " of " +
               std::to_string(count) + " bytes");
      return false;
    }
    done += std::min(got, count - done);
  }
  return true;
}

void TIosHelper::CloseFile() {
  const std::lock_guard lock(mutex_);
  if (fileOpen_ && afc_) api_->AfcFileRefClose(*afc_, fileRef_);
  fileOpen_ = false;
}

bool TIosHelper::ReadDirectory(const std::string& dir, std::vector<std::string>& names) {
  ReconnectAfterInterrupt();
  if (!afcOpen_) return false;
  const platform::MobileResult code = api_->AfcReadDirectory(*afc_, dir, names);
  if (code != platform::kMobileOk) {
    if (MeansDeviceGone(code)) ReportLoss();
    SetError("Path not found: " + dir);
    return false;
  }
  std::erase_if(names, [](const std::string& name) { return name == "." || name == ".."; });
  std::erase_if(names, [&](const std::string& name) {
    if (IsSingleFileName(name)) return false;
    refusedNames_.push_back(TerminalText(dir + name));
    return true;
  });
  return true;
}

bool TIosHelper::ListTree(const std::string& dir, std::vector<std::string>& list) {
  const std::lock_guard lock(mutex_);
  refusedNames_.clear();
  size_t entries = 0;
  return ListTreeBelow(dir, list, 0, entries);
}

bool TIosHelper::ListTreeBelow(const std::string& dir, std::vector<std::string>& list, int depth,
                               size_t& entries) {
  std::vector<std::string> names;
  if (depth > kMaxListDepth || !ReadDirectory(dir, names)) return true;
  for (const std::string& name : names) {
    entries += 1 + name.size() / kListBytesPerEntry;
    if (entries > kMaxListEntries || interrupted_) {
      SetError(interrupted_ ? "Listing stopped: " + dir
                            : "Too many files below " + dir + " (more than " +
                                  std::to_string(kMaxListEntries) + ")");
      return false;
    }
    const std::string path = dir + name;
    const TFileKind kind = GetFileKind(path);
    if (kind == TFileKind::Regular) list.push_back(path);
    if (kind == TFileKind::Directory && !ListTreeBelow(path + "/", list, depth + 1, entries)) {
      return false;
    }
  }
  return true;
}

void TIosHelper::ListFiles(const std::string& dir, std::vector<std::string>& list) {
  const std::lock_guard lock(mutex_);
  refusedNames_.clear();
  std::vector<std::string> names;
  if (!ReadDirectory(dir, names)) return;
  for (const std::string& name : names) {
    if (list.size() >= kMaxListEntries || interrupted_) return;
    if (GetFileKind(dir + name) == TFileKind::Regular) list.push_back(name);
  }
}

bool TIosHelper::ConvertPlistToXml(const std::string& src, const std::string& dst) {
  return api_ && api_->ConvertPlistToXml(src, dst);
}

}  // namespace ortelan
