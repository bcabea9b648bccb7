#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ortelan::platform
