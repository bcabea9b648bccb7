#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>
#include <unordered_set>

#include "platform/Platform.h"

namespace ortelan::platform {

class LinuxFileSystem : public FileSystem {
 public:
  int CopyFileExclusive(ReadFile& source, const std::string& dest) override;
  int CopyWorkFile(ReadFile& source, const std::string& dest) override;
  int WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) override;
  int WriteChunksExclusive(const std::string& dest, const ChunkProducer& produce) override;
  int WriteChunksWorkFile(const std::string& dest, const ChunkProducer& produce) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  bool FreeSpace(const std::string& path, uint64_t& bytes) override;
  std::string MountPointOf(const std::string& path) override;

 protected:
  // Moves up to `max` bytes from `in` to `out` at their file positions:
  // copy_file_range, or read and write where the kernel cannot do that. Returns
  // the bytes moved, 0 at the end of `in`, or -1 with errno set. Tests override
  // it to make a copy fail half-way.
  virtual ssize_t CopyChunk(int in, int out, size_t max);
  // Free space as statvfs reports it for an existing folder.
  virtual bool FreeSpaceOfExisting(const std::string& folder, uint64_t& bytes);

 private:
  // Fills an open file: 0 or the errno.
  using FileFiller = std::function<int(int out)>;
  // A new file filled by `fill` under a temporary name, flushed and named
  // `dest` only when complete; 0, EEXIST, or the errno.
  int WriteExclusive(const std::string& dest, const FileFiller& fill);
  // A new work file filled by `fill`, removed when that fails.
  int WriteWorkFile(const std::string& dest, const FileFiller& fill);
  // Removes what killed runs left in `folder`, the first time this object
  // writes there.
  void SweepLeftovers(const std::string& folder);
  // Moves every byte of `source` from its file position (the start of a file
  // just opened; ReadFile's own reads never move it) to `out`; 0, EIO when
  // the source ends before its size, or the errno.
  int CopyAll(ReadFile& source, int out);

  std::mutex sweptMutex_;
  std::unordered_set<std::string> swept_;
};

}  // namespace ortelan::platform
