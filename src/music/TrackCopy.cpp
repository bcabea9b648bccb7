// The copy of checked tracks to the PC under names built from their tags,
// and the destination helpers the window uses before a transfer.

#include <zip.h>

#include <filesystem>
#include <thread>

#include "device/DevicePaths.h"
#include "device/iPodDev.h"
#include "music/NameSchemes.h"
#include "music/iPodMusic.h"
#include "platform/FileStatus.h"
#include "util/Text.h"

namespace ortelan {

namespace fs = std::filesystem;

namespace {

constexpr size_t kNamePartLength = 41;
constexpr int kLoggedErrors = 40;

bool IsReserved(char c) {
  switch (c) {
    case '"':
    case '*':
    case '/':
    case ':':
    case '<':
    case '>':
    case '?':
    case '\\':
    case '|':
      return true;
    default:
      return false;
  }
}

bool OnlyDots(const std::string& text) {
  return !text.empty() && text.find_first_not_of('.') == std::string::npos;
}

int32_t Low32(int64_t size) { return static_cast<int32_t>(static_cast<uint32_t>(size)); }

// Adds the files below `folder` to the archive; false when one cannot be added.
bool AddFolderToZip(zip_t* archive, const fs::path& folder) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
    const std::string entry = it->path().lexically_relative(folder).generic_string();
    zip_source_t* source = zip_source_file(archive, it->path().c_str(), 0, -1);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      return false;
    }
    // Deflate at the normal level; libzip stores an entry instead when
    // deflating would make it larger.
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFAULT, 0);
  }
  return !ec;
}

// Writes the archive of `folder` to `path`; false when it holds no entry or
// cannot be written (nothing is left behind then).
bool WriteZip(const fs::path& folder, const std::string& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
  if (!archive) return false;
  if (!AddFolderToZip(archive, folder) || zip_get_num_entries(archive, 0) == 0) {
    zip_discard(archive);
    return false;
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    std::error_code ec;
    fs::remove(path, ec);
    return false;
  }
  return true;
}

// Marks that reorder the text around them: a name would read otherwise than
// it is (U+202A to U+202E, U+2066 to U+2069).
bool IsBidiControlAt(const std::string& text, size_t i) {
  if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xE2) return false;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const auto third = static_cast<unsigned char>(text[i + 2]);
  return (second == 0x80 && third >= 0xAA && third <= 0xAE) ||
         (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

std::string ReplaceUnfitCharacters(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsBidiControlAt(text, i)) {
      out += '_';
      i += 2;
    } else if (IsReserved(c) || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      out += '_';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

void MakeNamePart(const std::string& tag, const std::string& fallback, std::string& part) {
  part = Trim(CodePointCount(tag) > kNamePartLength ? CodePointPrefix(tag, kNamePartLength)
                                                    : std::string_view(tag));
  // A tag of blanks names nothing either (it would give a hidden ".mp3").
  if (part.empty()) {
    part = "Unknown" + fallback;
    return;
  }
  part = ReplaceUnfitCharacters(part);
  // "." and ".." name the folder itself and its parent: never a file's name.
  if (OnlyDots(part)) part.insert(0, "_");
}

void TIpodMusicDb::SchemePath(const TTrackItem& track, uint8_t scheme, const std::string& folder,
                              std::string& path, std::string& subFolder) {
  std::string name, artist, album;
  MakeNamePart(track.Title, " Name", name);
  MakeNamePart(track.Artist, " Artist", artist);
  MakeNamePart(track.Album, " Album", album);
  subFolder.clear();
  const TNameSchemeInfo& info = NameSchemeInfo(scheme);
  std::string fileName;
  for (size_t i = 0; i < info.PartCount; ++i) {
    if (i > 0) fileName += " - ";
    fileName += info.Parts[i] == TNamePart::Title    ? name
                : info.Parts[i] == TNamePart::Artist ? artist
                                                     : album;
  }
  if (info.AlbumFolders) {
    subFolder = folder + artist + "/" + album;
    path = subFolder + "/" + fileName;
  } else {
    path = folder + fileName;
  }
}

int TIpodMusicDb::BuildDestName(int index, uint8_t scheme, std::string& path) {
  const TTrackItem& track = Tracks.GetItem(index);
  std::string folder;
  SchemePath(track, scheme, DestFolder, path, folder);
  if (folder.empty()) return 0;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder)) {
    AddLog("[X] Copy stopped at: " + track.Title + "\r\n" +
           " Program cannot create folder: " + folder);
    path.clear();
    return ec ? ec.value() : ENOTDIR;
  }
  return 0;
}

int64_t TIpodMusicDb::BytesStillNeeded(const std::string& destFolder) {
  std::string folder = destFolder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  TClaimedNames claimed;
  int64_t needed = 0;
  for (const TTrackItem& track : Tracks) {
    if (!track.Checked) continue;
    std::string path, subFolder;
    SchemePath(track, track.MediaKind == mkBook ? uint8_t{nsTitle} : NameScheme, folder, path,
               subFolder);
    if (track.MediaKind != mkBook &&
        Device->AlreadyCopied(track.Location, path, Low32(track.Size), &claimed)) {
      claimed.Claim(path);
      continue;
    }
    needed = SaturatingAdd(needed, track.Size);
  }
  return needed;
}

int TIpodMusicDb::CopyTrack(int index) {
  TTrackItem& track = Tracks.GetItem(index);
  std::string path;
  if (track.MediaKind == mkBook) {
    StoreCopyState(track, csCopiedApart);
    if (const int error = BuildDestName(index, nsTitle, path)) return error;
    bool wasFolder = false;
    const int code = Device->CopyItemOrFolder(track.Location, path, wasFolder, Low32(track.Size));
    if (wasFolder && code == 0 && !path.empty()) {
      std::string base = path;
      while (base.size() > 1 && base.back() == '/') base.pop_back();
      std::string ext;
      BookExt(track.Location, ext);
      if (!PackBookFolder(path, base, ext)) return kPackFailed;
    }
    if (code == 0) track.DestFile = path;
    return code;
  }
  StoreCopyState(track, csCopied);
  if (const int error = BuildDestName(index, NameScheme, path)) return error;
  int code = Device->CopyWithFreeName(track.Location, path, Low32(track.Size), &claimed_);
  if (code == TIpodDevice::kRetryWorthyCode) {
    if (const int error = BuildDestName(index, NameScheme, path)) return error;
    std::this_thread::sleep_for(RetryWait);
    code = Device->CopyWithFreeName(track.Location, path, Low32(track.Size), &claimed_);
  }
  if (code == 0) {
    track.DestFile = path;
    claimed_.Claim(path);
  }
  return code;
}

int TIpodMusicDb::CopyTracks(bool abortOnErrors) {
  Cancelled = false;
  claimed_.Clear();
  int met = 0, copied = 0, errors = 0;
  const std::string suffix = "/" + std::to_string(Tracks.CheckedCount) + "  ";
  for (int i = 0; i < Tracks.Count(); ++i) {
    if (Cancelled) break;
    TTrackItem& track = Tracks.GetItem(i);
    if (!track.Checked) continue;
    if (!Device->StillConnected()) {
      // Every item after this one would fail alike.
      AddLog(kDeviceGoneLine);
      break;
    }
    ++met;
    if (OnProgress) OnProgress(std::to_string(met) + suffix + track.Title);
    track.DestFile.clear();
    const int code = CopyTrack(i);
    if (code == 0) {
      ++copied;
      continue;
    }
    StoreCopyState(track, csFailed);
    if (code == kPackFailed) {
      AddLog(track.Title + ": Error park");
      continue;
    }
    ++errors;
    if (errors <= kLoggedErrors) {
      // The device's own "nothing copied" is no system error: said in words.
      AddLog(track.Title + ": Err " + std::to_string(code) +
             (code == kNothingCopied && !Device->IsIos
                  ? " (nothing copied: books come off iPhones and iPads only)"
                  : ""));
      if (code == platform::kNotRegularFile) AddLog(" Not a regular file: " + track.Location);
    } else if (abortOnErrors) {
      AddLog("Too many errors, transfer abort.");
      AddLog("Please check the connection between your iPod and computer.");
      break;
    }
  }
  return copied;
}

void TIpodMusicDb::BookExt(const std::string& fileName, std::string& ext) {
  ext = PathExtension(fileName);
  if (ext.empty()) ext = ".epub";
}

bool TIpodMusicDb::PackBookFolder(const std::string& folder, const std::string& base,
                                  const std::string& ext) {
  // The archive is written beside the folder under a name nobody uses yet.
  std::string archive = base + ".zip";
  for (int n = 1; platform::PathExists(archive); ++n) archive = base + ".zip." + std::to_string(n);
  const bool packed = WriteZip(folder, archive);
  if (packed) {
    std::string name = base;
    for (int n = 1;; ++n) {
      const std::string target = name + ext;
      if (!platform::PathExists(target)) {
        const int error = Device->RenameNoReplace(archive, target);
        if (error != EEXIST) break;  // renamed, or failed for good
      } else if (SameFileSize(target, archive)) {
        std::remove(archive.c_str());  // the book is there already
        break;
      }
      name = base + "_" + std::to_string(n);
    }
  }
  RemoveTempFolder(folder);
  return packed;
}

bool TIpodMusicDb::SameFileSize(const std::string& a, const std::string& b) {
  const int32_t size = Device->PcFileSize(a);
  return size != 0 && Device->PcFileSize(b) == size;
}

void TIpodMusicDb::RemoveTempFolder(const std::string& folder) {
  std::error_code ec;
  if (DestFolder.empty() || !fs::is_directory(fs::symlink_status(folder, ec))) return;
  // Only a folder inside the destination, named without "..", is removed.
  const std::string normal = fs::path(folder).lexically_normal().string();
  if (folder.compare(0, DestFolder.size(), DestFolder) != 0 ||
      normal.compare(0, DestFolder.size(), DestFolder) != 0 || normal.size() <= DestFolder.size()) {
    return;
  }
  fs::remove_all(folder, ec);
}

void TIpodMusicDb::GetDefaultFolder(std::string& folder) {
  Device->GetUserFolder(false, folder);
  if (folder.empty()) return;
  std::error_code ec;
  if (fs::is_directory(folder + "iTunes/iTunes Media/", ec)) {
    folder += "iTunes/iTunes Media/";
  } else {
    folder += "iTunes/iTunes Music/";
  }
}

bool TIpodMusicDb::PrepareDestination(std::string& folder) {
  // Only what is not there yet needs room: a rerun copies nothing new.
  if (!Device->CheckDestination(folder, BytesStillNeeded(folder))) return false;
  DestFolder = folder;
  return true;
}

}  // namespace ortelan
