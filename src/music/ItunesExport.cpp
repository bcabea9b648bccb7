// The hand-over of copied tracks to iTunes. iTunes and its automation
// interface exist only on Windows; here the export ends as it does when
// iTunes cannot be reached.

#include "music/iPodMusic.h"

namespace ortelan {

int TIpodMusicDb::ExportToItunes() {
  AddLog("Sync begin...");
  AddLog("[X]iTunes error: iTunes is not available on this system");
  return 0;
}

}  // namespace ortelan
