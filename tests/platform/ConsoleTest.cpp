#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/Console.h"

namespace ortelan::platform {
namespace {

// Each stop request while a catcher lives only sets its flag; the test
// process would end otherwise.
TEST(StopRequests, SetTheFlagInsteadOfEndingTheRun) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    std::atomic<bool> stop{false};
    const StopRequestCatcher catcher(stop);
    ASSERT_EQ(std::raise(signal), 0);
    EXPECT_TRUE(stop) << "signal " << signal;
  }
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_DFL);
}

// A write to a pipe nobody reads any more fails instead of ending the run
// (an unplugged iPhone's socket, a closed `| head`).
TEST(BrokenPipes, FailTheWriteInsteadOfEndingTheRun) {
  IgnoreBrokenPipes();
  int ends[2] = {-1, -1};
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  errno = 0;
  EXPECT_EQ(write(ends[1], "x", 1), -1);
  EXPECT_EQ(errno, EPIPE);
  close(ends[1]);
}

}  // namespace
}  // namespace ortelan::platform
