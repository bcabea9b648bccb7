// The mobile-device library served by libimobiledevice, libusbmuxd and
// libplist: usbmuxd's device events, lockdownd's pairing and session, the AFC
// file service (spoken by AfcClient over the library's connection), and
// property lists.

#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <plist/plist.h>
#include <poll.h>
#include <sys/socket.h>
#include <usbmuxd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>

#include "platform/MobileDevice.h"
#include "platform/linux/AfcClient.h"

namespace ortelan::platform {

namespace {

constexpr const char* kClientLabel = "ortelan";
// Not a code of the library: the device is not connected (or already gone).
constexpr MobileResult kNotConnected = static_cast<MobileResult>(LOCKDOWN_E_INVALID_ARG);

MobileResult Code(int code) { return static_cast<MobileResult>(code); }

using DeviceRef = std::shared_ptr<idevice_private>;

DeviceRef NewDevice(const std::string& udid, idevice_error_t& error) {
  idevice_t device = nullptr;
  error = idevice_new_with_options(&device, udid.c_str(), IDEVICE_LOOKUP_USBMUX);
  if (error != IDEVICE_E_SUCCESS) return nullptr;
  return DeviceRef(device, idevice_free);
}

// A started service: its descriptor and the device it runs on.
class ImobileService : public MobileService {
 public:
  ImobileService(DeviceRef device, lockdownd_service_descriptor_t descriptor)
      : Device(std::move(device)), Descriptor(descriptor) {}
  ~ImobileService() override { lockdownd_service_descriptor_free(Descriptor); }
  DeviceRef Device;
  lockdownd_service_descriptor_t Descriptor;
};

// The file service's connection to the device. Without TLS (the file
// service's usual way) the socket is read directly, so that every wait has a
// deadline; with TLS through the library's own calls, in slices.
class IdeviceChannel : public AfcChannel {
 public:
  IdeviceChannel(idevice_connection_t connection, bool tls) : connection_(connection), tls_(tls) {
    if (idevice_connection_get_fd(connection_, &fd_) != IDEVICE_E_SUCCESS) fd_ = -1;
  }
  ~IdeviceChannel() override { idevice_disconnect(connection_); }
  IdeviceChannel(const IdeviceChannel&) = delete;
  IdeviceChannel& operator=(const IdeviceChannel&) = delete;

  bool Send(std::span<const uint8_t> bytes) override;
  int64_t Receive(uint8_t* buffer, size_t room, int waitMs) override;

 private:
  int64_t ReceiveTls(uint8_t* buffer, size_t room, int waitMs);

  idevice_connection_t connection_;
  bool tls_;
  int fd_ = -1;
};

bool IdeviceChannel::Send(std::span<const uint8_t> bytes) {
  for (size_t done = 0; done < bytes.size();) {
    uint32_t sent = 0;
    if (tls_) {
      if (idevice_connection_send(connection_, reinterpret_cast<const char*>(bytes.data() + done),
                                  static_cast<uint32_t>(bytes.size() - done),
                                  &sent) != IDEVICE_E_SUCCESS) {
        return false;
      }
    } else {
      // No SIGPIPE from a device that went.
      const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      sent = static_cast<uint32_t>(n);
    }
    if (sent == 0) return false;
    done += sent;
  }
  return true;
}

int64_t IdeviceChannel::Receive(uint8_t* buffer, size_t room, int waitMs) {
  if (tls_) return ReceiveTls(buffer, room, waitMs);
  if (fd_ < 0) return -1;
  pollfd watched{fd_, POLLIN, 0};
  const int ready = ::poll(&watched, 1, waitMs);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return 0;
  const ssize_t n = ::recv(fd_, buffer, room, 0);
  if (n < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
  return n == 0 ? -1 : n;  // 0 bytes from a readable socket: closed
}

int64_t IdeviceChannel::ReceiveTls(uint8_t* buffer, size_t room, int waitMs) {
  uint32_t got = 0;
  const idevice_error_t error =
      idevice_connection_receive_timeout(connection_, reinterpret_cast<char*>(buffer),
                                         static_cast<uint32_t>(std::min<size_t>(room, UINT32_MAX)),
                                         &got, static_cast<unsigned int>(waitMs));
  if (got > 0) return got;
  return error == IDEVICE_E_SUCCESS || error == IDEVICE_E_TIMEOUT ||
                 error == IDEVICE_E_NOT_ENOUGH_DATA
             ? 0
             : -1;
}

class ImobileAfc : public AfcConnection {
 public:
  ImobileAfc(DeviceRef device, std::unique_ptr<AfcChannel> channel)
      : Device(std::move(device)), Client(std::move(channel)) {}
  DeviceRef Device;
  AfcClient Client;
};

AfcClient& ClientOf(AfcConnection& connection) {
  return static_cast<ImobileAfc&>(connection).Client;
}

std::string StringValue(plist_t node) {
  std::string value;
  if (node && plist_get_node_type(node) == PLIST_STRING) {
    char* text = nullptr;
    plist_get_string_val(node, &text);
    if (text) value = text;
    std::free(text);
  }
  return value;
}

// The host id of this computer's pairing with the device; empty when it has
// none.
std::string PairedHostId(const std::string& udid) {
  char* record = nullptr;
  uint32_t size = 0;
  if (usbmuxd_read_pair_record(udid.c_str(), &record, &size) < 0 || !record) return {};
  plist_t plist = nullptr;
  plist_from_memory(record, size, &plist);
  std::free(record);
  const std::string hostId = StringValue(plist ? plist_dict_get_item(plist, "HostID") : nullptr);
  plist_free(plist);
  return hostId;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

class ImobileDeviceApi : public MobileDeviceApi {
 public:
  MobileResult NotificationSubscribe(DeviceNoticeHandler handler) override;
  void NotificationUnsubscribe() override;
  std::vector<std::string> AttachedDevices() override;
  MobileResult Connect(const std::string& device) override;
  bool IsPaired(const std::string& device) override { return !PairedHostId(device).empty(); }
  MobileResult ValidatePairing(const std::string& device) override;
  MobileResult Pair(const std::string& device) override;
  MobileResult StartSession(const std::string& device) override;
  MobileResult StartService(const std::string& device, const std::string& name,
                            std::unique_ptr<MobileService>& service) override;
  void StopSession(const std::string& device) override;
  void Disconnect(const std::string& device) override;
  MobileResult ReadDeviceFacts(const std::string& device, DeviceFacts& facts) override;
  MobileResult AfcConnectionOpen(std::unique_ptr<MobileService> service,
                                 std::unique_ptr<AfcConnection>& connection) override;
  MobileResult AfcConnectionClose(std::unique_ptr<AfcConnection>& connection) override {
    connection.reset();
    return kMobileOk;
  }
  MobileResult AfcFileInfo(AfcConnection& connection, const std::string& path,
                           std::vector<AfcInfoPair>& info) override {
    return ClientOf(connection).FileInfo(path, info);
  }
  MobileResult AfcFileRefOpen(AfcConnection& connection, const std::string& path,
                              uint64_t& file) override {
    return ClientOf(connection).OpenForReading(path, file);
  }
  MobileResult AfcFileRefRead(AfcConnection& connection, uint64_t file, uint8_t* buffer,
                              uint32_t& count) override {
    return ClientOf(connection).Read(file, buffer, count);
  }
  MobileResult AfcFileRefSeek(AfcConnection& connection, uint64_t file, int64_t offset) override {
    return ClientOf(connection).Seek(file, offset);
  }
  MobileResult AfcFileRefClose(AfcConnection& connection, uint64_t file) override {
    return ClientOf(connection).Close(file);
  }
  MobileResult AfcReadDirectory(AfcConnection& connection, const std::string& path,
                                std::vector<std::string>& names) override {
    return ClientOf(connection).ReadDirectory(path, names);
  }
  void AfcAbort(AfcConnection& connection) override { ClientOf(connection).Abort(); }
  bool ConvertPlistToXml(const std::string& src, const std::string& dst) override;

 private:
  // A device between Connect and Disconnect.
  struct Lockdown {
    DeviceRef Device;
    lockdownd_client_t Client = nullptr;
    std::string SessionId;
  };

  static void OnEvent(const idevice_event_t* event, void* self);
  void Deliver(const idevice_event_t& event);
  // Runs `call` on the device's lockdown client under the lock.
  template <typename Call>
  MobileResult WithLockdown(const std::string& device, Call call);

  std::mutex subscribeMutex_;  // one subscriber at a time
  bool subscribed_ = false;
  std::mutex eventMutex_;  // the attached devices
  std::set<std::string> attached_;
  // Held while the handler runs and while it changes, so that it is never
  // called once unsubscribed. Never held while subscribing to the library,
  // whose event thread holds its own lock when it delivers.
  std::mutex handlerMutex_;
  DeviceNoticeHandler handler_;

  std::mutex lockdownMutex_;
  std::map<std::string, Lockdown> lockdowns_;
};

MobileResult ImobileDeviceApi::NotificationSubscribe(DeviceNoticeHandler handler) {
  const std::lock_guard subscribing(subscribeMutex_);
  {
    const std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
  }
  if (!subscribed_) {
    // libusbmuxd sets up its state on the first call, unguarded: made here,
    // before its event thread exists, and not by both threads at once.
    AttachedDevices();
    const idevice_error_t error = idevice_event_subscribe(OnEvent, this);
    if (error != IDEVICE_E_SUCCESS) return Code(error);
    subscribed_ = true;
    return kMobileOk;  // the library reports the devices already there
  }
  // A later subscriber learns of the devices the library reported before.
  std::set<std::string> already;
  {
    const std::lock_guard lock(eventMutex_);
    already = attached_;
  }
  const std::lock_guard lock(handlerMutex_);
  for (const std::string& device : already) {
    if (handler_) handler_({device, DeviceMessage::Attached});
  }
  return kMobileOk;
}

void ImobileDeviceApi::NotificationUnsubscribe() {
  const std::lock_guard lock(handlerMutex_);
  handler_ = nullptr;
}

void ImobileDeviceApi::OnEvent(const idevice_event_t* event, void* self) {
  if (event && event->udid) static_cast<ImobileDeviceApi*>(self)->Deliver(*event);
}

void ImobileDeviceApi::Deliver(const idevice_event_t& event) {
  // Devices over the network are not served, and a pairing is no coming or
  // going.
  if (event.conn_type != CONNECTION_USBMUXD || event.event == IDEVICE_DEVICE_PAIRED) return;
  const DeviceNotice notice{event.udid, event.event == IDEVICE_DEVICE_ADD
                                            ? DeviceMessage::Attached
                                            : DeviceMessage::Detached};
  {
    const std::lock_guard lock(eventMutex_);
    if (notice.Message == DeviceMessage::Attached) {
      attached_.insert(notice.Device);
    } else {
      attached_.erase(notice.Device);
    }
  }
  const std::lock_guard lock(handlerMutex_);
  if (handler_) handler_(notice);
}

std::vector<std::string> ImobileDeviceApi::AttachedDevices() {
  std::vector<std::string> devices;
  idevice_info_t* list = nullptr;
  int count = 0;
  if (idevice_get_device_list_extended(&list, &count) != IDEVICE_E_SUCCESS) return devices;
  for (int i = 0; i < count; ++i) {
    if (list[i]->conn_type == CONNECTION_USBMUXD) devices.emplace_back(list[i]->udid);
  }
  idevice_device_list_extended_free(list);
  return devices;
}

MobileResult ImobileDeviceApi::Connect(const std::string& device) {
  idevice_error_t deviceError = IDEVICE_E_SUCCESS;
  DeviceRef handle = NewDevice(device, deviceError);
  if (!handle) return Code(deviceError);
  lockdownd_client_t client = nullptr;
  const lockdownd_error_t error = lockdownd_client_new(handle.get(), &client, kClientLabel);
  if (error != LOCKDOWN_E_SUCCESS) return Code(error);
  Disconnect(device);  // a connection left from before
  const std::lock_guard lock(lockdownMutex_);
  lockdowns_[device] = Lockdown{std::move(handle), client, {}};
  return kMobileOk;
}

template <typename Call>
MobileResult ImobileDeviceApi::WithLockdown(const std::string& device, Call call) {
  const std::lock_guard lock(lockdownMutex_);
  const auto found = lockdowns_.find(device);
  if (found == lockdowns_.end()) return kNotConnected;
  return Code(call(found->second));
}

MobileResult ImobileDeviceApi::ValidatePairing(const std::string& device) {
  return WithLockdown(device,
                      [](Lockdown& l) { return lockdownd_validate_pair(l.Client, nullptr); });
}

MobileResult ImobileDeviceApi::Pair(const std::string& device) {
  return WithLockdown(device, [](Lockdown& l) { return lockdownd_pair(l.Client, nullptr); });
}

MobileResult ImobileDeviceApi::StartSession(const std::string& device) {
  const std::string hostId = PairedHostId(device);
  if (hostId.empty()) return Code(LOCKDOWN_E_INVALID_HOST_ID);
  return WithLockdown(device, [&](Lockdown& l) {
    char* session = nullptr;
    int sslEnabled = 0;
    const lockdownd_error_t error =
        lockdownd_start_session(l.Client, hostId.c_str(), &session, &sslEnabled);
    if (session) l.SessionId = session;
    std::free(session);
    return error;
  });
}

MobileResult ImobileDeviceApi::StartService(const std::string& device, const std::string& name,
                                            std::unique_ptr<MobileService>& service) {
  return WithLockdown(device, [&](Lockdown& l) {
    lockdownd_service_descriptor_t descriptor = nullptr;
    const lockdownd_error_t error = lockdownd_start_service(l.Client, name.c_str(), &descriptor);
    if (error == LOCKDOWN_E_SUCCESS)
      service = std::make_unique<ImobileService>(l.Device, descriptor);
    return error;
  });
}

void ImobileDeviceApi::StopSession(const std::string& device) {
  WithLockdown(device, [](Lockdown& l) {
    if (l.SessionId.empty()) return LOCKDOWN_E_SUCCESS;
    const lockdownd_error_t error = lockdownd_stop_session(l.Client, l.SessionId.c_str());
    l.SessionId.clear();
    return error;
  });
}

void ImobileDeviceApi::Disconnect(const std::string& device) {
  Lockdown ended;
  {
    const std::lock_guard lock(lockdownMutex_);
    const auto found = lockdowns_.find(device);
    if (found == lockdowns_.end()) return;
    ended = std::move(found->second);
    lockdowns_.erase(found);
  }
  lockdownd_client_free(ended.Client);
}

MobileResult ImobileDeviceApi::ReadDeviceFacts(const std::string& device, DeviceFacts& facts) {
  facts = {};
  idevice_error_t deviceError = IDEVICE_E_SUCCESS;
  const DeviceRef handle = NewDevice(device, deviceError);
  if (!handle) return Code(deviceError);
  lockdownd_client_t client = nullptr;
  lockdownd_error_t error = lockdownd_client_new(handle.get(), &client, kClientLabel);
  if (error != LOCKDOWN_E_SUCCESS) return Code(error);
  plist_t values = nullptr;  // every value of the default domain at once
  error = lockdownd_get_value(client, nullptr, nullptr, &values);
  if (values && plist_get_node_type(values) == PLIST_DICT) {
    facts.Name = StringValue(plist_dict_get_item(values, "DeviceName"));
    facts.ProductType = StringValue(plist_dict_get_item(values, "ProductType"));
    facts.Version = StringValue(plist_dict_get_item(values, "ProductVersion"));
  }
  plist_free(values);
  lockdownd_client_free(client);
  return Code(error);
}

MobileResult ImobileDeviceApi::AfcConnectionOpen(std::unique_ptr<MobileService> service,
                                                 std::unique_ptr<AfcConnection>& connection) {
  auto* started = dynamic_cast<ImobileService*>(service.get());
  if (!started) return kMobileBadReply;
  idevice_connection_t socket = nullptr;
  idevice_error_t error =
      idevice_connect(started->Device.get(), started->Descriptor->port, &socket);
  if (error != IDEVICE_E_SUCCESS) return Code(error);
  const bool tls = started->Descriptor->ssl_enabled != 0;
  if (tls && (error = idevice_connection_enable_ssl(socket)) != IDEVICE_E_SUCCESS) {
    idevice_disconnect(socket);
    return Code(error);
  }
  connection =
      std::make_unique<ImobileAfc>(started->Device, std::make_unique<IdeviceChannel>(socket, tls));
  return kMobileOk;
}

bool ImobileDeviceApi::ConvertPlistToXml(const std::string& src, const std::string& dst) {
  std::string bytes;
  if (!ReadWholeFile(src, bytes) || bytes.size() > UINT32_MAX) return false;
  plist_t plist = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &plist);
  if (!plist) return false;
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(plist, &xml, &length);
  plist_free(plist);
  if (!xml) return false;
  std::ofstream out(dst, std::ios::binary | std::ios::trunc);
  out.write(xml, length);
  plist_to_xml_free(xml);
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

MobileDeviceApi* ProcessMobileDevice() {
  // Never destroyed: the library's event thread may call it until the end.
  static auto* const api = new ImobileDeviceApi;
  return api;
}

}  // namespace ortelan::platform
