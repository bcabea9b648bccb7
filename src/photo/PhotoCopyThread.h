#pragma once

// The worker that exports the checked photos while the window stays live.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "photo/iPodPhoto.h"
#include "platform/Platform.h"

namespace ortelan {

class TPhotoCopyThread {
 public:
  // Made suspended: hooks the library's progress to this worker and clears
  // its log. The owner sets OnProgress and OnDone, then calls Start.
  TPhotoCopyThread(TIpodPhotoDb& photoDb, platform::Dispatcher& dispatcher);
  // Waits for the worker; the owner must keep serving the dispatcher until
  // OnDone has been handed over.
  ~TPhotoCopyThread();
  TPhotoCopyThread(const TPhotoCopyThread&) = delete;
  TPhotoCopyThread& operator=(const TPhotoCopyThread&) = delete;

  void Start();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Finished() const { return finished_; }
  void WaitFor();

  int32_t Copied = 0;
  std::string ProgressText;
  TPhotoProgressEvent OnProgress;
  std::function<void()> OnDone;

 private:
  void Execute();
  void FileDone(const std::string& FileName);

  TIpodPhotoDb& photoDb_;
  platform::Dispatcher& dispatcher_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace ortelan
