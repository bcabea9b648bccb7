#pragma once

// The worker that exports the checked photos while the window stays live.

#include <functional>
#include <string>

#include "photo/iPodPhoto.h"
#include "platform/Platform.h"
#include "platform/WorkerThread.h"

namespace ortelan {

class TPhotoCopyThread : public platform::WorkerThread {
 public:
  // Made suspended: hooks the library's progress to this worker and clears
  // its log. The owner sets OnProgress and OnDone, then calls Start.
  TPhotoCopyThread(TIpodPhotoDb& photoDb, platform::Dispatcher& dispatcher);
  // Waits for the worker; the owner must keep serving the dispatcher until
  // OnDone has been handed over.
  ~TPhotoCopyThread();

  int32_t Copied = 0;
  std::string ProgressText;
  TPhotoProgressEvent OnProgress;
  std::function<void()> OnDone;

 private:
  void Execute() override;
  void Interrupt() override;
  void FileDone(const std::string& fileName);

  TIpodPhotoDb& photoDb_;
  platform::Dispatcher& dispatcher_;
};

}  // namespace ortelan
