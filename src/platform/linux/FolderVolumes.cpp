// Folders given on the command line that act as connected disk-mode iPods: a
// mounted iPod named directly, or a copy of one on disk.

#include <filesystem>

#include "platform/Platform.h"

namespace ortelan::platform {

namespace {

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

class FolderVolumeSource : public VolumeSource {
 public:
  explicit FolderVolumeSource(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
      std::error_code ec;
      const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
      const std::string mountPoint =
          WithoutTrailingSeparator(ec ? folder : absolute.lexically_normal().string());
      volumes_.push_back(
          Volume{mountPoint, "", std::filesystem::path(mountPoint).filename().string(), true});
    }
  }

  // In the order given: the user named them, and the first one wins.
  std::vector<Volume> List() override { return volumes_; }
  // Folders do not come and go while the program runs.
  void Watch(ChangeHandler) override {}
  void StopWatching() override {}
  // A folder is not ejected: it may lie on the machine's own disk.
  bool Eject(const Volume&) override { return false; }

 private:
  std::vector<Volume> volumes_;
};

}  // namespace

std::unique_ptr<VolumeSource> MakeFolderVolumeSource(const std::vector<std::string>& folders) {
  return std::make_unique<FolderVolumeSource>(folders);
}

}  // namespace ortelan::platform
