// Local copies of the device's database files in the private work folder.

#include <atomic>
#include <cstdio>
#include <cstring>

#include "device/iPodDev.h"
#include "platform/FileStatus.h"

namespace ortelan {

namespace {

// SQLite's companions of an open database: removed with the copy.
constexpr const char* kSqliteCompanions[] = {"-wal", "-shm", "-journal"};

}  // namespace

void TIpodDevice::PrepareWorkFile() {
  if (!WorkFile.empty()) return;
  const std::string folder = platform::PrivateTempFolder();
  if (folder.empty()) return;
  // Unique within the process's private folder, also with several managers.
  static std::atomic<unsigned> next{1};
  WorkFile = folder + "/~or" + std::to_string(next++);
}

void TIpodDevice::FetchToWorkFile(const std::string& devPath, const std::string& suffix,
                                  const std::string& failureLine, std::string& localPath) {
  if (IsIos) return IosFetch(devPath, suffix, failureLine, localPath);
  localPath.clear();
  std::string resolved;
  if (!ResolveDevicePath(devPath, resolved)) {
    // Missing: no copy, no error. A name that is there but leads outside
    // the device (a link to /dev/zero) is said.
    if (platform::LinkStatusOf(Drive + devPath).Kind != platform::FileKind::Missing) {
      AddError(failureLine + platform::ErrorText(platform::kNotRegularFile) + ": " + devPath);
    }
    return;
  }
  platform::ReadFile source;
  if (const int code = OpenResolved(resolved, devPath, source)) {
    AddError(failureLine + platform::ErrorText(code));
    return;
  }
  if (source.Size() > kMaxWorkCopyBytes) {
    AddError(failureLine + "File too large: " + devPath + " (" + std::to_string(source.Size()) +
             " bytes)");
    return;
  }
  PrepareWorkFile();
  if (WorkFile.empty()) {
    AddError(failureLine + "no private work folder");
    return;
  }
  const std::string copy = WorkFile + suffix;
  std::remove(copy.c_str());  // an earlier copy of ours, never the device's
  const int code = services_.Files.CopyWorkFile(source, copy);
  if (code != 0) {
    AddError(failureLine + platform::ErrorText(code));
    return;
  }
  localPath = copy;
}

void TIpodDevice::FetchItunesFile(const std::string& name, bool inLibraryPackage,
                                  std::string& localPath, const std::string& suffix) {
  const std::string itunes = IsIos ? "/iTunes_Control/iTunes/" : "/iPod_Control/iTunes/";
  const std::string folder = inLibraryPackage ? itunes + "iTunes Library.itlp/" : itunes;
  FetchToWorkFile(folder + name, suffix, "Copy itdb failed: ", localPath);
}

void TIpodDevice::FetchPhotoDataFile(const std::string& name, const std::string& suffix,
                                     std::string& localPath) {
  FetchToWorkFile("/PhotoData/" + name, suffix, "Copy photodb failed: ", localPath);
}

void TIpodDevice::DeleteWorkCopy(const std::string& localPath) {
  if (WorkFile.empty() || localPath.compare(0, WorkFile.size(), WorkFile) != 0) return;
  std::remove(localPath.c_str());
  for (const char* companion : kSqliteCompanions) std::remove((localPath + companion).c_str());
}

}  // namespace ortelan
