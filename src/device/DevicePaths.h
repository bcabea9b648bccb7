#pragma once

// Paths on a disk-mode device, confined to its root.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ortelan {

// Splits a device path in colon, drive-relative or "/" form into its parts,
// dropping empty and "." parts. False when a part is "..".
bool SplitDevicePath(std::string_view path, std::vector<std::string>& parts);

// What is known of the connected device's folders, kept while it stays
// connected: the folders found to lie inside its root, and the names in each
// folder that had to be looked up without regard to case, by their folded
// form; a listing is read again once its folder has changed. Only one thread
// does file operations at a time.
struct DeviceFolderCache {
  struct Listing {
    int64_t ChangedNs = 0;  // the folder's change time when it was listed
    std::unordered_map<std::string, std::string> Names;
  };
  std::unordered_set<std::string> Verified;
  std::unordered_map<std::string, Listing> Listings;
  void Clear() {
    Verified.clear();
    Listings.clear();
  }
};

// The destination names a run has taken. A numbered series ("Song.mp3",
// "Song1.mp3", ...) is looked at from its first name not taken yet, so that
// a run walks each series once instead of once for every file of it.
class TClaimedNames {
 public:
  bool Contains(const std::string& name) const { return names_.contains(name); }
  void Claim(const std::string& name) { names_.insert(name); }
  void Clear() {
    names_.clear();
    firstUnclaimed_.clear();
  }
  // The first number n of the series whose name for n is not taken.
  int FirstUnclaimed(std::string_view base, std::string_view ext) const;

 private:
  std::unordered_set<std::string> names_;
  // By series: a number below which every name is taken (only grows).
  mutable std::unordered_map<std::string, int> firstUnclaimed_;
};

// True when `path`, with every link resolved, is `canonicalRoot` (a folder
// with its links resolved, no trailing separator) or lies below it.
bool InsideRoot(const std::string& path, const std::string& canonicalRoot);

// The file below `root` that `path` names. A part that does not exist as
// written is looked up without regard to ASCII case. False when the file is
// missing or, after every link is resolved, lies outside `canonicalRoot` (the
// root with its links resolved).
// With a `cache`, copying many files of one folder checks the folder once
// and reads its listing once.
bool ResolveUnderRoot(const std::string& root, const std::string& canonicalRoot,
                      std::string_view path, std::string& resolved,
                      DeviceFolderCache* cache = nullptr);

// True for a name a device listing may give for one file or folder: not
// empty, not "." or "..", and without a separator ("/", "\\", ":") or a NUL,
// so that joined to a folder it stays inside it. Control characters pass:
// they are cleaned where the name becomes a name on the PC.
bool IsSingleFileName(std::string_view name);

// The extension of the last part of a path (after "/", "\" or ":"), with its
// dot; empty when it has none.
std::string_view PathExtension(std::string_view path);

}  // namespace ortelan
