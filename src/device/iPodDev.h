#pragma once

// The device manager: finds the connected iPod, keeps its state, tells the
// window when one comes or goes, and does every file operation on it.

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "device/DevicePaths.h"
#include "device/IosHelper.h"
#include "platform/FolderLock.h"
#include "platform/MobileDevice.h"
#include "platform/Platform.h"
#include "platform/ReadFile.h"
#include "util/MemoryStream.h"

namespace ortelan {

// (connected, fromIos): a device came or went; fromIos tells which side.
using TDeviceChangeEvent = std::function<void(bool connected, bool fromIos)>;

// The services the device manager works through; borrowed, they outlive it.
struct DeviceServices {
  platform::VolumeSource& Volumes;
  platform::FileSystem& Files;
  platform::Dispatcher& Dispatcher;
  // The mobile-device library; null where iOS devices cannot be reached.
  platform::MobileDeviceApi* Mobile = nullptr;
};

// Special folders asked for by number, as the window code passes them.
constexpr int kCsidlMyMusic = 0x0D;
constexpr int kCsidlMyPictures = 0x27;

// The largest database file read into memory. The biggest real iTunesDBs
// (an iPod classic full of tens of thousands of tracks) hold tens of
// megabytes, and an iTunesCDB inflates to at most the same bound; a larger
// size comes from a damaged directory entry.
constexpr int64_t kMaxDatabaseBytes = int64_t{512} << 20;
// The largest SQLite database copied into the work folder: the photo
// libraries of iOS devices with a hundred thousand pictures stay near 1 GiB.
constexpr int64_t kMaxWorkCopyBytes = int64_t{4} << 30;

// The log line of a transfer that ends because its device has gone.
constexpr const char* kDeviceGoneLine = "[X] The device was unplugged: the transfer ends.";

// CopyItemOrFolder on a disk-mode iPod, where there are no book folders.
constexpr int kNothingCopied = 1;

class TIpodDevice {
 public:
  // Creates the manager and starts listening for volumes; changes are handed
  // to the window thread through the dispatcher, never before this returns.
  TIpodDevice(TDeviceChangeEvent onDeviceChange, DeviceServices services);
  ~TIpodDevice();
  TIpodDevice(const TIpodDevice&) = delete;
  TIpodDevice& operator=(const TIpodDevice&) = delete;

  // A copy worker reads it while the window thread handles a detach.
  std::atomic<bool> IsIos{false};
  // Written on the window thread when the device comes or goes; the copy
  // workers look at it to end a transfer whose device has gone.
  std::atomic<bool> Connected{false};
  bool EjectOnClose = false;
  bool DiskModeConnected = false;
  std::string Drive;  // mount point of the disk-mode iPod, no trailing separator
  std::string WorkFile;
  TDeviceChangeEvent OnDeviceChange;
  bool IosUnavailable = false;

  // Device state.
  bool ScanDrives();
  bool ProbeDrive(const platform::Volume& volume);
  void VolumeChanged(const platform::VolumeChange& change);
  void IosDeviceChanged(bool connected);
  // The device's error log: lines added by its operations, each after a
  // CR LF. Any thread.
  void AddError(const std::string& text);
  std::string ErrorText() const;
  void ClearErrors();
  // The length of ErrorLog now, and what was added to it after such a mark
  // (line breaks between lines kept): a worker's view of its own failures.
  size_t ErrorLogSize() const;
  std::string ErrorLogFrom(size_t mark) const;

  // Whole-file reads into memory.
  bool ReadDeviceFile(const std::string& path, TMemoryStream& stream);
  bool ReadItunesDb(TMemoryStream& stream, bool& compressed);
  bool ReadPhotoDatabase(TMemoryStream& stream);

  bool EjectVolume();
  static std::string FormatSize(int64_t size);
  // There is no iTunes on this platform.
  bool IsItunesRunning() const { return false; }
  void StopItunesHelper() {}

  // The invalid-parameter code: a copy that failed with it is worth one
  // more try.
  static constexpr int kRetryWorthyCode = EINVAL;

  // Single-file copies and sizes.
  int CopyDeviceFile(const std::string& devPath, const std::string& pcPath);
  int CopyCameraFile(const std::string& srcPath, const std::string& pcPath);
  int32_t PcFileSize(const std::string& path);
  int32_t DeviceFileSize(const std::string& devPath);
  bool HasSize(const std::string& pcPath, int32_t size);
  // Copies to `destBase` + extension, or to the first free numbered name; a
  // file of the same name and size counts as copied, unless `claimed` holds
  // its name (taken by another item of this run). `destBase` is the final
  // name then. A `size` of 0 stands for an unknown size: the device file's
  // own is used.
  int CopyWithFreeName(const std::string& devPath, std::string& destBase, int32_t size,
                       const TClaimedNames* claimed = nullptr);
  // True when CopyWithFreeName would find the file there already; `destBase`
  // is then the name it has.
  bool AlreadyCopied(const std::string& devPath, std::string& destBase, int32_t size,
                     const TClaimedNames* claimed = nullptr);
  int CopyItemOrFolder(const std::string& devPath, std::string& destBase, bool& wasFolder,
                       int32_t size);
  bool DeviceFileExists(const std::string& path);
  // Copies every file below the iOS device's folder `devDir` (ending in "/")
  // into `destDir`, or `destDir`_1, _2, ... when that folder exists; `destDir`
  // becomes the folder used, with a trailing separator. 0, ENOENT for a
  // folder without files, or the errno of the first failure.
  int CopyDeviceFolder(const std::string& devDir, std::string& destDir);
  // Opens a regular file of the device for reading, without leaving its
  // root. 0 or the error code; a refused special file or folder is logged.
  int OpenDeviceFile(const std::string& devPath, platform::ReadFile& file);
  // Writes a new file on the PC, never over an existing one; 0 or the errno.
  int WriteNewPcFile(const std::string& path, std::span<const uint8_t> bytes) {
    return services_.Files.WriteFileExclusive(path, bytes);
  }
  // Renames a file on the PC without replacing one; 0 or the errno.
  int RenameNoReplace(const std::string& from, const std::string& to) {
    return services_.Files.RenameNoReplace(from, to);
  }

  // Database files as local copies in the private work folder, named WorkFile
  // + `suffix` (so a "-wal" log lies beside its database's copy). The device's
  // own files are never opened by SQLite: it could roll a journal back or
  // checkpoint a log into them. `localPath` is empty when the file is missing
  // or its copy failed (then ErrorLog says why).
  void FetchItunesFile(const std::string& name, bool inLibraryPackage, std::string& localPath,
                       const std::string& suffix);
  void FetchPhotoDataFile(const std::string& name, const std::string& suffix,
                          std::string& localPath);
  void FetchBooksPlist(bool purchased, std::string& localPath);
  // Deletes a local copy made by a fetch, with the files SQLite made beside
  // it; a path that is not such a copy is left alone. TWorkCopy does it when
  // the reading is over, however it ended.
  void DeleteWorkCopy(const std::string& localPath);

  // Thumbnail store files, one open at a time.
  bool OpenThumbFile(const std::string& name, int32_t recordSize);
  // The same for a store of PhotoData/Thumbnails, by its file name.
  bool OpenIosThumbFile(const std::string& fileName);
  bool ReadThumb(int32_t count, TMemoryStream& stream, int64_t offset);
  void CloseThumbFile();

  // Camera roll and voice-memo recordings.
  void GetCameraRollFolder(std::string& folder);
  int ListCameraRoll(std::vector<std::string>& list);
  bool ReadCameraThumb(const std::string& folder, const std::string& fileName,
                       TMemoryStream& stream, std::string& ext);
  // The camera-roll file itself.
  bool ReadCameraFile(const std::string& folder, const std::string& fileName,
                      TMemoryStream& stream) {
    return ReadFullDevicePath(folder + fileName, stream);
  }
  int ListRecordings(std::vector<std::string>& list);

  // The session with the iOS device.
  TIosHelper& IosSession() { return *ios_; }
  // False once the device has gone: for an iOS device as soon as the
  // library reports it, before the window thread has heard. Any thread.
  bool StillConnected() const { return Connected && !(IsIos && ios_ && !ios_->Connected); }
  // Ends a transfer waiting for an iOS device soon; any thread.
  void InterruptTransfer() {
    if (ios_ && IsIos) ios_->InterruptTransfer();
  }

  // Destination folders on the PC.
  // Also takes the folder's lock, so that no other run copies into it at the
  // same time; a folder locked by another run is refused. On a refusal
  // `folder` is rewritten to the message the window shows (lines parted by
  // CR); on success it is the folder, with its trailing separator.
  bool CheckDestination(std::string& folder, int64_t neededBytes);
  // Gives the destination's lock back once a transfer has ended.
  void ReleaseDestination() { destLock_.Unlock(); }
  void GetShellFolder(int csidl, std::string& folder);
  void GetUserFolder(bool pictures, std::string& folder);

  // The file on the PC that a device path names: drive-relative or colon form,
  // looked up without regard to case where needed. False when it is missing or
  // lies outside the device's root.
  bool ResolveDevicePath(const std::string& devPath, std::string& resolved) const;

 private:
  bool OpenThumbStore(const std::string& devicePath, const std::string& name);
  int OpenResolved(const std::string& resolved, const std::string& shownPath,
                   platform::ReadFile& file);
  // Reads a file found by a resolve into memory; an empty `resolved` (none
  // found) is logged as not found.
  bool ReadResolved(const std::string& resolved, const std::string& shownPath,
                    TMemoryStream& stream);
  bool ReadFullDevicePath(const std::string& fullPath, TMemoryStream& stream);
  bool ResolveFullPath(const std::string& fullPath, std::string& resolved) const;
  bool InsideDevice(const std::string& pcFolder) const;
  void PrepareWorkFile();
  int64_t ExpectedSize(const std::string& devPath, int32_t databaseSize);
  bool FindInPlace(const std::string& candidate, int64_t expected, const TClaimedNames* claimed);
  // Moves `number` on to the first name of the numbered series that is free
  // (false) or already holds the file (true); `candidate` is that name.
  bool NextPlace(const std::string& base, const std::string& ext, int64_t expected,
                 const TClaimedNames* claimed, int& number, std::string& candidate);
  // Copies a file of the device to WorkFile + suffix; `failureLine` starts
  // the ErrorLog line of a failed copy.
  void FetchToWorkFile(const std::string& devPath, const std::string& suffix,
                       const std::string& failureLine, std::string& localPath);
  std::vector<std::string> ListDeviceFolder(const std::string& folder,
                                            const std::function<bool(const std::string&)>& keep);

  // The iOS side of the file operations.
  // The AFC form of a device path: separators made "/", and nothing that
  // could leave the media folder ("..", ".", empty parts). False for such a
  // path, which is then logged as not found.
  bool IosPath(const std::string& path, std::string& afcPath);
  bool IosReadFile(const std::string& path, TMemoryStream& stream);
  // 0, the errno of the PC side, or ENOENT / EIO when the device's file is
  // not there / cannot be read (the session's LastError says why).
  int IosCopyToPc(const std::string& afcPath, const std::string& pcPath, bool workCopy);
  int IosCopyFile(const std::string& path, const std::string& pcPath);
  void IosFetch(const std::string& devPath, const std::string& suffix,
                const std::string& failureLine, std::string& localPath,
                int64_t maxBytes = kMaxWorkCopyBytes);
  // Opens the first of the stores that can be opened; the session's last
  // failure is logged when none can.
  bool IosOpenThumb(std::initializer_list<std::string> paths);
  bool IosReadThumb(int32_t count, TMemoryStream& stream, int64_t offset);
  int64_t IosFileSize(const std::string& path);
  std::vector<std::string> IosListFiles(const std::string& folder,
                                        const std::function<bool(const std::string&)>& keep);
  void StartIosSession();

  DeviceServices services_;
  std::unique_ptr<TIosHelper> ios_;
  int64_t iosThumbSize_ = -1;     // of the open iOS thumbnail store; -1 when none
  platform::Volume volume_;       // the connected disk-mode volume
  std::string canonicalRoot_;     // Drive with every link resolved
  platform::RootFolder root_;     // Drive, open: files are opened below it
  platform::ReadFile thumbFile_;  // the open thumbnail store of a disk-mode iPod
  mutable DeviceFolderCache folderCache_;
  platform::FolderLock destLock_;  // of the destination while a transfer runs
  std::string errorLog_;           // the ErrorLog, read through ErrorText
  // The state a copy worker reads (Drive, the open root, the folder cache,
  // the thumbnail store, the error log) against a loss handled on the window
  // thread meanwhile. Recursive: the operations call one another.
  mutable std::recursive_mutex stateMutex_;
  // Expires when the manager goes, so queued volume changes find it gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// A fetched work copy, deleted when the guard goes (an empty path: none).
class TWorkCopy {
 public:
  TWorkCopy(TIpodDevice& device, std::string path) : device_(device), path_(std::move(path)) {}
  ~TWorkCopy() {
    if (!path_.empty()) device_.DeleteWorkCopy(path_);
  }
  TWorkCopy(const TWorkCopy&) = delete;
  TWorkCopy& operator=(const TWorkCopy&) = delete;
  const std::string& Path() const { return path_; }

 private:
  TIpodDevice& device_;
  std::string path_;
};

}  // namespace ortelan
