// The iOS session: subscription, the connection sequence and the AFC file
// primitives.

#include "device/IosHelper.h"

#include <cerrno>
#include <charconv>
#include <new>

#include "util/ByteSizes.h"
#include "util/Text.h"

namespace ortelan {

TIosHelper* ActiveIosHelper = nullptr;
std::mutex ActiveIosHelperMutex;

namespace {

constexpr const char* kAfcService = "com.apple.afc";
constexpr const char* kPairHint = " (Run iTunes to pair the device)";

std::string CodeText(platform::MobileResult code) { return std::to_string(code); }

}  // namespace

TIosHelper::TIosHelper(platform::MobileDeviceApi* api, int32_t bufferMegabytes,
                       TIosChangeEvent onDeviceChange)
    : OnDeviceChange(std::move(onDeviceChange)), BufferMegabytes(bufferMegabytes), api_(api) {
  LibraryLoaded = api_ != nullptr;
}

TIosHelper::~TIosHelper() {
  if (Subscribed) Close();
  SetBufferSize(0);
}

void TIosHelper::Fail(const std::string& text, platform::MobileResult code) {
  LastError = text + CodeText(code);
}

void TIosHelper::Start(bool noSubscribe) {
  if (!noSubscribe) Subscribed = Subscribe();
  SetBufferSize(static_cast<uint32_t>(BufferMegabytes * kMiB));
}

bool TIosHelper::Subscribe() {
  if (!api_) return false;
  const platform::MobileResult code = api_->NotificationSubscribe(DeviceNotification);
  if (code != platform::kMobileOk) {
    Fail("Subscribes error: ", code);
    return false;
  }
  return true;
}

void TIosHelper::DeviceNotification(const platform::DeviceNotice& info) {
  const std::lock_guard active(ActiveIosHelperMutex);
  TIosHelper* session = ActiveIosHelper;
  if (!session) return;
  if (info.Message == platform::DeviceMessage::Attached) {
    {
      const std::lock_guard lock(session->mutex_);
      session->Device = info.Device;
      const bool connected = session->ConnectDevice(info.Device);
      ++session->AttachesHandled;
      if (!connected) return;
      session->Connected = true;
    }
    if (session->OnDeviceChange) session->OnDeviceChange(true);
    return;
  }
  session->Connected = false;
  if (session->OnDeviceChange) session->OnDeviceChange(false);
}

bool TIosHelper::ConnectDevice(const std::string& device) {
  const std::lock_guard lock(mutex_);
  // A new attach replaces the connection of the one before.
  CloseFile();
  afc_.reset();
  AfcOpen = false;
  return ConnectSteps(device);
}

bool TIosHelper::ConnectSteps(const std::string& device) {
  platform::MobileResult code = api_->Connect(device);
  if (code != platform::kMobileOk) {
    Fail("Connect failed: ", code);
    return false;
  }
  if (!CheckPairing(device)) return false;
  SessionOpen = true;
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
  if ((code = api_->AfcConnectionOpen(std::move(service), afc_)) != platform::kMobileOk) {
    Fail("Open AFC error: ", code);
    return false;
  }
  AfcOpen = true;
  return true;
}

bool TIosHelper::CheckPairing(const std::string& device) {
  if (!api_->IsPaired(device)) {
    const platform::MobileResult code = api_->Pair(device);
    if (code == platform::kMobileOk) return true;
    LastError = "Pair failed: " + CodeText(code) + kPairHint;
    return false;
  }
  if (api_->ValidatePairing(device) == platform::kMobileOk) return true;
  // A pairing that no longer holds is made again.
  const platform::MobileResult code = api_->Pair(device);
  if (code == platform::kMobileOk) return true;
  LastError = "Invalid pair: " + CodeText(code) + kPairHint;
  return false;
}

void TIosHelper::EndSession(const std::string& device) {
  api_->StopSession(device);
  api_->Disconnect(device);
  SessionOpen = false;
}

bool TIosHelper::Close() {
  const std::lock_guard lock(mutex_);
  if (SessionOpen) {
    EndSession(Device);
    Device.clear();
  }
  if (!AfcOpen) return true;
  CloseFile();
  const platform::MobileResult code = api_->AfcConnectionClose(afc_);
  if (code != platform::kMobileOk) {
    Fail("Close AFC error: ", code);
    return false;
  }
  AfcOpen = false;
  afc_.reset();
  return true;
}

void TIosHelper::SetBufferSize(uint32_t size) {
  const std::lock_guard lock(mutex_);
  if (size == BufferSize) return;
  buffer_.reset();
  BufferSize = 0;
  if (size == 0) return;
  buffer_.reset(new (std::nothrow) uint8_t[size]);
  if (!buffer_) buffer_.reset(new (std::nothrow) uint8_t[size = kIosFallbackBufferBytes]);
  if (buffer_) BufferSize = size;
}

bool TIosHelper::PathExists(const std::string& path) {
  const std::lock_guard lock(mutex_);
  std::vector<platform::AfcInfoPair> info;
  return AfcOpen && api_->AfcFileInfo(*afc_, path, info) == platform::kMobileOk;
}

bool TIosHelper::GetInfoValue(const std::string& path, const std::string& key, std::string& value) {
  const std::lock_guard lock(mutex_);
  std::vector<platform::AfcInfoPair> info;
  if (!AfcOpen || api_->AfcFileInfo(*afc_, path, info) != platform::kMobileOk) return false;
  for (const platform::AfcInfoPair& pair : info) {
    if (SameTextAscii(pair.Key, key)) {
      value = pair.Value;
      return true;
    }
  }
  return false;
}

TFileKind TIosHelper::GetFileKind(const std::string& path) {
  std::string value;
  if (!GetInfoValue(path, "ST_IFMT", value)) return TFileKind::Missing;
  if (SameTextAscii(value, "S_IFDIR")) return TFileKind::Directory;
  if (SameTextAscii(value, "S_IFREG")) return TFileKind::Regular;
  return TFileKind::Other;
}

int64_t TIosHelper::GetFileSize(const std::string& path) {
  std::string value;
  if (!GetInfoValue(path, "ST_SIZE", value)) return 0;
  int64_t size = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
  if (error != std::errc() || end != value.data() + value.size() || size < 0) return 0;
  return size;
}

int TIosHelper::ReadChunks(const std::string& path, const TChunkSink& sink) {
  const std::lock_guard lock(mutex_);
  if (!PathExists(path)) {
    LastError = "Not found: " + path;
    return ENOENT;
  }
  uint64_t file = 0;
  platform::MobileResult code = api_->AfcFileRefOpen(*afc_, path, file);
  if (code != platform::kMobileOk) {
    Fail("Open error: ", code);
    return EIO;
  }
  int result = 0;
  for (uint32_t count = BufferSize; count == BufferSize && BufferSize != 0;) {
    if ((code = api_->AfcFileRefRead(*afc_, file, buffer_.get(), count)) != platform::kMobileOk) {
      Fail("Read error: ", code);
      result = EIO;
      break;
    }
    if (count > BufferSize) count = BufferSize;  // never more than was asked for
    if (count > 0 && !sink({buffer_.get(), count})) {
      result = ECANCELED;
      break;
    }
  }
  api_->AfcFileRefClose(*afc_, file);
  return result;
}

bool TIosHelper::ReadToStream(const std::string& path, TMemoryStream& stream, uint64_t maxBytes) {
  const size_t start = stream.Position;
  bool tooLarge = false;
  const int code = ReadChunks(path, [&](std::span<const uint8_t> chunk) {
    if (stream.Position + chunk.size() - start > maxBytes) return !(tooLarge = true);
    stream.Write(chunk.data(), chunk.size());
    return true;
  });
  if (tooLarge) LastError = "File too large: " + path;
  return code == 0;
}

bool TIosHelper::OpenFile(const std::string& path) {
  const std::lock_guard lock(mutex_);
  CloseFile();
  if (!PathExists(path)) {
    LastError = "Not found";
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
  if (!fileOpen_ || !AfcOpen) {
    LastError = "Read Err: no open file";
    return false;
  }
  platform::MobileResult code = api_->AfcFileRefSeek(*afc_, fileRef_, offset);
  if (code != platform::kMobileOk) {
    Fail("Seek Err: ", code);
    return false;
  }
  // The library may give less than asked for at a time: read on until the
  // count is complete or the file ends.
  for (uint32_t done = 0; done < count;) {
    uint32_t got = count - done;
    if ((code = api_->AfcFileRefRead(*afc_, fileRef_, buffer + done, got)) != platform::kMobileOk) {
      Fail("Read Err: ", code);
      return false;
    }
    if (got == 0) {
      LastError = "Read Err: the file ends after " + std::to_string(done) + " of " +
                  std::to_string(count) + " bytes";
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
  if (!AfcOpen) return false;
  if (api_->AfcReadDirectory(*afc_, dir, names) != platform::kMobileOk) {
    LastError = "Path not found: " + dir;
    return false;
  }
  return true;
}

void TIosHelper::ListTree(const std::string& dir, std::vector<std::string>& list) {
  const std::lock_guard lock(mutex_);
  ListTreeBelow(dir, list, 0);
}

void TIosHelper::ListTreeBelow(const std::string& dir, std::vector<std::string>& list, int depth) {
  std::vector<std::string> names;
  if (depth > kMaxListDepth || !ReadDirectory(dir, names)) return;
  for (const std::string& name : names) {
    if (name == "." || name == ".." || name.empty()) continue;
    const std::string path = dir + name;
    const TFileKind kind = GetFileKind(path);
    if (kind == TFileKind::Regular) list.push_back(path);
    if (kind == TFileKind::Directory) ListTreeBelow(path + "/", list, depth + 1);
  }
}

void TIosHelper::ListFiles(const std::string& dir, std::vector<std::string>& list) {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  if (!ReadDirectory(dir, names)) return;
  for (const std::string& name : names) {
    if (name == "." || name == ".." || name.empty()) continue;
    if (GetFileKind(dir + name) == TFileKind::Regular) list.push_back(name);
  }
}

bool TIosHelper::ConvertPlistToXml(const std::string& src, const std::string& dst) {
  return api_ && api_->ConvertPlistToXml(src, dst);
}

}  // namespace ortelan
