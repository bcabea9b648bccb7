// The copy of checked tracks to the PC under names built from their tags,
// and the destination helpers the window uses before a transfer.

#include <zip.h>

#include <filesystem>
#include <thread>

#include "device/DevicePaths.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
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

void MakeNamePart(const std::string& Tag, const std::string& Fallback, std::string& Part) {
  Part = Trim(CodePointCount(Tag) > kNamePartLength ? CodePointPrefix(Tag, kNamePartLength)
                                                    : std::string_view(Tag));
  // A tag of blanks names nothing either (it would give a hidden ".mp3").
  if (Part.empty()) {
    Part = "Unknown" + Fallback;
    return;
  }
  Part = ReplaceUnfitCharacters(Part);
  // "." and ".." name the folder itself and its parent: never a file's name.
  if (OnlyDots(Part)) Part.insert(0, "_");
}

void TIpodMusicDb::SchemePath(const TTrackItem& Track, uint8_t Scheme, const std::string& Folder,
                              std::string& Path, std::string& SubFolder) {
  std::string name, artist, album;
  MakeNamePart(Track.Title, " Name", name);
  MakeNamePart(Track.Artist, " Artist", artist);
  MakeNamePart(Track.Album, " Album", album);
  SubFolder.clear();
  switch (Scheme) {
    case nsArtistAlbumFolders:
      SubFolder = Folder + artist + "/" + album;
      Path = SubFolder + "/" + name;
      break;
    case nsArtistTitle:
      Path = Folder + artist + " - " + name;
      break;
    case nsTitleArtist:
      Path = Folder + name + " - " + artist;
      break;
    case nsArtistAlbumTitle:
      Path = Folder + artist + " - " + album + " - " + name;
      break;
    case nsTitleAlbumArtist:
      Path = Folder + name + " - " + album + " - " + artist;
      break;
    case nsTitleArtistAlbum:
      Path = Folder + name + " - " + artist + " - " + album;
      break;
    default:  // nsTitle
      Path = Folder + name;
      break;
  }
}

int TIpodMusicDb::BuildDestName(int Index, uint8_t Scheme, std::string& Path) {
  const TTrackItem& track = Tracks.GetItem(Index);
  std::string folder;
  SchemePath(track, Scheme, DestFolder, Path, folder);
  if (folder.empty()) return 0;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder)) {
    AddLog("[X] Copy stopped at: " + track.Title + "\r\n" +
           " Program cannot create folder: " + folder);
    Path.clear();
    return ec ? ec.value() : ENOTDIR;
  }
  return 0;
}

int64_t TIpodMusicDb::BytesStillNeeded(const std::string& Folder) {
  std::string folder = Folder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::unordered_set<std::string> claimed;
  int64_t needed = 0;
  for (const TTrackItem& track : Tracks) {
    if (!track.Checked) continue;
    std::string path, subFolder;
    SchemePath(track, track.MediaKind == mkBook ? uint8_t{nsTitle} : NameScheme, folder, path,
               subFolder);
    if (track.MediaKind != mkBook &&
        Device->AlreadyCopied(track.Location, path, Low32(track.Size), &claimed)) {
      claimed.insert(path);
      continue;
    }
    needed = SaturatingAdd(needed, track.Size);
  }
  return needed;
}

int TIpodMusicDb::CopyTrack(int Index) {
  TTrackItem& track = Tracks.GetItem(Index);
  std::string path;
  if (track.MediaKind == mkBook) {
    StoreCopyState(track, csCopiedApart);
    if (const int error = BuildDestName(Index, nsTitle, path)) return error;
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
  if (const int error = BuildDestName(Index, NameScheme, path)) return error;
  int code = Device->CopyWithFreeName(track.Location, path, Low32(track.Size), &claimed_);
  if (code == TIpodDevice::kRetryWorthyCode) {
    if (const int error = BuildDestName(Index, NameScheme, path)) return error;
    std::this_thread::sleep_for(RetryWait);
    code = Device->CopyWithFreeName(track.Location, path, Low32(track.Size), &claimed_);
  }
  if (code == 0) {
    track.DestFile = path;
    claimed_.insert(path);
  }
  return code;
}

int TIpodMusicDb::CopyTracks(bool abortOnErrors) {
  Cancelled = false;
  claimed_.clear();
  int met = 0, copied = 0, errors = 0;
  const std::string suffix = "/" + std::to_string(Tracks.CheckedCount) + "  ";
  for (int i = 0; i < Tracks.Count(); ++i) {
    if (Cancelled) break;
    TTrackItem& track = Tracks.GetItem(i);
    if (!track.Checked) continue;
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
      AddLog(track.Title + ": Err " + std::to_string(code));
      if (code == platform::kNotRegularFile) AddLog(" Not a regular file: " + track.Location);
    } else if (abortOnErrors) {
      AddLog("Too many errors, transfer abort.");
      AddLog("Please check the connection between your iPod and computer.");
      break;
    }
  }
  return copied;
}

void TIpodMusicDb::BookExt(const std::string& FileName, std::string& Ext) {
  Ext = PathExtension(FileName);
  if (Ext.empty()) Ext = ".epub";
}

bool TIpodMusicDb::PackBookFolder(const std::string& Folder, const std::string& Base,
                                  const std::string& Ext) {
  // The archive is written beside the folder under a name nobody uses yet.
  std::string archive = Base + ".zip";
  for (int n = 1; platform::PathExists(archive); ++n) archive = Base + ".zip." + std::to_string(n);
  const bool packed = WriteZip(Folder, archive);
  if (packed) {
    std::string name = Base;
    for (int n = 1;; ++n) {
      const std::string target = name + Ext;
      if (!platform::PathExists(target)) {
        const int error = Device->RenameNoReplace(archive, target);
        if (error != EEXIST) break;  // renamed, or failed for good
      } else if (SameFileSize(target, archive)) {
        std::remove(archive.c_str());  // the book is there already
        break;
      }
      name = Base + "_" + std::to_string(n);
    }
  }
  RemoveTempFolder(Folder);
  return packed;
}

bool TIpodMusicDb::SameFileSize(const std::string& A, const std::string& B) {
  const int32_t size = Device->PcFileSize(A);
  return size != 0 && Device->PcFileSize(B) == size;
}

void TIpodMusicDb::RemoveTempFolder(const std::string& Folder) {
  std::error_code ec;
  if (DestFolder.empty() || !fs::is_directory(fs::symlink_status(Folder, ec))) return;
  // Only a folder inside the destination, named without "..", is removed.
  const std::string normal = fs::path(Folder).lexically_normal().string();
  if (Folder.compare(0, DestFolder.size(), DestFolder) != 0 ||
      normal.compare(0, DestFolder.size(), DestFolder) != 0 || normal.size() <= DestFolder.size()) {
    return;
  }
  fs::remove_all(Folder, ec);
}

void TIpodMusicDb::GetDefaultFolder(std::string& Folder) {
  Device->GetUserFolder(false, Folder);
  if (Folder.empty()) return;
  std::error_code ec;
  if (fs::is_directory(Folder + "iTunes/iTunes Media/", ec)) {
    Folder += "iTunes/iTunes Media/";
  } else {
    Folder += "iTunes/iTunes Music/";
  }
}

bool TIpodMusicDb::PrepareDestination(std::string& Folder) {
  // Only what is not there yet needs room: a rerun copies nothing new.
  if (!Device->CheckDestination(Folder, BytesStillNeeded(Folder))) return false;
  DestFolder = Folder;
  return true;
}

}  // namespace ortelan
