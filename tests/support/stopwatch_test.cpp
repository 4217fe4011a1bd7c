#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/stopwatch.h"

namespace pw {
namespace {

// What is checked is only that time is added, never how much.
TEST(PhaseTimer, addsEachScopesTimeToItsTotal) {
  double total = 5.0;
  {
    const PhaseTimer timer(total);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const double afterOne = total;
  EXPECT_GT(afterOne, 5.0);
  {
    const PhaseTimer timer(total);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GT(total, afterOne);
}

}  // namespace
}  // namespace pw
