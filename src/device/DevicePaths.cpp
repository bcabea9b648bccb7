#include "device/DevicePaths.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>

#include "util/Text.h"

namespace ortelan {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

bool Exists(const std::string& path, struct stat* info = nullptr) {
  struct stat local {};
  return lstat(path.c_str(), info ? info : &local) == 0;
}

// The entry of `folder` that equals `name` without regard to ASCII case.
bool FindIgnoringCase(const std::string& folder, const std::string& name, std::string& found) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return false;
  while (const dirent* entry = readdir(dir.get())) {
    if (SameTextAscii(entry->d_name, name)) {
      found = entry->d_name;
      return true;
    }
  }
  return false;
}

bool InsideRoot(const std::string& path, const std::string& canonicalRoot) {
  std::unique_ptr<char, void (*)(void*)> real(realpath(path.c_str(), nullptr), free);
  if (!real) return false;
  const std::string_view resolved(real.get());
  if (canonicalRoot == "/") return true;
  return resolved == canonicalRoot ||
         (resolved.size() > canonicalRoot.size() && resolved.starts_with(canonicalRoot) &&
          resolved[canonicalRoot.size()] == '/');
}

}  // namespace

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
                      std::string_view path, std::string& resolved,
                      std::unordered_set<std::string>* verifiedFolders) {
  std::vector<std::string> parts;
  if (root.empty() || !SplitDevicePath(path, parts)) return false;
  std::string current = root;
  for (const std::string& part : parts) current += "/" + part;
  struct stat info {};
  if (!Exists(current, &info)) {
    current = root;
    for (const std::string& part : parts) {
      std::string actual = part;
      if (!Exists(current + "/" + part) && !FindIgnoringCase(current, part, actual)) return false;
      current += "/" + actual;
    }
    lstat(current.c_str(), &info);
  }
  // A file that is no link lies where its folder lies: checking the folder
  // (once per folder) is enough. Links are resolved to their end.
  const std::string folder = parts.empty() ? current : current.substr(0, current.rfind('/'));
  if (S_ISLNK(info.st_mode) || parts.empty()) {
    if (!InsideRoot(current, canonicalRoot)) return false;
  } else if (!verifiedFolders || !verifiedFolders->contains(folder)) {
    if (!InsideRoot(folder, canonicalRoot)) return false;
    if (verifiedFolders) verifiedFolders->insert(folder);
  }
  resolved = std::move(current);
  return true;
}

std::string_view PathExtension(std::string_view path) {
  for (size_t i = path.size(); i-- > 0;) {
    if (path[i] == '.') return path.substr(i);
    if (IsSeparator(path[i])) break;
  }
  return {};
}

}  // namespace ortelan
