#include "app/QtDispatcher.h"

#include <QCoreApplication>
#include <QThread>

namespace ortelan::app {

QtDispatcher::QtDispatcher() { moveToThread(QCoreApplication::instance()->thread()); }

void QtDispatcher::InvokeAndWait(const std::function<void()>& work) {
  if (QThread::currentThread() == thread()) {
    work();
    return;
  }
  // Blocks until the GUI thread has run it; a GUI thread that waits for this
  // worker keeps serving its events (see TTransferFrm::WaitForWorker).
  std::promise<void> done;
  std::future<void> ran = done.get_future();
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(Pending{[&work] { work(); }, &done});
  }
  QMetaObject::invokeMethod(this, "RunPending", Qt::QueuedConnection);
  ran.get();
}

void QtDispatcher::Post(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(Pending{std::move(work), nullptr});
  }
  QMetaObject::invokeMethod(this, "RunPending", Qt::QueuedConnection);
}

void QtDispatcher::RunPending() {
  for (;;) {
    Pending next;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) return;
      next = std::move(pending_.front());
      pending_.pop_front();
    }
    try {
      next.work();
    } catch (...) {
      // The worker that waits learns of it; posted work has nobody to tell.
      if (!next.done) throw;
      next.done->set_exception(std::current_exception());
      continue;
    }
    if (next.done) next.done->set_value();
  }
}

}  // namespace ortelan::app
