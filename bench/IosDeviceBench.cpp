// Against the fake iOS device (ios_device.sh serves PHONE_ROOT with it): the
// time from the device manager's creation to a connected iPhone; copying the
// tracks in PHONE_ROOT/bench with CopyDeviceFile against a bare loop of
// afc_file_read with the same buffer size (and against the same loop writing
// what it reads to a file, a bare copy); loading the MediaLibrary.sqlitedb
// in PHONE_ROOT against a bare AFC read of it plus the disk-mode load of the
// same file. Medians of five, the two sides taking turns.

#include <fcntl.h>
#include <libimobiledevice/afc.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "device/SQLiteWrap.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "platform/QueueDispatcher.h"
#include "support/SqliteBuilder.h"

namespace {

namespace fs = std::filesystem;
using namespace ortelan;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;
constexpr uint32_t kBufferBytes = kIosBufferMegabytes * 1048576u;
constexpr const char* kDatabase = "/iTunes_Control/iTunes/MediaLibrary.sqlitedb";
// Tracks in the benchmark's MediaLibrary.sqlitedb: about 50 MB.
constexpr int kItems = 570000;

double Seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The AFC service opened straight through libimobiledevice, nothing of ours.
class BareAfc {
 public:
  explicit BareAfc(const std::string& udid) {
    idevice_new_with_options(&device_, udid.c_str(), IDEVICE_LOOKUP_USBMUX);
    lockdownd_client_new_with_handshake(device_, &lockdown_, "bench");
    lockdownd_start_service(lockdown_, "com.apple.afc", &service_);
    afc_client_new(device_, service_, &afc_);
  }
  ~BareAfc() {
    afc_client_free(afc_);
    lockdownd_service_descriptor_free(service_);
    lockdownd_client_free(lockdown_);
    idevice_free(device_);
  }
  bool Ready() const { return afc_ != nullptr; }
  // Reads the whole file, writing it to `out` when that is open; the bytes
  // read.
  uint64_t Read(const std::string& path, int out = -1) {
    std::vector<char> buffer(kBufferBytes);
    uint64_t file = 0, total = 0;
    if (afc_file_open(afc_, path.c_str(), AFC_FOPEN_RDONLY, &file) != AFC_E_SUCCESS) return 0;
    uint32_t got = 0;
    while (afc_file_read(afc_, file, buffer.data(), kBufferBytes, &got) == AFC_E_SUCCESS &&
           got > 0) {
      total += got;
      if (out >= 0 && write(out, buffer.data(), got) != static_cast<ssize_t>(got)) return 0;
    }
    afc_file_close(afc_, file);
    return total;
  }

 private:
  idevice_t device_ = nullptr;
  lockdownd_client_t lockdown_ = nullptr;
  lockdownd_service_descriptor_t service_ = nullptr;
  afc_client_t afc_ = nullptr;
};

struct Services {
  platform::QueueDispatcher dispatcher;
  std::unique_ptr<platform::VolumeSource> volumes;
  std::unique_ptr<platform::FileSystem> files = platform::MakeFileSystem();
};

bool LoadLibrary(TIpodDevice& device) {
  TIpodMusicDb library(&device);
  return library.LoadIosLibrary() && library.Tracks.Count() > 0;
}

void CompareCopies(TIpodDevice& device, BareAfc& bare, const std::string& root,
                   const std::string& dest) {
  std::vector<std::string> names;
  uint64_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(root + "/bench")) {
    names.push_back(entry.path().filename().string());
    bytes += entry.file_size();
  }
  std::vector<double> ours, theirs, bareCopies;
  const auto copyAll = [&] {
    for (const std::string& name : names) {
      if (device.CopyDeviceFile("/bench/" + name, dest + "/" + name) != 0) std::exit(1);
    }
  };
  const auto readAll = [&] {
    for (const std::string& name : names) bare.Read("/bench/" + name);
  };
  const auto bareCopyAll = [&] {
    for (const std::string& name : names) {
      const int out = open((dest + "/bare-" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      bare.Read("/bench/" + name, out);
      close(out);
    }
  };
  for (int round = 0; round < kRounds; ++round) {
    fs::remove_all(dest);
    fs::create_directories(dest);
    if (round % 2 == 0) ours.push_back(Seconds(copyAll));
    theirs.push_back(Seconds(readAll));
    bareCopies.push_back(Seconds(bareCopyAll));
    if (round % 2 == 1) ours.push_back(Seconds(copyAll));
  }
  const double mib = static_cast<double>(bytes) / 1048576.0, o = Median(ours), t = Median(theirs);
  std::printf("CopyDeviceFile:      %.0f MiB in %.3f s (%.0f MiB/s)\n", mib, o, mib / o);
  std::printf("bare afc_file_read:  %.0f MiB in %.3f s (%.0f MiB/s)\n", mib, t, mib / t);
  std::printf("throughput ratio (ours / bare): %.3f (goal 0.9)\n", t / o);
  const double c = Median(bareCopies);
  std::printf("bare afc copy:       %.0f MiB in %.3f s (%.0f MiB/s); ours / bare copy: %.3f\n", mib,
              c, mib / c, c / o);
}

void CompareDatabaseLoads(TIpodDevice& phone, BareAfc& bare, const std::string& diskRoot) {
  Services disk;
  disk.volumes = platform::MakeFolderVolumeSource({diskRoot});
  TIpodDevice ipod(nullptr, DeviceServices{*disk.volumes, *disk.files, disk.dispatcher});
  if (!ipod.ScanDrives()) std::exit(1);
  std::vector<double> ours, baseline;
  for (int round = 0; round < kRounds; ++round) {
    const auto loadPhone = [&] { ours.push_back(Seconds([&] { LoadLibrary(phone); })); };
    if (round % 2 == 0) loadPhone();
    baseline.push_back(Seconds([&] { bare.Read(kDatabase); }) +
                       Seconds([&] { LoadLibrary(ipod); }));
    if (round % 2 == 1) loadPhone();
  }
  const double o = Median(ours) * 1000, b = Median(baseline) * 1000;
  std::printf(
      "MediaLibrary.sqlitedb of %.1f MB: fetch and read %.1f ms; bare AFC read + disk-mode "
      "load %.1f ms; ratio %.3f (goal 1.2)\n",
      static_cast<double>(fs::file_size(diskRoot + "/iPod_Control/iTunes/"
                                                   "MediaLibrary.sqlitedb")) /
          1e6,
      o, b, o / b);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PHONE_ROOT DISK_ROOT WORK\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1], diskRoot = argv[2], work = argv[3];
  const SQLiteLibrary sqlite;
  // The same database on the phone and on a disk-mode device.
  fixtures::sqlite::MakeDatabase(root + kDatabase, fixtures::sqlite::LargeMediaLibrarySql(kItems));
  fs::create_directories(diskRoot + "/iPod_Control/iTunes");
  fs::copy_file(root + kDatabase, diskRoot + "/iPod_Control/iTunes/MediaLibrary.sqlitedb");
  Services phone;
  phone.volumes = platform::MakeFolderVolumeSource({});
  std::unique_ptr<TIpodDevice> device;
  const double connect = Seconds([&] {
    device = std::make_unique<TIpodDevice>(
        nullptr, DeviceServices{*phone.volumes, *phone.files, phone.dispatcher,
                                platform::ProcessMobileDevice()});
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    phone.dispatcher.RunUntil([&] { return device->Connected || Clock::now() > deadline; });
  });
  if (!device->Connected) {
    std::fprintf(stderr, "no iPhone connected: %s\n", device->IosSession().LastError().c_str());
    return 1;
  }
  std::vector<double> sequences;
  for (int round = 0; round < kRounds; ++round) {
    sequences.push_back(
        Seconds([&] { device->IosSession().ConnectDevice(device->IosSession().Device()); }));
  }
  std::printf("attach to connected: %.1f ms (the connection sequence alone: %.1f ms)\n",
              connect * 1000, Median(sequences) * 1000);
  BareAfc bare(device->IosSession().Device());
  if (!bare.Ready()) return 1;
  CompareCopies(*device, bare, root, work + "/copies");
  CompareDatabaseLoads(*device, bare, diskRoot);
  return 0;
}
