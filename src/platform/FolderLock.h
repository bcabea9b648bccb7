#pragma once

// A lock on a destination folder, so that two runs never copy into one
// folder at once. It is a lock file the system releases when the process
// ends, however it ends.

#include <string>

namespace ortelan::platform {

class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock() { Unlock(); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Takes the lock of `folder` (which exists). 0, EWOULDBLOCK when another
  // run holds it, or the errno of a lock file that cannot be made.
  int TryLock(const std::string& folder);
  bool Locked() const { return fd_ >= 0; }
  // Releases the lock and removes the lock file.
  void Unlock();

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace ortelan::platform
