#pragma once

// The worker that copies the checked tracks while the window stays live.

#include <cstdint>
#include <functional>
#include <string>

#include "music/iPodMusic.h"
#include "platform/Platform.h"
#include "platform/WorkerThread.h"

namespace ortelan {

// What a status report of the worker says.
enum TMusicStatusKind : uint8_t {
  mskLongStep = 1,  // a long step begins
  mskEnded = 2,     // the transfer has ended
};
using TMusicStatusEvent = std::function<void(const std::string&, uint8_t)>;

class TMusicCopyThread : public platform::WorkerThread {
 public:
  // Made suspended: hooks the library's progress to this worker and clears
  // its log. The owner sets OnProgress and OnStatus, then calls Start.
  TMusicCopyThread(TIpodMusicDb& musicDb, platform::Dispatcher& dispatcher, bool addToItunes,
                   bool abortOnErrors);
  // Waits for the worker; the owner must keep serving the dispatcher until
  // the final report (mskEnded) has been handed over.
  ~TMusicCopyThread();

  bool AddToItunes = false;
  int32_t Copied = 0;
  uint8_t StatusKind = 0;
  std::string ProgressText;
  std::string StatusText;
  bool AbortOnErrors = false;
  TMusicProgressEvent OnProgress;
  TMusicStatusEvent OnStatus;

 private:
  void Execute() override;
  void Interrupt() override;
  void TrackProgress(const std::string& text);
  // The playlists, the track list and the album covers, when asked for,
  // into the destination.
  void HandOnLists();
  void DoProgress();
  void DoStatus();

  TIpodMusicDb& musicDb_;
  platform::Dispatcher& dispatcher_;
};

}  // namespace ortelan
