// Whether a path lies inside a folder, by the identity of the folders on its
// way (device and inode) rather than by their names.

#include <sys/stat.h>

#include <filesystem>

#include "platform/Platform.h"

namespace ortelan::platform {

namespace fs = std::filesystem;

namespace {

bool Reaches(fs::path current, const struct stat& root, bool wholeVolume) {
  for (;;) {
    struct stat here {};
    if (stat(current.c_str(), &here) == 0) {
      if (here.st_dev == root.st_dev && (wholeVolume || here.st_ino == root.st_ino)) return true;
    }
    if (!current.has_relative_path()) return false;
    current = current.parent_path();
  }
}

// True when `folder` is the root of its volume (a mount point).
bool IsVolumeRoot(const std::string& folder, const struct stat& info) {
  struct stat parent {};
  const fs::path above = fs::path(folder).lexically_normal().parent_path();
  return stat(above.c_str(), &parent) != 0 || parent.st_dev != info.st_dev ||
         parent.st_ino == info.st_ino;
}

}  // namespace

bool LiesInside(const std::string& path, const std::string& folder, bool wholeVolume) {
  struct stat root {};
  if (stat(folder.c_str(), &root) != 0) return false;
  // The whole volume counts only when the folder is all of it.
  wholeVolume = wholeVolume && IsVolumeRoot(folder, root);
  const fs::path existing = NearestExistingAncestor(path);
  std::error_code ec;
  const fs::path canonical = fs::canonical(existing, ec);
  // By the names as written (a link to the folder on the way) and by the
  // place they lead to.
  return Reaches(existing, root, wholeVolume) || (!ec && Reaches(canonical, root, wholeVolume));
}

}  // namespace ortelan::platform
