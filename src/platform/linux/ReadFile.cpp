#include "platform/ReadFile.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <utility>
#include <vector>

namespace ortelan::platform {

namespace {

// Read-only, never blocking in open (a FIFO without a writer), never taking a
// terminal as the controlling one.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

void CloseQuietly(int fd) {
  if (fd >= 0) close(fd);
}

std::vector<std::string> SplitRelative(const std::string& relative) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) parts.push_back(relative.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Large buffers are backed by huge pages where the kernel offers them on
// request: a database of many megabytes then costs a few page faults, not
// thousands.
void AdviseHugePages(ByteBuffer& bytes) {
  constexpr uintptr_t kHuge = 2u << 20;
  const auto begin = reinterpret_cast<uintptr_t>(bytes.data());
  const uintptr_t alignedBegin = (begin + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t alignedEnd = (begin + bytes.size()) & ~(kHuge - 1);
  if (alignedEnd > alignedBegin) {
    madvise(reinterpret_cast<void*>(alignedBegin), alignedEnd - alignedBegin, MADV_HUGEPAGE);
  }
}

}  // namespace

std::string ErrorText(int code) {
  if (code == kNotRegularFile) return "Not a regular file";
  return std::strerror(code);
}

ReadFile::~ReadFile() { Close(); }

ReadFile::ReadFile(ReadFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), path_(std::move(other.path_)) {}

ReadFile& ReadFile::operator=(ReadFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
    path_ = std::move(other.path_);
  }
  return *this;
}

void ReadFile::Close() {
  CloseQuietly(fd_);
  fd_ = -1;
  size_ = 0;
}

int ReadFile::Adopt(int fd, std::string path) {
  Close();
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    const int error = errno;
    CloseQuietly(fd);
    return error;
  }
  if (!S_ISREG(info.st_mode)) {
    CloseQuietly(fd);
    return S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
  }
  // O_NONBLOCK stays: a regular file ignores it, reads wait for the disk.
  fd_ = fd;
  size_ = info.st_size;
  path_ = std::move(path);
  return 0;
}

int ReadFile::Open(const std::string& path) {
  const int fd = open(path.c_str(), kReadFlags);
  if (fd < 0) {
    Close();
    return errno;
  }
  return Adopt(fd, path);
}

int ReadFile::ReadAll(ByteBuffer& bytes, uint64_t maxBytes) const {
  bytes.clear();
  if (fd_ < 0) return EBADF;
  if (static_cast<uint64_t>(size_) > maxBytes) return EFBIG;
  bytes.resize(static_cast<size_t>(size_));
  AdviseHugePages(bytes);
  if (ReadAt(bytes.data(), bytes.size(), 0) != bytes.size()) {
    const int error = errno != 0 ? errno : EIO;  // shorter than its size: cut off
    bytes.clear();
    return error;
  }
  return 0;
}

size_t ReadFile::ReadAt(uint8_t* into, size_t count, int64_t offset) const {
  size_t done = 0;
  errno = 0;
  while (done < count) {
    const ssize_t got = pread(fd_, into + done, count - done,
                              static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;
      break;
    }
    done += static_cast<size_t>(got);
  }
  return done;
}

RootFolder::~RootFolder() { Close(); }

void RootFolder::Close() {
  CloseQuietly(fd_);
  fd_ = -1;
}

int RootFolder::Open(const std::string& folder) {
  Close();
  fd_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return errno;
  folder_ = folder;
  return 0;
}

// The kernel resolves the whole way below the folder in one step: links
// that stay inside are followed, anything that would leave it fails.
int RootFolder::OpenWithOpenat2(const std::string& relative) const {
  open_how how{};
  how.flags = kReadFlags;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  for (;;) {
    const long fd = syscall(SYS_openat2, fd_, relative.c_str(), &how, sizeof how);
    if (fd >= 0) return static_cast<int>(fd);
    if (errno != EINTR && errno != EAGAIN) return -errno;
  }
}

// Older kernels: one folder at a time, following no link at all.
int RootFolder::OpenComponentwise(const std::string& relative) const {
  const std::vector<std::string> parts = SplitRelative(relative);
  if (parts.empty()) return -EISDIR;
  int folder = dup(fd_);
  if (folder < 0) return -errno;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i] == "..") {
      CloseQuietly(folder);
      return -EXDEV;
    }
    const bool last = i + 1 == parts.size();
    const int flags =
        last ? kReadFlags | O_NOFOLLOW : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const int next = openat(folder, parts[i].c_str(), flags);
    const int error = errno;
    CloseQuietly(folder);
    if (next < 0) return -error;
    folder = next;
  }
  return folder;
}

int RootFolder::OpenFile(const std::string& relative, ReadFile& file) const {
  file.Close();
  if (fd_ < 0) return EBADF;
  int fd = OpenWithOpenat2(relative);
  if (fd == -ENOSYS || fd == -EPERM) fd = OpenComponentwise(relative);
  if (fd < 0) return -fd;
  return file.Adopt(fd, folder_ + "/" + relative);
}

}  // namespace ortelan::platform
