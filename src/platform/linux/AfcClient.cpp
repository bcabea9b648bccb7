// The AFC requests: a 40-byte header (magic, whole length, header and
// arguments length, packet number, operation; little-endian), the arguments,
// then a payload. Replies echo the packet number.

#include "platform/linux/AfcClient.h"

#include <algorithm>
#include <cstring>

namespace ortelan::platform {

namespace {

constexpr char kMagic[8] = {'C', 'F', 'A', '6', 'L', 'P', 'A', 'A'};
constexpr size_t kHeaderBytes = 40;
// How long one wait for bytes lasts: a stop is seen within it.
constexpr int kWaitSliceMs = 200;

enum Operation : uint64_t {
  opStatus = 0x01,
  opData = 0x02,
  opReadDirectory = 0x03,
  opFileInfo = 0x0A,
  opFileOpen = 0x0D,
  opFileOpenResult = 0x0E,
  opFileRead = 0x0F,
  opFileSeek = 0x11,
  opFileClose = 0x14,
};
constexpr uint64_t kOpenReadOnly = 1;
constexpr uint64_t kSeekFromStart = 0;

void PutU64(std::vector<uint8_t>& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetU64(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

std::vector<uint8_t> PathArgument(const std::string& path) {
  std::vector<uint8_t> out(path.begin(), path.end());
  out.push_back(0);
  return out;
}

// The code of a status reply: 0 for success; a status without its code is
// a damaged reply. AFC's codes are small numbers; a larger one is cut to fit
// beside the program's own results.
MobileResult StatusCode(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 8) return kMobileBadReply;
  const uint64_t code = GetU64(bytes.data());
  return code == 0 ? kMobileOk : static_cast<MobileResult>(std::min<uint64_t>(code, 0xFFFF));
}

// The code of a reply that should only carry a status.
MobileResult OnlyStatus(uint64_t operation, const std::vector<uint8_t>& bytes) {
  return operation == opStatus ? StatusCode(bytes) : kMobileBadReply;
}

}  // namespace

std::vector<std::string> SplitAfcTexts(std::span<const uint8_t> bytes) {
  std::vector<std::string> texts;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != 0) continue;
    texts.emplace_back(reinterpret_cast<const char*>(bytes.data()) + start, i - start);
    start = i + 1;
  }
  if (start < bytes.size()) {
    texts.emplace_back(reinterpret_cast<const char*>(bytes.data()) + start, bytes.size() - start);
  }
  return texts;
}

AfcClient::AfcClient(std::unique_ptr<AfcChannel> channel, int silenceLimitMs)
    : channel_(std::move(channel)), silenceLimitMs_(silenceLimitMs) {}

MobileResult AfcClient::Broken(MobileResult code) {
  broken_ = code;
  return code;
}

MobileResult AfcClient::ReceiveExact(std::span<uint8_t> bytes) {
  int silentMs = 0;
  for (size_t done = 0; done < bytes.size();) {
    if (aborted_) return Broken(kMobileStopped);
    if (silentMs >= silenceLimitMs_) return Broken(kMobileTimedOut);
    const int wait = std::min(kWaitSliceMs, silenceLimitMs_ - silentMs);
    const int64_t got = channel_->Receive(bytes.data() + done, bytes.size() - done, wait);
    if (got < 0) return Broken(kMobileGone);
    if (got == 0) {
      silentMs += wait;
      continue;
    }
    silentMs = 0;
    done += static_cast<size_t>(std::min<int64_t>(got, static_cast<int64_t>(bytes.size() - done)));
  }
  return kMobileOk;
}

MobileResult AfcClient::ReceiveReply(uint64_t maxReply, Reply& reply, std::span<uint8_t> into) {
  uint8_t header[kHeaderBytes];
  if (const MobileResult code = ReceiveExact(header)) return code;
  const uint64_t whole = GetU64(header + 8);
  const uint64_t headed = GetU64(header + 16);
  // Nothing of a reply is taken in unless its lengths hold together and fit
  // what was asked for: the rest of the stream is unknown then.
  if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || headed < kHeaderBytes || whole < headed ||
      whole - kHeaderBytes > maxReply || GetU64(header + 24) != packetNumber_) {
    return Broken(kMobileBadReply);
  }
  reply.Operation = GetU64(header + 32);
  const uint64_t length = whole - kHeaderBytes;
  if (reply.Operation == opData && headed == kHeaderBytes && length <= into.size()) {
    reply.Direct = length;
    return ReceiveExact(into.first(length));
  }
  reply.Bytes.resize(length);
  return ReceiveExact(reply.Bytes);
}

MobileResult AfcClient::Exchange(uint64_t operation, const std::vector<uint8_t>& arguments,
                                 uint64_t maxReply, Reply& reply, std::span<uint8_t> into) {
  const std::lock_guard lock(mutex_);
  if (aborted_) return Broken(kMobileStopped);
  if (broken_ != kMobileOk) return broken_;
  std::vector<uint8_t> packet(kMagic, kMagic + sizeof kMagic);
  const uint64_t length = kHeaderBytes + arguments.size();
  PutU64(packet, length);
  PutU64(packet, length);
  PutU64(packet, ++packetNumber_);
  PutU64(packet, operation);
  packet.insert(packet.end(), arguments.begin(), arguments.end());
  if (!channel_->Send(packet)) return Broken(kMobileGone);
  // A status reply carries its code in 8 bytes, whatever was asked.
  return ReceiveReply(std::max<uint64_t>(maxReply, 8), reply, into);
}

MobileResult AfcClient::ListRequest(uint64_t operation, const std::string& path,
                                    std::vector<std::string>& texts) {
  texts.clear();
  Reply reply;
  if (const MobileResult code = Exchange(operation, PathArgument(path), kMaxAfcListReply, reply)) {
    return code;
  }
  if (reply.Operation != opData) return OnlyStatus(reply.Operation, reply.Bytes);
  texts = SplitAfcTexts(reply.Bytes);
  return kMobileOk;
}

MobileResult AfcClient::FileInfo(const std::string& path, std::vector<AfcInfoPair>& info) {
  info.clear();
  std::vector<std::string> texts;
  const MobileResult code = ListRequest(opFileInfo, path, texts);
  for (size_t i = 0; i + 1 < texts.size(); i += 2) info.push_back({texts[i], texts[i + 1]});
  return code;
}

MobileResult AfcClient::ReadDirectory(const std::string& path, std::vector<std::string>& names) {
  return ListRequest(opReadDirectory, path, names);
}

MobileResult AfcClient::OpenForReading(const std::string& path, uint64_t& file) {
  std::vector<uint8_t> arguments;
  PutU64(arguments, kOpenReadOnly);
  const std::vector<uint8_t> name = PathArgument(path);
  arguments.insert(arguments.end(), name.begin(), name.end());
  Reply reply;
  if (const MobileResult code = Exchange(opFileOpen, arguments, 8, reply)) return code;
  if (reply.Operation != opFileOpenResult || reply.Bytes.size() < 8) {
    const MobileResult code = OnlyStatus(reply.Operation, reply.Bytes);
    return code == kMobileOk ? kMobileBadReply : code;  // a success without a file
  }
  file = GetU64(reply.Bytes.data());
  return kMobileOk;
}

MobileResult AfcClient::Read(uint64_t file, uint8_t* buffer, uint32_t& count) {
  const uint32_t room = count;
  count = 0;
  std::vector<uint8_t> arguments;
  PutU64(arguments, file);
  PutU64(arguments, room);
  Reply reply;
  // A reply longer than `room` is refused before it is taken in; the file's
  // bytes go straight into `buffer`.
  if (const MobileResult code = Exchange(opFileRead, arguments, room, reply, {buffer, room})) {
    return code;
  }
  if (reply.Operation != opData) return OnlyStatus(reply.Operation, reply.Bytes);
  if (reply.Bytes.size() > room) return kMobileBadReply;  // a status-sized reply to a tiny read
  if (reply.Direct == 0) std::copy(reply.Bytes.begin(), reply.Bytes.end(), buffer);
  count = static_cast<uint32_t>(reply.Direct != 0 ? reply.Direct : reply.Bytes.size());
  return kMobileOk;
}

MobileResult AfcClient::Seek(uint64_t file, int64_t offset) {
  std::vector<uint8_t> arguments;
  PutU64(arguments, file);
  PutU64(arguments, kSeekFromStart);
  PutU64(arguments, static_cast<uint64_t>(offset));
  Reply reply;
  if (const MobileResult code = Exchange(opFileSeek, arguments, 8, reply)) return code;
  return OnlyStatus(reply.Operation, reply.Bytes);
}

MobileResult AfcClient::Close(uint64_t file) {
  std::vector<uint8_t> arguments;
  PutU64(arguments, file);
  Reply reply;
  if (const MobileResult code = Exchange(opFileClose, arguments, 8, reply)) return code;
  return OnlyStatus(reply.Operation, reply.Bytes);
}

}  // namespace ortelan::platform
