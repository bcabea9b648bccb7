#include "platform/FileStatus.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>

namespace ortelan::platform {

namespace {

FileStatus FromStat(const struct stat& info) {
  FileStatus status;
  status.Kind = S_ISREG(info.st_mode)   ? FileKind::Regular
                : S_ISDIR(info.st_mode) ? FileKind::Folder
                : S_ISLNK(info.st_mode) ? FileKind::Link
                                        : FileKind::Other;
  status.Size = info.st_size;
  status.ChangedNs = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  return status;
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? FromStat(info) : FileStatus{};
}

FileStatus LinkStatusOf(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? FromStat(info) : FileStatus{};
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  return names;
}

std::string ResolvedPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> real(realpath(path.c_str(), nullptr), free);
  return real ? std::string(real.get()) : std::string();
}

}  // namespace ortelan::platform
