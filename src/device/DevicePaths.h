#pragma once

// Paths on a disk-mode device, confined to its root.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace ortelan {

// Splits a device path in colon, drive-relative or "/" form into its parts,
// dropping empty and "." parts. False when a part is "..".
bool SplitDevicePath(std::string_view path, std::vector<std::string>& parts);

// The file below `root` that `path` names. A part that does not exist as
// written is looked up without regard to ASCII case. False when the file is
// missing or, after every link is resolved, lies outside `canonicalRoot` (the
// root with its links resolved).
// `verifiedFolders` remembers folders already found inside the root, so that
// copying many files of one folder checks the folder once.
bool ResolveUnderRoot(const std::string& root, const std::string& canonicalRoot,
                      std::string_view path, std::string& resolved,
                      std::unordered_set<std::string>* verifiedFolders = nullptr);

// The extension of the last part of a path (after "/", "\" or ":"), with its
// dot; empty when it has none.
std::string_view PathExtension(std::string_view path);

}  // namespace ortelan
