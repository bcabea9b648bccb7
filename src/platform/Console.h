#pragma once

// What a run asks of the operating system about its console and signals:
// whether its output is a terminal, the requests to stop it, broken pipes.

#include <atomic>

namespace ortelan::platform {

// A write to a connection or pipe whose other end has gone fails (EPIPE)
// instead of ending the program: the mobile-device library writes to a
// device's socket after it was unplugged. Called once at the start.
void IgnoreBrokenPipes();

// Whether standard output is a terminal (progress is drawn only there).
bool StdoutIsTerminal();

// While one lives, a request to stop the program (Ctrl-C, its terminal
// closed, a shutdown, `timeout`) sets `flag` instead of ending it; once it
// is gone such requests end the program again. One at a time.
class StopRequestCatcher {
 public:
  explicit StopRequestCatcher(std::atomic<bool>& flag);
  ~StopRequestCatcher();
  StopRequestCatcher(const StopRequestCatcher&) = delete;
  StopRequestCatcher& operator=(const StopRequestCatcher&) = delete;
};

}  // namespace ortelan::platform
