#include "platform/linux/MountTable.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace ortelan::platform::linux_impl {

namespace fs = std::filesystem;

namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string_view> SplitSpaces(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const size_t start = pos;
    while (pos < line.size() && line[pos] != ' ') ++pos;
    if (pos > start) fields.push_back(line.substr(start, pos - start));
  }
  return fields;
}

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

bool SameVolume(const Volume& a, const Volume& b) {
  return a.MountPoint == b.MountPoint && a.Device == b.Device;
}

}  // namespace

std::string DecodeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
        IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string DecodeLabelName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
      i += 3;
    } else {
      out += name[i];
    }
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const auto fields = SplitSpaces(text.substr(pos, end - pos));
    pos = end + 1;
    // id parent maj:min root mount-point options [optional...] - fstype source super-options
    const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
        fields.end() - dash < 3) {
      continue;
    }
    entries.push_back(MountEntry{std::string(fields[2]), DecodeMountField(fields[4]),
                                 std::string(dash[1]), DecodeMountField(dash[2])});
  }
  return entries;
}

bool IsRemovableBlockDevice(const std::string& sysRoot, const std::string& majorMinor) {
  std::error_code ec;
  fs::path device = fs::canonical(fs::path(sysRoot) / "dev" / "block" / majorMinor, ec);
  if (ec) return false;
  if (device.string().find("/usb") != std::string::npos) return true;
  if (fs::exists(device / "partition", ec)) device = device.parent_path();
  return ReadFirstLine(device / "removable") == "1";
}

std::vector<VolumeChange> DiffVolumes(const std::vector<Volume>& before,
                                      const std::vector<Volume>& after) {
  std::vector<VolumeChange> changes;
  auto contains = [](const std::vector<Volume>& list, const Volume& v) {
    return std::any_of(list.begin(), list.end(), [&](const Volume& w) { return SameVolume(v, w); });
  };
  for (const Volume& v : before) {
    if (!contains(after, v)) changes.push_back(VolumeChange{false, v});
  }
  for (const Volume& v : after) {
    if (!contains(before, v)) changes.push_back(VolumeChange{true, v});
  }
  return changes;
}

}  // namespace ortelan::platform::linux_impl
