#pragma once

#include "cli/CliSupport.h"

namespace ortelan::cli {

int DevicesCommand(Arguments args);
int MusicListCommand(Arguments args);
int MusicCopyCommand(Arguments args);
int PhotosListCommand(Arguments args);
int PhotosExportCommand(Arguments args);

}  // namespace ortelan::cli
