#pragma once

// Files of a device opened for reading. Only regular files are ever opened: a
// FIFO would block the open for ever and a device node would never end. A
// device's files are opened below its root folder without leaving it, however
// the folder changes meanwhile.

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "util/MemoryStream.h"

namespace ortelan::platform {

// The code of a refused special file (FIFO, device node, socket). The
// system never gives it for a file read, so it stands for this alone.
constexpr int kNotRegularFile = ENOSTR;

// The system's text for an error code, with our own codes spelt out.
std::string ErrorText(int code);

// A regular file open for reading, with the size it had when opened.
class ReadFile {
 public:
  ReadFile() = default;
  ~ReadFile();
  ReadFile(ReadFile&& other) noexcept;
  ReadFile& operator=(ReadFile&& other) noexcept;
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;

  // Opens a file of this machine, following links. 0, EISDIR for a folder,
  // kNotRegularFile for other special files, or the errno.
  int Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  void Close();
  int Descriptor() const { return fd_; }
  int64_t Size() const { return size_; }
  // The path it was opened by, for messages.
  const std::string& Path() const { return path_; }

  // Reads the whole file into `bytes`: 0, EFBIG when it is larger than
  // `maxBytes` (nothing is allocated then), EIO when it ends early, or the
  // errno. `bytes` is empty after a failure.
  int ReadAll(ByteBuffer& bytes, uint64_t maxBytes) const;
  // Reads up to `count` bytes at `offset`; fewer only at the end of the file
  // or on an error. The bytes read.
  size_t ReadAt(uint8_t* into, size_t count, int64_t offset) const;

 private:
  friend class RootFolder;
  // Takes `fd` once it has been checked to be a regular file.
  int Adopt(int fd, std::string path);

  int fd_ = -1;
  int64_t size_ = 0;
  std::string path_;
};

// A folder under which files are opened without ever leaving it: no "..",
// no absolute link, no link whose end lies outside.
class RootFolder {
 public:
  RootFolder() = default;
  ~RootFolder();
  RootFolder(const RootFolder&) = delete;
  RootFolder& operator=(const RootFolder&) = delete;

  // 0 or the errno.
  int Open(const std::string& folder);
  bool IsOpen() const { return fd_ >= 0; }
  void Close();
  // Opens the regular file at `relative` ("a/b/c") below the folder. 0,
  // EXDEV when the way leaves the folder, ELOOP for a link the system could
  // not follow safely, EISDIR, kNotRegularFile, or the errno.
  int OpenFile(const std::string& relative, ReadFile& file) const;

 private:
  int OpenWithOpenat2(const std::string& relative) const;
  int OpenComponentwise(const std::string& relative) const;

  int fd_ = -1;
  std::string folder_;
};

}  // namespace ortelan::platform
