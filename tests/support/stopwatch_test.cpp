#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/stopwatch.h"

namespace pw {
namespace {

// What is checked is only that time is added, never how much.
TEST(PhaseTimer, addsEachScopesTimeToItsTotal) {
  double total = 5.0;
  for (int scope = 0; scope < 2; ++scope) {
    const double before = total;
    {
      const PhaseTimer timer(total);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GT(total, before);
  }
}

}  // namespace
}  // namespace pw
