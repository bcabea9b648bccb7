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

bool TIpodDevice::CheckDestination(std::string& Folder, int64_t NeededBytes) {
  if (!IsIos && DiskModeConnected && InsideDevice(Folder)) {
    Folder = Drive +
             " is your iPod.\rYou cannot transfer the files from iPod to iPod. Please choose "
             "another folder in your computer.";
    return false;
  }
  uint64_t free = 0;
  if (!services_.Files.FreeSpace(Folder, free) ||
      (NeededBytes >= 0 && free <= static_cast<uint64_t>(NeededBytes))) {
    Folder = services_.Files.MountPointOf(Folder) +
             " hasn't enough free disk space to save all the selected items.\rPlease choose "
             "another place to try again.";
    return false;
  }
  std::error_code ec;
  fs::create_directories(Folder, ec);
  if (ec || !fs::is_directory(Folder, ec)) {
    Folder = "Can not create the folder: " + Folder + "\rPlease choose another place.";
    return false;
  }
  // Without a lock file (a read-only folder) the copies fail and say so.
  if (destLock_.TryLock(Folder) == EWOULDBLOCK) {
    Folder = "Another transfer into " + Folder +
             " is running.\rPlease wait until it has ended or choose another folder.";
    return false;
  }
  if (Folder.back() != '/') Folder += '/';
  return true;
}

void TIpodDevice::GetShellFolder(int Csidl, std::string& Folder) {
  if (Csidl == kCsidlMyMusic) {
    Folder = platform::UserMusicFolder();
  } else if (Csidl == kCsidlMyPictures) {
    Folder = platform::UserPicturesFolder();
  } else {
    Folder.clear();
  }
}

void TIpodDevice::GetUserFolder(bool Pictures, std::string& Folder) {
  GetShellFolder(Pictures ? kCsidlMyPictures : kCsidlMyMusic, Folder);
}

}  // namespace ortelan
