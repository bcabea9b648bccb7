#pragma once

// The mobile-device library through which iPhones, iPads and iPod touches are
// reached: device notifications, the connection sequence (connect, pairing,
// session, the file service) and the AFC file calls. The iOS session is its
// only user. On Linux it is served by libimobiledevice; tests drive a fake.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ortelan::platform {

// A result of the library: 0 is success, anything else is the library's own
// code, carried unsigned (a negative code shows as a ten-digit number).
using MobileResult = uint32_t;
constexpr MobileResult kMobileOk = 0;
// Results of the program's own, beside the library's codes.
constexpr MobileResult kMobileTimedOut = 0xFFFF0001;  // the device stopped answering
constexpr MobileResult kMobileStopped = 0xFFFF0002;   // a stop request ended the request
constexpr MobileResult kMobileBadReply = 0xFFFF0003;  // a reply that breaks the protocol
constexpr MobileResult kMobileGone = 0xFFFF0004;      // the connection is closed

// How long a device may send nothing in the middle of a request before it
// counts as gone.
constexpr int kDeviceSilenceLimitMs = 20000;

// The message code of a device notification.
enum class DeviceMessage : uint32_t {
  Attached = 1,
  Detached = 2,  // any code but Attached means the device is gone
};

// A notification: the device (its UDID stands for the library's device
// handle) and what happened to it.
struct DeviceNotice {
  std::string Device;
  DeviceMessage Message = DeviceMessage::Detached;
};

// What the subscriber is told of each notification, on the library's thread.
using DeviceNoticeHandler = std::function<void(const DeviceNotice& notice)>;

// A started service and an open AFC connection: opaque, each implementation
// has its own kind.
class MobileService {
 public:
  virtual ~MobileService() = default;
};
class AfcConnection {
 public:
  virtual ~AfcConnection() = default;
};

// What a device listing shows: its name, product type ("iPhone7,2") and iOS
// version.
struct DeviceFacts {
  std::string Name;
  std::string ProductType;
  std::string Version;
};

// One key and value of a path's file information ("st_ifmt", "S_IFREG").
struct AfcInfoPair {
  std::string Key;
  std::string Value;
};

class MobileDeviceApi {
 public:
  virtual ~MobileDeviceApi() = default;

  // Notifications, to one subscriber at a time: `handler` replaces the one
  // before. A device already attached is reported as attached, also to a
  // later subscriber.
  virtual MobileResult NotificationSubscribe(DeviceNoticeHandler handler) = 0;
  // No notification reaches the handler once this returns, and none is
  // being handled then.
  virtual void NotificationUnsubscribe() = 0;

  // The devices attached now, by UDID.
  virtual std::vector<std::string> AttachedDevices() = 0;

  // The connection sequence, by device.
  virtual MobileResult Connect(const std::string& device) = 0;
  virtual bool IsPaired(const std::string& device) = 0;
  virtual MobileResult ValidatePairing(const std::string& device) = 0;
  virtual MobileResult Pair(const std::string& device) = 0;
  virtual MobileResult StartSession(const std::string& device) = 0;
  virtual MobileResult StartService(const std::string& device, const std::string& name,
                                    std::unique_ptr<MobileService>& service) = 0;
  // Results ignored; a started service stays usable.
  virtual void StopSession(const std::string& device) = 0;
  virtual void Disconnect(const std::string& device) = 0;
  // What a listing shows of the device, read in one request; works
  // without a session.
  virtual MobileResult ReadDeviceFacts(const std::string& device, DeviceFacts& facts) = 0;

  // The AFC file service. Paths are relative to the device's media folder,
  // with "/" separators.
  virtual MobileResult AfcConnectionOpen(std::unique_ptr<MobileService> service,
                                         std::unique_ptr<AfcConnection>& connection) = 0;
  virtual MobileResult AfcConnectionClose(std::unique_ptr<AfcConnection>& connection) = 0;
  // 0 when the path exists, with its information in `info`.
  virtual MobileResult AfcFileInfo(AfcConnection& connection, const std::string& path,
                                   std::vector<AfcInfoPair>& info) = 0;
  // Opens a file for reading only.
  virtual MobileResult AfcFileRefOpen(AfcConnection& connection, const std::string& path,
                                      uint64_t& file) = 0;
  // `count`: in, the room in `buffer`; out, the bytes read (fewer only at the
  // end of the file).
  virtual MobileResult AfcFileRefRead(AfcConnection& connection, uint64_t file, uint8_t* buffer,
                                      uint32_t& count) = 0;
  // To `offset` from the start of the file.
  virtual MobileResult AfcFileRefSeek(AfcConnection& connection, uint64_t file, int64_t offset) = 0;
  virtual MobileResult AfcFileRefClose(AfcConnection& connection, uint64_t file) = 0;
  // The names in a folder, "." and ".." among them, in the library's order.
  virtual MobileResult AfcReadDirectory(AfcConnection& connection, const std::string& path,
                                        std::vector<std::string>& names) = 0;
  // Ends the request in flight on `connection` within moments (it fails with
  // kMobileStopped), and every later one; from any thread, while the
  // connection lives.
  virtual void AfcAbort(AfcConnection& connection) = 0;

  // Rewrites the property list `src` (XML or binary) as XML into `dst`; they
  // may be the same file. False when it cannot be read or written.
  virtual bool ConvertPlistToXml(const std::string& src, const std::string& dst) = 0;
};

// The platform's library, one per process (its notifications are
// process-wide); null when it cannot be used here.
MobileDeviceApi* ProcessMobileDevice();

}  // namespace ortelan::platform
