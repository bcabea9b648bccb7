// iTunes exists only on Windows: here the export to it ends as it does when
// iTunes cannot be reached.

#include "platform/ItunesAutomation.h"

namespace ortelan::platform {

std::unique_ptr<ItunesApplication> ConnectItunes() {
  throw ItunesError("iTunes is not available on this system");
}

}  // namespace ortelan::platform
