#include "device/DevicePaths.h"

#include <algorithm>

#include "platform/FileStatus.h"
#include "util/Text.h"

namespace ortelan {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

using platform::FileKind;

// The names of `folder` by their ASCII-folded form (the first of names that
// fold alike wins).
std::unordered_map<std::string, std::string> ListFolded(const std::string& folder) {
  std::unordered_map<std::string, std::string> names;
  for (std::string& name : platform::FolderNames(folder)) {
    std::string folded = AsciiUpperCase(name);
    names.emplace(std::move(folded), std::move(name));
  }
  return names;
}

int64_t ChangeTimeNs(const std::string& folder) {
  const platform::FileStatus status = platform::StatusOf(folder);
  return status.Kind == FileKind::Missing ? -1 : status.ChangedNs;
}

// The entry of `folder` that equals `name` without regard to ASCII case.
bool FindIgnoringCase(const std::string& folder, const std::string& name, std::string& found,
                      DeviceFolderCache* cache) {
  std::unordered_map<std::string, std::string> uncached;
  const std::unordered_map<std::string, std::string>* names = &uncached;
  if (cache) {
    const int64_t changed = ChangeTimeNs(folder);
    DeviceFolderCache::Listing& listing = cache->Listings[folder];
    if (listing.Names.empty() || listing.ChangedNs != changed) {
      listing.Names = ListFolded(folder);
      listing.ChangedNs = changed;
    }
    names = &listing.Names;
  } else {
    uncached = ListFolded(folder);
  }
  const auto match = names->find(AsciiUpperCase(name));
  if (match == names->end()) return false;
  found = match->second;
  return true;
}

}  // namespace

bool InsideRoot(const std::string& path, const std::string& canonicalRoot) {
  const std::string real = platform::ResolvedPath(path);
  if (real.empty()) return false;
  const std::string_view resolved(real);
  if (canonicalRoot == "/") return true;
  return resolved == canonicalRoot ||
         (resolved.size() > canonicalRoot.size() && resolved.starts_with(canonicalRoot) &&
          resolved[canonicalRoot.size()] == '/');
}

bool SplitDevicePath(std::string_view path, std::vector<std::string>& parts) {
  parts.clear();
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view part = path.substr(pos, end - pos);
    if (part == "..") return false;
    if (!part.empty() && part != ".") parts.emplace_back(part);
    pos = end + 1;
  }
  return true;
}

bool ResolveUnderRoot(const std::string& root, const std::string& canonicalRoot,
                      std::string_view path, std::string& resolved, DeviceFolderCache* cache) {
  std::vector<std::string> parts;
  if (root.empty() || !SplitDevicePath(path, parts)) return false;
  std::string current = root;
  for (const std::string& part : parts) current += "/" + part;
  platform::FileStatus status = platform::LinkStatusOf(current);
  if (status.Kind == FileKind::Missing) {
    current = root;
    for (const std::string& part : parts) {
      std::string actual = part;
      if (!platform::PathExists(current + "/" + part) &&
          !FindIgnoringCase(current, part, actual, cache)) {
        return false;
      }
      current += "/" + actual;
    }
    status = platform::LinkStatusOf(current);
    if (status.Kind == FileKind::Missing) return false;
  }
  // A file that is no link lies where its folder lies: checking the folder
  // (once per folder) is enough. Links are resolved to their end.
  const std::string folder = parts.empty() ? current : current.substr(0, current.rfind('/'));
  if (status.Kind == FileKind::Link || parts.empty()) {
    if (!InsideRoot(current, canonicalRoot)) return false;
  } else if (!cache || !cache->Verified.contains(folder)) {
    if (!InsideRoot(folder, canonicalRoot)) return false;
    if (cache) cache->Verified.insert(folder);
  }
  resolved = std::move(current);
  return true;
}

int TClaimedNames::FirstUnclaimed(std::string_view base, std::string_view ext) const {
  std::string series(base);
  series.append(1, '\0').append(ext);
  int& number = firstUnclaimed_[series];
  while (names_.contains(NumberedFileName(base, number, ext))) ++number;
  return number;
}

bool IsSingleFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) { return IsSeparator(c) || c == '\0'; });
}

std::string_view PathExtension(std::string_view path) {
  for (size_t i = path.size(); i-- > 0;) {
    if (path[i] == '.') return path.substr(i);
    if (IsSeparator(path[i])) break;
  }
  return {};
}

}  // namespace ortelan
