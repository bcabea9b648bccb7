// The machine's removable volumes, watched through the mount table.

#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Platform.h"
#include "platform/linux/MountTable.h"

extern char** environ;

namespace ortelan::platform {

namespace fs = std::filesystem;
using linux_impl::DiffVolumes;

namespace {

constexpr const char* kMountInfo = "/proc/self/mountinfo";
constexpr int kFallbackPollMs = 2000;

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The label udev published for `device`, or the last part of the mount point.
std::string LabelOf(const std::string& device, const std::string& mountPoint) {
  std::error_code ec;
  for (fs::directory_iterator it("/dev/disk/by-label", ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code linkError;
    if (fs::canonical(it->path(), linkError) == fs::path(device) && !linkError) {
      return linux_impl::DecodeLabelName(it->path().filename().string());
    }
  }
  return fs::path(mountPoint).filename().string();
}

// Runs a program with an argument vector (never a shell); true on exit 0.
bool RunProgram(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class RemovableVolumeSource : public VolumeSource {
 public:
  ~RemovableVolumeSource() override { StopWatching(); }

  std::vector<Volume> List() override {
    std::vector<Volume> volumes;
    for (const auto& entry : linux_impl::ParseMountInfo(ReadWholeFile(kMountInfo))) {
      if (!linux_impl::IsRemovableBlockDevice("/sys", entry.MajorMinor)) continue;
      volumes.push_back(
          Volume{entry.MountPoint, entry.Source, LabelOf(entry.Source, entry.MountPoint), false});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Volume& a, const Volume& b) { return a.MountPoint < b.MountPoint; });
    return volumes;
  }

  void Watch(ChangeHandler onChange) override {
    StopWatching();
    stopEvent_ = eventfd(0, EFD_CLOEXEC);
    if (stopEvent_ < 0) return;
    watcher_ = std::thread([this, onChange = std::move(onChange)] { WatchLoop(onChange); });
  }

  void StopWatching() override {
    if (!watcher_.joinable()) return;
    const uint64_t one = 1;
    (void)!write(stopEvent_, &one, sizeof one);
    watcher_.join();
    close(stopEvent_);
    stopEvent_ = -1;
  }

  bool Eject(const Volume& volume) override {
    sync();
    if (!volume.Device.empty() &&
        RunProgram({"udisksctl", "unmount", "--no-user-interaction", "-b", volume.Device})) {
      RunProgram({"udisksctl", "power-off", "--no-user-interaction", "-b", volume.Device});
      return true;
    }
    return umount2(volume.MountPoint.c_str(), 0) == 0;
  }

 private:
  // The kernel flags /proc/self/mountinfo with POLLPRI whenever the mount
  // table changes; a slow timeout covers kernels that do not.
  void WatchLoop(const ChangeHandler& onChange) {
    const int table = open(kMountInfo, O_RDONLY | O_CLOEXEC);
    std::vector<Volume> known = List();
    for (;;) {
      pollfd fds[2] = {{stopEvent_, POLLIN, 0}, {table, POLLPRI, 0}};
      const int ready = poll(fds, table >= 0 ? 2 : 1, kFallbackPollMs);
      if (ready < 0 && errno != EINTR) break;
      if (fds[0].revents & POLLIN) break;
      std::vector<Volume> now = List();
      for (const VolumeChange& change : DiffVolumes(known, now)) onChange(change);
      known = std::move(now);
      if (table >= 0 && (fds[1].revents & (POLLPRI | POLLERR))) {
        lseek(table, 0, SEEK_SET);
        char sink[4096];
        while (read(table, sink, sizeof sink) > 0) {
        }
      }
    }
    if (table >= 0) close(table);
  }

  std::thread watcher_;
  int stopEvent_ = -1;
};

}  // namespace

std::unique_ptr<VolumeSource> MakeRemovableVolumeSource() {
  return std::make_unique<RemovableVolumeSource>();
}

}  // namespace ortelan::platform
