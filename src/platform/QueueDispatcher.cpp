#include "platform/QueueDispatcher.h"

#include <future>

namespace ortelan::platform {

QueueDispatcher::QueueDispatcher() : owner_(std::this_thread::get_id()) {}

void QueueDispatcher::InvokeAndWait(const std::function<void()>& work) {
  if (OnOwnerThread()) {
    work();
    return;
  }
  std::promise<void> done;
  Post([&] {
    work();
    done.set_value();
  });
  done.get_future().wait();
}

void QueueDispatcher::Post(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
  }
  queued_.notify_all();
}

int QueueDispatcher::RunPending() {
  int ran = 0;
  for (;;) {
    std::function<void()> next;
    {
      std::lock_guard lock(mutex_);
      if (work_.empty()) return ran;
      next = std::move(work_.front());
      work_.pop_front();
    }
    next();
    ++ran;
  }
}

void QueueDispatcher::RunUntil(const std::function<bool()>& until) {
  for (;;) {
    RunPending();
    if (until()) return;
    std::unique_lock lock(mutex_);
    queued_.wait_for(lock, std::chrono::milliseconds(50), [&] { return !work_.empty(); });
  }
}

}  // namespace ortelan::platform
