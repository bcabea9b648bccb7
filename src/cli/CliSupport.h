#pragma once

// What the commands of ortelan-cli share: argument reading, JSON text and the
// device manager set up over the machine's volumes or the given folders.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "photo/iPodPhoto.h"
#include "platform/QueueDispatcher.h"

namespace ortelan::cli {

constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSomeFailed = 3;

// How long an attached iOS device may take to connect (pairing included).
constexpr std::chrono::seconds kIosConnectWait{20};

// Thrown for a malformed command line; main prints it and exits with 2.
struct UsageError {
  std::string Message;
};

// Options of the form --name or --name VALUE, in any order.
class Arguments {
 public:
  Arguments(std::vector<std::string> args) : args_(std::move(args)) {}
  // Takes a flag; true when it was there.
  bool Flag(std::string_view name);
  // Takes every "--name VALUE"; throws when the value is missing.
  std::vector<std::string> Values(std::string_view name);
  // Takes one "--name VALUE"; `fallback` when absent; throws when repeated.
  std::string Value(std::string_view name, const std::string& fallback = "");
  // Throws when anything was not taken.
  void ExpectEmpty() const;

 private:
  std::vector<std::string> args_;
};

std::string JsonString(std::string_view text);

// A log text with CR LF line breaks, for a terminal.
std::string WithoutCarriageReturns(std::string_view text);

// Text from a device (tags, names, log lines) as it may be printed: no
// control character reaches the terminal.
std::string Shown(std::string_view text);

// A library's log as the terminal shows it: line feeds only, no control
// characters from tags, and the system's text after each error code
// ("Err 28 (No space left on device)"); the stored log keeps its words.
std::string LogForTerminal(std::string_view log);

// The absolute form of the destination the user named. Throws
// std::runtime_error when it cannot be made (the working folder is gone).
std::string DestinationFolder(const std::string& to);
// The message a library's PrepareDestination left in place of the folder,
// on standard error (its line breaks are carriage returns).
void PrintDestinationError(std::string message);

// Runs the dispatcher until the worker has finished, asking it to stop (as
// the window's Cancel does) once Ctrl-C is pressed or the process is told to
// end (SIGTERM, SIGHUP). True when it was asked to stop.
bool RunWorkerUntilDone(platform::QueueDispatcher& dispatcher,
                        const std::function<bool()>& finished,
                        const std::function<void()>& terminate);

// `text` cut or padded to `width` terminal columns (wide East Asian
// characters and emoji take two).
std::string Column(std::string_view text, size_t width);

// The device manager with the services it needs, for one command.
class DeviceSession {
 public:
  // Folders given with --device stand in for volumes; without them the
  // machine's removable volumes are searched.
  explicit DeviceSession(const std::vector<std::string>& folders);
  ~DeviceSession();
  TIpodDevice& Device() { return *device_; }
  // Looks for the iPod as a window does when it opens; prints why not.
  bool Connect();
  platform::QueueDispatcher& Dispatcher() { return dispatcher_; }
  std::vector<platform::Volume> Volumes() { return volumes_->List(); }
  // The mobile-device library; null when only folders are looked at.
  platform::MobileDeviceApi* Mobile() { return mobile_; }

 private:
  // With no disk-mode iPod: waits for an attached iOS device to be
  // connected. False when none is attached or its connection failed.
  bool WaitForIosDevice();

  platform::QueueDispatcher dispatcher_;
  std::unique_ptr<platform::VolumeSource> volumes_;
  std::unique_ptr<platform::FileSystem> files_;
  platform::MobileDeviceApi* mobile_;
  std::unique_ptr<TIpodDevice> device_;
};

// How the connected device is named in a listing: the disk-mode iPod's
// mount point, the iOS device's UDID.
inline std::string DeviceLabel(TIpodDevice& device) {
  return device.IsIos ? device.IosSession().Device() + " (iOS)" : device.Drive;
}

// True when the device's photo library is there but could not be read, and
// nothing stood in for it.
inline bool LibraryDamaged(const TIpodPhotoDb& db) {
  return !db.ReadError.empty() && db.Photos.Count() == 0;
}

// Says in one line on the error stream that the photo library could not
// be read and why, when the older Photo Database stood in for it.
void ReportPhotoLibraryStandIn(const TIpodPhotoDb& db);

// Loads the library as the window does. `loaded` is its result; false when
// the compressed database was damaged (the reason is printed).
bool LoadMusic(TIpodMusicDb& db, bool& loaded);

}  // namespace ortelan::cli
