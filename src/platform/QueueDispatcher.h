#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/Platform.h"

namespace ortelan::platform {

// A dispatcher for programs without a window system (the command-line program
// and the tests): the thread that created it is the "window thread" and runs
// the queued work when it calls RunPending or WaitAndRun.
class QueueDispatcher : public Dispatcher {
 public:
  QueueDispatcher();

  void InvokeAndWait(const std::function<void()>& work) override;
  void Post(std::function<void()> work) override;

  // Runs everything queued so far; returns how many items ran.
  int RunPending();
  // Waits until work is queued or `until` returns true, then runs what is
  // queued; returns when `until` is true.
  void RunUntil(const std::function<bool()>& until);

 private:
  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> work_;
};

}  // namespace ortelan::platform
