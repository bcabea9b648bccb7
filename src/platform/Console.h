#pragma once

// What a command-line run asks of the operating system about its console:
// whether its output is a terminal, and the requests to stop it.

#include <atomic>

namespace ortelan::platform {

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
