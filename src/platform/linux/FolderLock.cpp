#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ortelan::platform {

namespace {

constexpr const char* kLockName = "/.ortelan.lock";

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

int FolderLock::TryLock(const std::string& folder) {
  Unlock();
  const std::string path = folder + kLockName;
  // A holder that is done removes the file; the lock is ours only when the
  // file we locked is still the one under the name.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      close(fd);
      return error == EWOULDBLOCK ? EWOULDBLOCK : error;
    }
    struct stat locked {
    }, named{};
    if (fstat(fd, &locked) == 0 && lstat(path.c_str(), &named) == 0 && SameFile(locked, named)) {
      fd_ = fd;
      path_ = path;
      return 0;
    }
    close(fd);
  }
  return EWOULDBLOCK;
}

void FolderLock::Unlock() {
  if (fd_ < 0) return;
  unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
}

}  // namespace ortelan::platform
