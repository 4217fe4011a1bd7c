#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "support/worker_pool.h"

namespace pw {
namespace {

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

}  // namespace
}  // namespace pw
