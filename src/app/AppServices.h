#pragma once

// What the windows share for the life of the program: the platform services
// every device manager works through, and the launcher's place (the detail
// log centres on it).

#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "app/QtDispatcher.h"
#include "device/iPodDev.h"
#include "platform/Platform.h"

namespace ortelan::app {

struct AppServices {
  // Removable volumes, or only `deviceFolders` when any are given.
  explicit AppServices(const std::vector<std::string>& deviceFolders);
  // For tests: services of their own.
  AppServices(std::unique_ptr<platform::VolumeSource> volumes,
              std::unique_ptr<platform::FileSystem> files);

  DeviceServices ForDevice() { return {*Volumes, *Files, Dispatcher, Mobile}; }

  std::unique_ptr<platform::VolumeSource> Volumes;
  std::unique_ptr<platform::FileSystem> Files;
  QtDispatcher Dispatcher;
  // iPhones and iPads; null when only device folders are looked at.
  platform::MobileDeviceApi* Mobile = nullptr;
  QRect LauncherPlace;  // where the launcher is (or was when it hid)
};

}  // namespace ortelan::app
