#include "platform/linux/LinuxFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace ortelan::platform {

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 8u << 20;
constexpr size_t kFallbackBuffer = 1u << 20;
// Files being written carry this name until they are complete: hidden, and
// recognisable as ours when a killed run left one behind.
constexpr const char* kPartPrefix = ".ortelan-";
constexpr const char* kPartSuffix = ".part";

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

// 0 or the errno.
int WriteAll(int out, std::span<const uint8_t> bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t put = write(out, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return put < 0 ? errno : EIO;
    done += static_cast<size_t>(put);
  }
  return 0;
}

FileSystem::ChunkWriter ChunksInto(int out) {
  return [out](std::span<const uint8_t> chunk) { return WriteAll(out, chunk); };
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsPartName(const std::string& name) {
  return name.size() > 14 && name.starts_with(kPartPrefix) && name.ends_with(kPartSuffix);
}

// A file written under a temporary name beside its destination. It gets its
// final name only once complete, so no reader ever sees a partial file there,
// whatever ends the run. It is locked while it is written: a leftover that
// nobody holds locked belongs to a run that has ended.
class PartFile {
 public:
  explicit PartFile(const std::string& dest) {
    static std::atomic<unsigned> next{1};
    static const pid_t pid = getpid();
    const std::string stem = FolderOf(dest) + "/" + kPartPrefix + std::to_string(pid) + "-";
    // A name left by an earlier process of the same number is passed over.
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = stem + std::to_string(next++) + kPartSuffix;
      fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    created_ = true;
    flock(fd_, LOCK_EX | LOCK_NB);
  }
  ~PartFile() {
    if (fd_ >= 0) close(fd_);
    if (created_ && !published_) unlink(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  int Descriptor() const { return fd_; }
  // 0 when the file could be made, else the errno.
  int Error() const { return error_; }

  // Flushes the data to the disk, then gives the file its name unless that
  // is taken. 0, EEXIST, or the errno.
  int Publish(const std::string& dest) {
    // The data reaches the disk before the name does: after a power cut the
    // name shows a whole file or nothing.
    if (fdatasync(fd_) != 0 && errno != EINVAL) return errno;
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return errno;  // late write errors show here
    if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, dest.c_str(), RENAME_NOREPLACE) != 0) {
      return errno;
    }
    published_ = true;
    return 0;
  }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  bool created_ = false;
  bool published_ = false;
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

void LinuxFileSystem::SweepLeftovers(const std::string& folder) {
  {
    std::lock_guard lock(sweptMutex_);
    if (!swept_.insert(folder).second) return;
  }
  RemoveLeftoverPartFiles(folder);
}

int LinuxFileSystem::WriteExclusive(const std::string& dest, const FileFiller& fill) {
  // A name taken meanwhile shows at the rename, which never replaces.
  SweepLeftovers(FolderOf(dest));
  PartFile out(dest);
  if (out.Error() != 0) return out.Error();
  if (const int error = fill(out.Descriptor())) return error;
  return out.Publish(dest);
}

int LinuxFileSystem::WriteWorkFile(const std::string& dest, const FileFiller& fill) {
  const int out = open(dest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) return errno;
  int error = fill(out);
  if (close(out) != 0 && error == 0) error = errno;
  if (error != 0) unlink(dest.c_str());
  return error;
}

int LinuxFileSystem::CopyFileExclusive(ReadFile& source, const std::string& dest) {
  if (!source.IsOpen()) return EBADF;
  return WriteExclusive(dest, [&](int out) { return CopyAll(source, out); });
}

int LinuxFileSystem::CopyWorkFile(ReadFile& source, const std::string& dest) {
  if (!source.IsOpen()) return EBADF;
  return WriteWorkFile(dest, [&](int out) { return CopyAll(source, out); });
}

int LinuxFileSystem::CopyAll(ReadFile& source, int out) {
  off_t total = 0;
  for (;;) {
    const ssize_t moved = CopyChunk(source.Descriptor(), out, kChunk);
    if (moved < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (moved == 0) break;
    total += moved;
  }
  // A source that ends before its recorded size was cut off (a device pulled).
  return total == source.Size() ? 0 : EIO;
}

int LinuxFileSystem::WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) {
  return WriteChunksExclusive(dest, [bytes](const ChunkWriter& write) { return write(bytes); });
}

int LinuxFileSystem::WriteChunksExclusive(const std::string& dest, const ChunkProducer& produce) {
  return WriteExclusive(dest, [&](int out) { return produce(ChunksInto(out)); });
}

int LinuxFileSystem::WriteChunksWorkFile(const std::string& dest, const ChunkProducer& produce) {
  return WriteWorkFile(dest, [&](int out) { return produce(ChunksInto(out)); });
}

int LinuxFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int RemoveLeftoverPartFiles(const std::string& folder) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = readdir(dir.get())) {
    if (!IsPartName(entry->d_name)) continue;
    const int fd =
        openat(dirfd(dir.get()), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    // Held locked: a run is still writing it.
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        unlinkat(dirfd(dir.get()), entry->d_name, 0) == 0) {
      ++removed;
    }
    close(fd);
  }
  return removed;
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
