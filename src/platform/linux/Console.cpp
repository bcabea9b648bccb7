#include "platform/Console.h"

#include <unistd.h>

#include <csignal>

namespace ortelan::platform {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

std::atomic<std::atomic<bool>*> stopFlag{nullptr};

void OnStopSignal(int) {
  if (std::atomic<bool>* flag = stopFlag.load()) flag->store(true);
}

// The signals that end a run like Ctrl-C: the terminal closed, a shutdown,
// `timeout`.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void HandleStopSignals(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (const int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

StopRequestCatcher::StopRequestCatcher(std::atomic<bool>& flag) {
  stopFlag = &flag;
  HandleStopSignals(OnStopSignal);
}

StopRequestCatcher::~StopRequestCatcher() {
  HandleStopSignals(SIG_DFL);
  stopFlag = nullptr;
}

}  // namespace ortelan::platform
