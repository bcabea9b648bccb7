#pragma once

#include <sys/types.h>

#include "platform/Platform.h"

namespace ortelan::platform {

class LinuxFileSystem : public FileSystem {
 public:
  int CopyFileExclusive(const std::string& source, const std::string& dest) override;
  int ReadWholeFile(const std::string& path, ByteBuffer& bytes) override;
  int WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) override;
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
};

}  // namespace ortelan::platform
