// The destination folder on the PC: the checks before a transfer and the
// user's default folders.

#include <cerrno>
#include <filesystem>

#include "device/iPodDev.h"

namespace ortelan {

namespace fs = std::filesystem;

namespace {

// The folder with every link of its existing part resolved; the parts that do
// not exist yet are appended as written.
fs::path CanonicalSoFar(const fs::path& folder) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(folder, ec).lexically_normal();
  const fs::path existing = platform::NearestExistingAncestor(absolute.string());
  fs::path result = fs::canonical(existing, ec);
  if (ec) result = existing;
  return (result / absolute.lexically_relative(existing)).lexically_normal();
}

bool IsInside(const fs::path& path, const fs::path& root) {
  const std::string p = path.string();
  std::string r = root.string();
  if (!r.empty() && r.back() == '/') r.pop_back();
  return p == r || (p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == '/');
}

}  // namespace

// By name, and by identity: a bind mount or a link that leads to the device
// names it otherwise. On a real volume anything on its file system counts.
bool TIpodDevice::InsideDevice(const std::string& pcFolder) const {
  return !Drive.empty() && (IsInside(CanonicalSoFar(pcFolder), CanonicalSoFar(Drive)) ||
                            platform::LiesInside(pcFolder, Drive, !volume_.IsFolder));
}

bool TIpodDevice::CheckDestination(std::string& folder, int64_t neededBytes) {
  if (!IsIos && DiskModeConnected && InsideDevice(folder)) {
    folder = Drive +
             " is your iPod.\rYou cannot transfer the files from iPod to iPod. Please choose "
             "another folder in your computer.";
    return false;
  }
  uint64_t free = 0;
  if (!services_.Files.FreeSpace(folder, free) ||
      (neededBytes >= 0 && free <= static_cast<uint64_t>(neededBytes))) {
    folder = services_.Files.MountPointOf(folder) +
             " hasn't enough free disk space to save all the selected items.\rPlease choose "
             "another place to try again.";
    return false;
  }
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    folder = "Can not create the folder: " + folder + "\rPlease choose another place.";
    return false;
  }
  // Without a lock file (a read-only folder) the copies fail and say so.
  if (destLock_.TryLock(folder) == EWOULDBLOCK) {
    folder = "Another transfer into " + folder +
             " is running.\rPlease wait until it has ended or choose another folder.";
    return false;
  }
  if (folder.back() != '/') folder += '/';
  return true;
}

void TIpodDevice::GetShellFolder(int csidl, std::string& folder) {
  if (csidl == kCsidlMyMusic) {
    folder = platform::UserMusicFolder();
  } else if (csidl == kCsidlMyPictures) {
    folder = platform::UserPicturesFolder();
  } else {
    folder.clear();
  }
}

void TIpodDevice::GetUserFolder(bool pictures, std::string& folder) {
  GetShellFolder(pictures ? kCsidlMyPictures : kCsidlMyMusic, folder);
}

}  // namespace ortelan
