#pragma once

// The pieces of the Linux volume monitor that need no system: parsing the
// mount table, telling removable block devices from sysfs, and turning two
// lists of volumes into arrivals and removals.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace ortelan::platform::linux_impl {

struct MountEntry {
  std::string MajorMinor;  // "8:17"
  std::string MountPoint;  // decoded
  std::string FsType;
  std::string Source;  // decoded, e.g. /dev/sdb1
};

// Decodes the octal escapes (\040 for a space, \011, \012, \134) of one field.
std::string DecodeMountField(std::string_view field);
// Decodes the \xNN escapes of udev's /dev/disk/by-label names.
std::string DecodeLabelName(std::string_view name);

// Parses the text of /proc/self/mountinfo; malformed lines are passed over.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// True when the block device MAJ:MIN is removable or sits on USB, judged from
// the sysfs tree at `sysRoot` (normally "/sys").
bool IsRemovableBlockDevice(const std::string& sysRoot, const std::string& majorMinor);

// The changes that turn `before` into `after`, compared by mount point and
// device: removals first, then arrivals, each in mount-point order.
std::vector<VolumeChange> DiffVolumes(const std::vector<Volume>& before,
                                      const std::vector<Volume>& after);

}  // namespace ortelan::platform::linux_impl
