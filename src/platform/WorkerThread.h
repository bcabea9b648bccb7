#pragma once

// The life of a transfer's worker: one thread of its own that runs Execute
// once, a stop request the worker looks at between items, and the mark that
// its final report has been handed over.

#include <atomic>
#include <thread>

#include "platform/Platform.h"

namespace ortelan::platform {

class WorkerThread {
 public:
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs Execute on the worker's thread; a second call does nothing.
  void Start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
  }
  // The window's Cancel: the worker sees it at its next progress report; a
  // transfer waiting for a device is ended through Interrupt.
  void Terminate() {
    terminated_ = true;
    Interrupt();
  }
  bool Terminated() const { return terminated_; }
  // True once the worker has handed over its final report.
  bool Finished() const { return finished_; }
  void WaitFor() {
    if (thread_.joinable()) thread_.join();
  }

 protected:
  WorkerThread() = default;
  // A worker waits for its thread in its own destructor, before its members
  // go; this only makes sure.
  ~WorkerThread() { WaitFor(); }

  virtual void Execute() = 0;
  // Ends what the worker waits for (a device's reply) soon; on the thread
  // that asked for the stop.
  virtual void Interrupt() {}
  // The last step of Execute, after the final report: marks the end and
  // wakes a loop that waits for it, so that it need not look again later.
  void Finish(Dispatcher& dispatcher) {
    finished_ = true;
    dispatcher.Post([] {});
  }

 private:
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace ortelan::platform
