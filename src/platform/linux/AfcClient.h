#pragma once

// The device's file service (AFC) spoken over a byte channel: the requests
// the program makes (file information, folder listings, read-only files),
// each with a deadline, every reply bounded before anything is allocated,
// and a stop that ends a request in flight from any thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/MobileDevice.h"

namespace ortelan::platform {

// The connection under the file service: a socket to the device in the
// program, a script in the tests.
class AfcChannel {
 public:
  virtual ~AfcChannel() = default;
  // Sends every byte; false when the connection failed.
  virtual bool Send(std::span<const uint8_t> bytes) = 0;
  // Receives at most `room` bytes, waiting at most `waitMs` for the first:
  // the count, 0 when nothing came in time, -1 when the connection is closed
  // or failed.
  virtual int64_t Receive(uint8_t* buffer, size_t room, int waitMs) = 0;
};

// The largest reply of a listing or file information: real ones are
// kilobytes; a folder of 100,000 names stays under 8 MiB.
constexpr uint64_t kMaxAfcListReply = uint64_t{16} << 20;

class AfcClient {
 public:
  explicit AfcClient(std::unique_ptr<AfcChannel> channel,
                     int silenceLimitMs = kDeviceSilenceLimitMs);

  MobileResult FileInfo(const std::string& path, std::vector<AfcInfoPair>& info);
  MobileResult ReadDirectory(const std::string& path, std::vector<std::string>& names);
  MobileResult OpenForReading(const std::string& path, uint64_t& file);
  // `count`: in, the room in `buffer`; out, the bytes the device gave. A
  // reply longer than asked for is refused, not cut.
  MobileResult Read(uint64_t file, uint8_t* buffer, uint32_t& count);
  MobileResult Seek(uint64_t file, int64_t offset);
  MobileResult Close(uint64_t file);
  // Ends the request in flight within a fraction of a second; every later
  // request fails at once. Any thread.
  void Abort() { aborted_ = true; }

 private:
  struct Reply {
    uint64_t Operation = 0;
    std::vector<uint8_t> Bytes;  // the reply's arguments and payload, joined
    // A data reply received straight into the caller's buffer: its length.
    size_t Direct = 0;
  };
  // Sends one request and receives its reply, whose arguments and payload
  // together may not exceed `maxReply` bytes. A data reply without
  // arguments goes straight into `into` when given (a file's bytes).
  MobileResult Exchange(uint64_t operation, const std::vector<uint8_t>& arguments,
                        uint64_t maxReply, Reply& reply, std::span<uint8_t> into = {});
  MobileResult ReceiveReply(uint64_t maxReply, Reply& reply, std::span<uint8_t> into);
  // Fills `bytes` whole within the silence limit; an error result otherwise.
  MobileResult ReceiveExact(std::span<uint8_t> bytes);
  // A request on a path answered by NUL-ended texts.
  MobileResult ListRequest(uint64_t operation, const std::string& path,
                           std::vector<std::string>& texts);
  // Fails every later request: the stream is out of step once a reply was
  // cut short.
  MobileResult Broken(MobileResult code);

  std::unique_ptr<AfcChannel> channel_;
  const int silenceLimitMs_;
  std::mutex mutex_;  // one request at a time
  uint64_t packetNumber_ = 0;
  std::atomic<bool> aborted_{false};
  MobileResult broken_ = kMobileOk;
};

// Splits a reply of NUL-ended texts ("a\0b\0") into its texts; a last one
// without its NUL counts too.
std::vector<std::string> SplitAfcTexts(std::span<const uint8_t> bytes);

}  // namespace ortelan::platform
