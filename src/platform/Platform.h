#pragma once

// Interfaces to the operating-system services the core needs. The core only
// talks to these; linux/ (and later win32/) implement them.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/ReadFile.h"
#include "util/MemoryStream.h"

namespace ortelan::platform {

// Runs work on the window thread. Workers hand over synchronously with
// InvokeAndWait; device notifications are queued with Post.
class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Runs `work` on the window thread and returns when it has run. Runs inline
  // when called on the window thread itself.
  virtual void InvokeAndWait(const std::function<void()>& work) = 0;
  // Queues `work` for the window thread and returns at once.
  virtual void Post(std::function<void()> work) = 0;
};

// A mounted volume on which a disk-mode iPod may live.
struct Volume {
  std::string MountPoint;  // no trailing separator
  std::string Device;      // block device, e.g. /dev/sdb1; empty for a folder volume
  std::string Label;       // volume name
  bool IsFolder = false;   // a folder standing in for a volume (--device DIR)
};

struct VolumeChange {
  bool Arrived = false;  // false: removed
  Volume Vol;
};

// The removable volumes of the machine and their comings and goings.
class VolumeSource {
 public:
  using ChangeHandler = std::function<void(const VolumeChange&)>;
  virtual ~VolumeSource() = default;
  // The volumes now present, in mount-point order.
  virtual std::vector<Volume> List() = 0;
  // Starts watching; `onChange` is called on a watcher thread, once per change.
  virtual void Watch(ChangeHandler onChange) = 0;
  // Stops watching; no call of the handler is made after it returns.
  virtual void StopWatching() = 0;
  // Flushes, unmounts and powers off the volume. False when that failed.
  virtual bool Eject(const Volume& volume) = 0;
};

// File services with failure modes the copy code must survive.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Copies the open `source` to `dest`, which must not exist. Never
  // overwrites; the file is written under a hidden temporary name beside
  // `dest` and gets its name only when complete, so `dest` never holds a
  // partial file. Returns 0 or the errno of the failure (EEXIST when `dest`
  // is already there).
  virtual int CopyFileExclusive(ReadFile& source, const std::string& dest) = 0;
  // Copies the open `source` to `dest` in a folder private to this process
  // (a work copy to read and delete): exclusive create, a partial file
  // removed, but no temporary name and no flush to the disk, which nobody
  // needs there. 0 or the errno.
  virtual int CopyWorkFile(ReadFile& source, const std::string& dest) = 0;
  // Writes `bytes` to `dest` the same way as CopyFileExclusive.
  virtual int WriteFileExclusive(const std::string& dest, std::span<const uint8_t> bytes) = 0;
  // Takes one chunk of a file being written: 0 or the errno of the write.
  using ChunkWriter = std::function<int(std::span<const uint8_t> chunk)>;
  // Hands every chunk of a file, in order, to `write`: 0, the code `write`
  // gave, or one of its own (the bytes could not all be read).
  using ChunkProducer = std::function<int(const ChunkWriter& write)>;
  // Writes what `produce` gives to `dest` the same way as CopyFileExclusive
  // (for files that are not read from a local file, such as a phone's).
  virtual int WriteChunksExclusive(const std::string& dest, const ChunkProducer& produce) = 0;
  // The same into a folder private to this process, as CopyWorkFile.
  virtual int WriteChunksWorkFile(const std::string& dest, const ChunkProducer& produce) = 0;
  // Renames `from` to `to` unless `to` exists. Returns 0 or the errno
  // (EEXIST when `to` is there).
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // Free bytes available to the user on the volume holding `path` (or its
  // nearest existing ancestor). False when it cannot be read.
  virtual bool FreeSpace(const std::string& path, uint64_t& bytes) = 0;
  // The mount point of the volume that holds `path` (or its nearest existing
  // ancestor).
  virtual std::string MountPointOf(const std::string& path) = 0;
};

// The user's music and pictures folders, with a trailing separator; empty when
// there is no home folder.
std::string UserMusicFolder();
std::string UserPicturesFolder();

// A folder private to this process for work files, made on first use and
// removed at exit. Empty when it cannot be made.
std::string PrivateTempFolder();
// Removes the work folders in `tmp` that runs of this user left when they
// were killed (their process is gone); done before a new one is made.
void RemoveStaleWorkFolders(const std::string& tmp);

// Removes the temporary files that ended runs left in `folder` (a file
// still being written is kept). The number removed.
int RemoveLeftoverPartFiles(const std::string& folder);

// True when `path`, or the nearest of its ancestors that exists, is `folder`
// or lies below it, by file-system identity: a bind mount or another link to
// the folder is recognised too. With `wholeVolume`, when `folder` is a
// volume's mount point, anything on that volume counts.
bool LiesInside(const std::string& path, const std::string& folder, bool wholeVolume);

// The nearest existing ancestor of `path` (the path itself when it exists),
// made absolute against the current folder.
std::string NearestExistingAncestor(const std::string& path);

// The platform's implementations.
std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<VolumeSource> MakeRemovableVolumeSource();
// Folders that act as connected disk-mode iPods, probed instead of the
// machine's volumes.
std::unique_ptr<VolumeSource> MakeFolderVolumeSource(const std::vector<std::string>& folders);

}  // namespace ortelan::platform
