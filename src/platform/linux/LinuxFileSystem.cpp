#include "platform/linux/LinuxFileSystem.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace ortelan::platform {

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 8u << 20;
constexpr size_t kFallbackBuffer = 1u << 20;

ssize_t ReadWriteChunk(int in, int out, size_t max) {
  thread_local std::vector<char> buffer(kFallbackBuffer);
  const ssize_t got = read(in, buffer.data(), std::min(max, buffer.size()));
  if (got <= 0) return got;
  for (ssize_t done = 0; done < got;) {
    const ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += put;
  }
  return got;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now and reports the error close gives (late write errors show here).
  int Close() {
    const int rc = close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

}  // namespace

ssize_t LinuxFileSystem::CopyChunk(int in, int out, size_t max) {
  const ssize_t moved = copy_file_range(in, nullptr, out, nullptr, max, 0);
  if (moved >= 0) return moved;
  if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) {
    return ReadWriteChunk(in, out, max);
  }
  return -1;
}

int LinuxFileSystem::CopyFileExclusive(const std::string& source, const std::string& dest) {
  FileDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return errno;
  struct stat info {};
  if (fstat(in.Get(), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  FileDescriptor out(open(dest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (out.Get() < 0) return errno;

  int error = 0;
  off_t total = 0;
  for (;;) {
    const ssize_t moved = CopyChunk(in.Get(), out.Get(), kChunk);
    if (moved < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (moved == 0) break;
    total += moved;
  }
  // A source that ends before its recorded size was cut off (a device pulled).
  if (error == 0 && total != info.st_size) error = EIO;
  const int closeError = out.Close();
  if (error == 0) error = closeError;
  if (error != 0) unlink(dest.c_str());
  return error;
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

int LinuxFileSystem::ReadWholeFile(const std::string& path, ByteBuffer& bytes) {
  bytes.clear();
  FileDescriptor in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return errno;
  struct stat info {};
  if (fstat(in.Get(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EISDIR;
  bytes.resize(static_cast<size_t>(info.st_size));
  AdviseHugePages(bytes);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = read(in.Get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      const int error = got < 0 ? errno : EIO;  // shorter than its size: cut off
      bytes.clear();
      return error;
    }
    done += static_cast<size_t>(got);
  }
  return 0;
}

int LinuxFileSystem::WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) {
  FileDescriptor out(open(dest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (out.Get() < 0) return errno;
  int error = 0;
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t put = write(out.Get(), bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = put < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(put);
  }
  const int closeError = out.Close();
  if (error == 0) error = closeError;
  if (error != 0) unlink(dest.c_str());
  return error;
}

int LinuxFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

std::string NearestExistingAncestor(const std::string& path) {
  std::error_code ec;
  fs::path current = fs::absolute(path, ec).lexically_normal();
  while (!fs::exists(current, ec) && current.has_relative_path()) {
    current = current.parent_path();
  }
  return current.string();
}

bool LinuxFileSystem::FreeSpaceOfExisting(const std::string& folder, uint64_t& bytes) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return false;
  bytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
  return true;
}

bool LinuxFileSystem::FreeSpace(const std::string& path, uint64_t& bytes) {
  return FreeSpaceOfExisting(NearestExistingAncestor(path), bytes);
}

std::string LinuxFileSystem::MountPointOf(const std::string& path) {
  std::error_code ec;
  fs::path current = fs::canonical(NearestExistingAncestor(path), ec);
  if (ec) return NearestExistingAncestor(path);
  struct stat here {};
  if (stat(current.c_str(), &here) != 0) return current.string();
  while (current.has_relative_path()) {
    struct stat above {};
    if (stat(current.parent_path().c_str(), &above) != 0 || above.st_dev != here.st_dev) break;
    current = current.parent_path();
  }
  return current.string();
}

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<LinuxFileSystem>(); }

}  // namespace ortelan::platform
