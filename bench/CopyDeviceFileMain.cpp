// Copies every file of a device folder to a PC folder with CopyDeviceFile and
// prints the seconds it took; copy_device_file.sh compares that with cp.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "device/iPodDev.h"
#include "platform/QueueDispatcher.h"

int main(int argc, char** argv) {
  using namespace ortelan;
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IPOD_ROOT DEVICE_FOLDER DEST\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1], folder = argv[2], dest = argv[3];
  platform::QueueDispatcher dispatcher;
  auto volumes = platform::MakeFolderVolumeSource({root});
  auto files = platform::MakeFileSystem();
  TIpodDevice device(nullptr, DeviceServices{*volumes, *files, dispatcher});
  if (!device.ScanDrives()) return 1;

  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(root + "/" + folder)) {
    names.push_back(entry.path().filename().string());
  }
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& name : names) {
    if (device.CopyDeviceFile(":" + folder + ":" + name, dest + "/" + name) != 0) return 1;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", took.count());
  return 0;
}
