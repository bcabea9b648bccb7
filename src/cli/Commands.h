#pragma once

#include "cli/CliSupport.h"

namespace ortelan::cli {

int DevicesCommand(Arguments args);

}  // namespace ortelan::cli
