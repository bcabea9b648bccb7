// File operations on an iOS device, through the session's AFC service: whole
// reads, copies to the PC, work copies of the databases, book folders,
// thumbnail stores, camera roll and recordings.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "device/DevicePaths.h"
#include "device/PlistBounds.h"
#include "device/iPodDev.h"
#include "platform/FileStatus.h"
#include "util/Text.h"

namespace ortelan {

namespace {

constexpr const char* kBinaryPlistMagic = "bplist";

// Every ':' and '\' of a device path becomes '/'.
std::string SlashForm(const std::string& path) {
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), ':', '/');
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  return slashed;
}

// The PC path of a file below a book folder: `relative` (below the device
// folder, "/" between its names) joined to `destDir`, each name cleaned.
// Empty when a part would leave the folder ("..") or there is none.
std::string PcPathBelow(const std::string& destDir, const std::string& relative) {
  std::vector<std::string> parts;
  if (!SplitDevicePath(relative, parts) || parts.empty()) return {};
  std::string local = destDir;
  for (size_t i = 0; i < parts.size(); ++i) {
    local += (i > 0 ? "/" : "") + CleanDeviceFileName(parts[i]);
  }
  return local;
}

// The bytes of a fetched file; false when it cannot be read.
bool ReadLocalFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

void TIpodDevice::StartIosSession() {
  std::weak_ptr<int> alive = alive_;
  platform::Dispatcher& dispatcher = services_.Dispatcher;
  ios_ = std::make_unique<TIosHelper>(services_.Mobile, kIosBufferMegabytes,
                                      [this, alive, &dispatcher](bool connected) {
                                        // From the library's thread to the window's, after this
                                        // constructor.
                                        dispatcher.Post([this, alive, connected] {
                                          if (alive.lock()) IosDeviceChanged(connected);
                                        });
                                      });
  if (!ios_->LibraryLoaded()) {
    AddError("Cannot load the iTunes Dll, requires iTunes 7.5 or above.");
    IosUnavailable = true;
  }
  ios_->Start(IosUnavailable);
  if (!ios_->Subscribed()) {
    AddError("Cannot access iPhone/iTouch/iPad.");
    IosUnavailable = true;
  }
  if (ios_->BufferSize() == 0) AddError("Internal - out of Memory");
}

bool TIpodDevice::IosPath(const std::string& path, std::string& afcPath) {
  const std::string slashed = SlashForm(path);
  const size_t start = slashed.starts_with('/') ? 1 : 0;
  const bool folder = slashed.size() > start && slashed.ends_with('/');
  const std::string_view inner(slashed.data() + start, slashed.size() - start - (folder ? 1 : 0));
  bool safe = !inner.empty();
  for (size_t at = 0; safe && at <= inner.size();) {
    const size_t end = std::min(inner.find('/', at), inner.size());
    const std::string_view part = inner.substr(at, end - at);
    safe = !part.empty() && part != "." && part != "..";
    at = end + 1;
  }
  if (!safe) {
    ios_->NoteFailure("Not found: " + path);
    return false;
  }
  afcPath = "/" + std::string(inner) + (folder ? "/" : "");
  return true;
}

bool TIpodDevice::IosReadFile(const std::string& path, TMemoryStream& stream) {
  stream.Clear();
  std::string afcPath;
  if (!IosPath(path, afcPath) || !ios_->ReadToStream(afcPath, stream, kMaxDatabaseBytes)) {
    stream.Clear();
    AddError(ios_->LastError());
    return false;
  }
  stream.Position = 0;
  return true;
}

int TIpodDevice::IosCopyToPc(const std::string& afcPath, const std::string& pcPath, bool workCopy) {
  int writeError = 0;
  const platform::FileSystem::ChunkProducer produce =
      [&](const platform::FileSystem::ChunkWriter& write) {
        const int read = ios_->ReadChunks(afcPath, [&](std::span<const uint8_t> chunk) {
          return (writeError = write(chunk)) == 0;
        });
        return writeError != 0 ? writeError : read;
      };
  const int code = workCopy ? services_.Files.WriteChunksWorkFile(pcPath, produce)
                            : services_.Files.WriteChunksExclusive(pcPath, produce);
  if (code != 0 && code == writeError) ios_->NoteFailure(platform::ErrorText(code));
  return code;
}

int TIpodDevice::IosCopyFile(const std::string& path, const std::string& pcPath) {
  std::string afcPath;
  const int code = IosPath(path, afcPath) ? IosCopyToPc(afcPath, pcPath, false) : ENOENT;
  // A name taken meanwhile is no failure: the caller takes the next one.
  if (code != 0 && code != EEXIST) AddError("Copy fail: " + ios_->LastError());
  return code;
}

int64_t TIpodDevice::IosFileSize(const std::string& path) {
  std::string afcPath;
  return IosPath(path, afcPath) ? ios_->GetFileSize(afcPath) : 0;
}

void TIpodDevice::IosFetch(const std::string& devPath, const std::string& suffix,
                           const std::string& failureLine, std::string& localPath,
                           int64_t maxBytes) {
  localPath.clear();
  PrepareWorkFile();
  if (WorkFile.empty()) {
    AddError(failureLine + "no private work folder");
    return;
  }
  if (const int64_t size = ios_->GetFileSize(devPath); size > maxBytes) {
    AddError(failureLine + "File too large: " + devPath + " (" + std::to_string(size) + " bytes)");
    return;
  }
  const std::string copy = WorkFile + suffix;
  std::remove(copy.c_str());  // an earlier copy of ours
  if (IosCopyToPc(devPath, copy, true) != 0) {
    AddError(failureLine + ios_->LastError());
    return;
  }
  localPath = copy;
}

void TIpodDevice::FetchBooksPlist(bool purchased, std::string& localPath) {
  localPath.clear();
  if (!IsIos) return;  // the books lists exist only on iOS devices
  const std::string devPath = purchased ? "/Books/Purchases/Purchases.plist" : "/Books/Books.plist";
  std::string copy;
  IosFetch(devPath, "",
           purchased ? "Copy puchased bookplist failed: " : "Copy bookplist failed: ", copy,
           kMaxPlistBytes);
  if (copy.empty()) return;
  // The property-list library is handed only a list it can read safely; an
  // XML list is read as it is, a binary one rewritten as XML.
  std::vector<uint8_t> bytes;
  std::string why = ReadLocalFile(copy, bytes) ? "" : "it cannot be read";
  if (!why.empty() || !PlistWithinBounds(bytes, why)) {
    AddError("Books list refused: " + devPath + ": " + why);
    DeleteWorkCopy(copy);
    return;
  }
  const bool binary = std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())
                          .starts_with(kBinaryPlistMagic);
  if (!binary || ios_->ConvertPlistToXml(copy, copy)) localPath = copy;
}

int TIpodDevice::CopyDeviceFolder(const std::string& devDir, std::string& destDir) {
  namespace fs = std::filesystem;
  std::string candidate = destDir;
  for (int number = 1; platform::PathExists(candidate); ++number) {
    candidate = destDir + "_" + std::to_string(number);
  }
  destDir = candidate + "/";
  std::error_code error;
  fs::create_directories(destDir, error);
  if (error) return error.value();
  std::string afcDir;
  if (!IosPath(devDir, afcDir)) return ENOENT;
  std::vector<std::string> files;
  const bool whole = ios_->ListTree(afcDir, files);
  for (const std::string& name : ios_->RefusedNames()) AddError("Refused file name: " + name);
  if (!whole) AddError(ios_->LastError());  // the files listed before the bound are copied
  if (files.empty()) return whole ? ENOENT : EIO;
  int result = whole ? 0 : EIO;
  for (const std::string& file : files) {
    // ListTree gives paths that start with the folder asked for.
    const std::string local = PcPathBelow(destDir, file.substr(afcDir.size()));
    if (local.empty()) {
      AddError("Refused file name: " + TerminalText(file));
      result = EINVAL;
      continue;
    }
    fs::create_directories(fs::path(local).parent_path(), error);
    // The folder as made, links resolved, must still lie in the destination.
    if (error ||
        !InsideRoot(fs::path(local).parent_path().string(), platform::ResolvedPath(destDir))) {
      result = error ? error.value() : EINVAL;  // the files of that sub-folder are left out
      continue;
    }
    if (const int code = IosCopyToPc(file, local, false)) {
      AddError("Copy fail: " + ios_->LastError());
      return code;
    }
  }
  return result;
}

bool TIpodDevice::IosOpenThumb(std::initializer_list<std::string> paths) {
  const std::lock_guard lock(stateMutex_);
  CloseThumbFile();
  for (const std::string& path : paths) {
    if (!ios_->OpenFile(path)) continue;
    iosThumbSize_ = ios_->GetFileSize(path);
    return true;
  }
  AddError(ios_->LastError());
  return false;
}

bool TIpodDevice::IosReadThumb(int32_t count, TMemoryStream& stream, int64_t offset) {
  const std::lock_guard lock(stateMutex_);
  // Never more than the store holds past the offset: a damaged database may
  // ask for any count.
  if (iosThumbSize_ < 0 || offset < 0 || count < 0 || offset + count > iosThumbSize_) {
    AddError("Seek error");
    return false;
  }
  const size_t start = stream.Position;
  const size_t before = stream.Bytes.size();
  stream.Bytes.resize(std::max(before, start + static_cast<size_t>(count)));
  if (!ios_->ReadAt(static_cast<uint32_t>(count), stream.Bytes.data() + start, offset)) {
    stream.Bytes.resize(before);
    AddError(ios_->LastError());
    return false;
  }
  stream.Position = 0;
  return true;
}

std::vector<std::string> TIpodDevice::IosListFiles(
    const std::string& folder, const std::function<bool(const std::string&)>& keep) {
  std::vector<std::string> names;
  ios_->ListFiles(folder, names);
  for (const std::string& name : ios_->RefusedNames()) AddError("Refused file name: " + name);
  std::erase_if(names, [&](const std::string& name) { return !keep(name); });
  return names;
}

}  // namespace ortelan
