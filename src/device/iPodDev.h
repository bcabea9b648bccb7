#pragma once

// The device manager: finds the connected iPod, keeps its state, tells the
// window when one comes or goes, and does every file operation on it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Platform.h"
#include "util/MemoryStream.h"

namespace ortelan {

// (AConnected, AFromIos): a device came or went; AFromIos tells which side.
using TDeviceChangeEvent = std::function<void(bool AConnected, bool AFromIos)>;

// The services the device manager works through; borrowed, they outlive it.
struct DeviceServices {
  platform::VolumeSource& Volumes;
  platform::FileSystem& Files;
  platform::Dispatcher& Dispatcher;
};

// Special folders asked for by number, as the window code passes them.
constexpr int kCsidlMyMusic = 0x0D;
constexpr int kCsidlMyPictures = 0x27;

class TIpodDevice {
 public:
  // Creates the manager and starts listening for volumes; changes are handed
  // to the window thread through the dispatcher, never before this returns.
  TIpodDevice(TDeviceChangeEvent AOnDeviceChange, DeviceServices services);
  ~TIpodDevice();
  TIpodDevice(const TIpodDevice&) = delete;
  TIpodDevice& operator=(const TIpodDevice&) = delete;

  std::string ErrorLog;
  bool IsIos = false;
  bool Connected = false;
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
  void IosDeviceChanged(bool AConnected);
  void AddError(const std::string& Text);

  // Whole-file reads into memory.
  bool ReadDeviceFile(const std::string& Path, TMemoryStream& Stream);
  bool ReadItunesDb(TMemoryStream& Stream, bool& Compressed);
  bool ReadPhotoDatabase(TMemoryStream& Stream);

  bool EjectVolume();
  static std::string FormatSize(int64_t Size);
  // There is no iTunes on this platform.
  bool IsItunesRunning() const { return false; }
  void StopItunesHelper() {}

  // Single-file copies and sizes.
  int CopyDeviceFile(const std::string& DevPath, const std::string& PcPath);
  int CopyCameraFile(const std::string& SrcPath, const std::string& PcPath);
  int32_t PcFileSize(const std::string& Path);
  int32_t DeviceFileSize(const std::string& DevPath);
  bool HasSize(const std::string& PcPath, int32_t Size);
  int CopyWithFreeName(const std::string& DevPath, std::string& DestBase, int32_t Size);
  int CopyItemOrFolder(const std::string& DevPath, std::string& DestBase, bool& WasFolder,
                       int32_t Size);
  bool DeviceFileExists(const std::string& Path);
  // Writes a new file on the PC, never over an existing one; 0 or the errno.
  int WriteNewPcFile(const std::string& Path, std::span<const uint8_t> Bytes) {
    return services_.Files.WriteFileExclusive(Path, Bytes);
  }
  // Renames a file on the PC without replacing one; 0 or the errno.
  int RenameNoReplace(const std::string& From, const std::string& To) {
    return services_.Files.RenameNoReplace(From, To);
  }

  // Database files as local copies in the private work folder, named WorkFile
  // + Suffix (so a "-wal" log lies beside its database's copy). The device's
  // own files are never opened by SQLite: it could roll a journal back or
  // checkpoint a log into them. LocalPath is empty when the file is missing
  // or its copy failed (then ErrorLog says why).
  void FetchItunesFile(const std::string& Name, bool InLibraryPackage, std::string& LocalPath,
                       const std::string& Suffix);
  void FetchPhotoDataFile(const std::string& Name, const std::string& Suffix,
                          std::string& LocalPath);
  void FetchBooksPlist(bool Purchased, std::string& LocalPath);
  // Deletes a local copy made by a fetch, with the files SQLite made beside
  // it; a path that is not such a copy is left alone.
  void DeleteWorkCopy(const std::string& LocalPath);

  // Thumbnail store files, one open at a time.
  bool OpenThumbFile(const std::string& Name, int32_t RecordSize);
  bool ReadThumb(int32_t Count, TMemoryStream& Stream, int64_t Offset);
  void CloseThumbFile();

  // Camera roll and voice-memo recordings.
  void GetCameraRollFolder(std::string& Folder);
  int ListCameraRoll(std::vector<std::string>& List);
  bool ReadCameraThumb(const std::string& Folder, const std::string& FileName,
                       TMemoryStream& Stream, std::string& Ext);
  int ListRecordings(std::vector<std::string>& List);

  // Destination folders on the PC.
  bool CheckDestination(std::string& Folder, int64_t NeededBytes);
  void GetShellFolder(int Csidl, std::string& Folder);
  void GetUserFolder(bool Pictures, std::string& Folder);

  // The file on the PC that a device path names: drive-relative or colon form,
  // looked up without regard to case where needed. False when it is missing or
  // lies outside the device's root.
  bool ResolveDevicePath(const std::string& DevPath, std::string& Resolved) const;

 private:
  bool ReadLocalFile(const std::string& file, TMemoryStream& stream);
  bool ReadFullDevicePath(const std::string& fullPath, TMemoryStream& stream);
  bool ResolveFullPath(const std::string& fullPath, std::string& resolved) const;
  bool InsideDevice(const std::string& pcFolder) const;
  void PrepareWorkFile();
  // Copies a file of the device to WorkFile + suffix; `failureLine` starts
  // the ErrorLog line of a failed copy.
  void FetchToWorkFile(const std::string& devPath, const std::string& suffix,
                       const std::string& failureLine, std::string& localPath);
  std::vector<std::string> ListDeviceFolder(const std::string& folder,
                                            const std::function<bool(const std::string&)>& keep);

  DeviceServices services_;
  platform::Volume volume_;    // the connected disk-mode volume
  std::string canonicalRoot_;  // Drive with every link resolved
  int thumbFile_ = -1;         // the open thumbnail store of a disk-mode iPod
  int64_t thumbFileSize_ = 0;  // its size, read once when it is opened
  // Folders of the connected device known to lie inside its root; only one
  // thread does file operations at a time.
  mutable std::unordered_set<std::string> verifiedFolders_;
  // Expires when the manager goes, so queued volume changes find it gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ortelan
