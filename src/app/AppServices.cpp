#include "app/AppServices.h"

namespace ortelan::app {

AppServices::AppServices(const std::vector<std::string>& deviceFolders)
    : AppServices(deviceFolders.empty() ? platform::MakeRemovableVolumeSource()
                                        : platform::MakeFolderVolumeSource(deviceFolders),
                  platform::MakeFileSystem()) {
  if (deviceFolders.empty()) Mobile = platform::ProcessMobileDevice();
}

AppServices::AppServices(std::unique_ptr<platform::VolumeSource> volumes,
                         std::unique_ptr<platform::FileSystem> files)
    : Volumes(std::move(volumes)), Files(std::move(files)) {}

}  // namespace ortelan::app
