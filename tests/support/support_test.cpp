// The support layer: the usage list made from an option table, the phase
// timer, the worker pool's slices and exceptions, and the serial worker's
// order and exceptions.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/option_table.h"
#include "support/serial_worker.h"
#include "support/stopwatch.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

// The usage list is made from the table: every option, with its values and
// its help in a column of its own, however long the option's names.
TEST(OptionTable, usageListsEveryOptionWithItsValuesAndHelp) {
  bool quiet = false;
  const auto ignore = [](OptionValues) { return std::string(); };
  const std::vector<OptionRule> rules = {
      flagRule({"-q"}, quiet, "quiet"),
      {{"--out", "-o"}, "FILE", ignore, {}, "where it goes,\nfirst line wrapped by hand"},
      {{"--a-rather-long-option"}, "X Y Z", ignore, {}, "takes three"},
  };
  EXPECT_EQ(optionHelp(rules, 12),
            "  -q        quiet\n"
            "  --out FILE, -o FILE\n"
            "            where it goes,\n"
            "            first line wrapped by hand\n"
            "  --a-rather-long-option X Y Z\n"
            "            takes three\n");
}

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

class WorkerPoolThreads : public testing::TestWithParam<unsigned> {};

TEST_P(WorkerPoolThreads, runsEveryItemExactlyOnce) {
  WorkerPool pool(GetParam());
  std::vector<std::atomic<int>> runs(1000);
  pool.forEachSlice(runs.size(), 7, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) ++runs[i];
  });
  for (std::size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i], 1) << "item " << i;
}

TEST_P(WorkerPoolThreads, passesASlicesExceptionOnAndRunsTheNextLoop) {
  WorkerPool pool(GetParam());
  EXPECT_THROW(pool.forEachSlice(64, 1,
                                 [](std::size_t begin, std::size_t) {
                                   if (begin == 37) throw std::runtime_error("slice 37");
                                 }),
               std::runtime_error);
  std::atomic<std::size_t> items = 0;
  pool.forEachSlice(64, 1, [&](std::size_t begin, std::size_t end) { items += end - begin; });
  EXPECT_EQ(items, 64u);
}

INSTANTIATE_TEST_SUITE_P(ThreadCounts, WorkerPoolThreads, testing::Values(1u, 2u, 4u));

class SerialWorkerThread : public testing::TestWithParam<bool> {};

// Slow tasks, so that `wait` would return early if it did not wait for the
// ones already taken.
TEST_P(SerialWorkerThread, runsTasksInOrderAndWaitsForTheLast) {
  SerialWorker worker(GetParam());
  std::vector<int> ran;
  for (int i = 0; i < 200; ++i) {
    worker.post([&ran, i] {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      ran.push_back(i);
    });
  }
  worker.wait();
  std::vector<int> expected(200);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(ran, expected);
}

TEST_P(SerialWorkerThread, passesAFailureOnAndRunsWhatIsPostedAfterTheWait) {
  SerialWorker worker(GetParam());
  EXPECT_THROW(
      {
        worker.post([] { throw std::runtime_error("task"); });
        worker.wait();
      },
      std::runtime_error);
  worker.wait();  // a failure is passed on once
  int ran = 0;
  worker.post([&ran] { ++ran; });
  worker.wait();
  EXPECT_EQ(ran, 1);
}

INSTANTIATE_TEST_SUITE_P(InLineOrOwnThread, SerialWorkerThread, testing::Bool());

}  // namespace
}  // namespace pw
