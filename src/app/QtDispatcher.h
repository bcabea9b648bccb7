#pragma once

// The window thread of a Qt program as the core's dispatcher: work from other
// threads is queued to the GUI thread; on the GUI thread it runs inline.

#include <QObject>
#include <deque>
#include <functional>
#include <future>
#include <mutex>

#include "platform/Platform.h"

namespace ortelan::app {

class QtDispatcher : public QObject, public platform::Dispatcher {
  Q_OBJECT

 public:
  // Must be made on the GUI thread.
  QtDispatcher();

  void InvokeAndWait(const std::function<void()>& work) override;
  void Post(std::function<void()> work) override;

 private:
  // Runs on the GUI thread: everything queued so far.
  Q_INVOKABLE void RunPending();

  struct Pending {
    std::function<void()> work;
    std::promise<void>* done = nullptr;  // the waiting worker's, for InvokeAndWait
  };
  // The work itself goes through this queue and the promise, not through
  // Qt's event: the order between the threads is then given by standard
  // locks, which thread checkers see (Qt's own are hidden from them).
  std::mutex mutex_;
  std::deque<Pending> pending_;
};

}  // namespace ortelan::app
