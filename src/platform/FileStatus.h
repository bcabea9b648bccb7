#pragma once

// What is at a path of a mounted file system, and what a folder holds: the
// questions the device's file operations ask of the operating system.

#include <cstdint>
#include <string>
#include <vector>

namespace ortelan::platform {

enum class FileKind : uint8_t { Missing, Regular, Folder, Link, Other };

struct FileStatus {
  FileKind Kind = FileKind::Missing;
  int64_t Size = 0;
  int64_t ChangedNs = 0;  // the last change of the contents, in ns since the epoch
};

// The file `path` names, its final link followed.
FileStatus StatusOf(const std::string& path);
// The same without following a final link (a link is FileKind::Link).
FileStatus LinkStatusOf(const std::string& path);
// Whether anything (a file, a folder, a link, even a broken one) is at
// `path`.
inline bool PathExists(const std::string& path) {
  return LinkStatusOf(path).Kind != FileKind::Missing;
}
// The names in `folder` but "." and ".."; empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder);
// `path` with every link, "." and ".." resolved; empty when some part of it
// is missing.
std::string ResolvedPath(const std::string& path);

}  // namespace ortelan::platform
