#include "bsp/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace pw {
namespace {

// Every item of every loop is handed out exactly once, in slices no larger
// than asked, for any pool size, loop length and slice size, loop after loop
// on one pool.
TEST(WorkerPool, everyItemOnceInSlicesOfAtMostTheGrain) {
  for (const unsigned threads : {1u, 2u, 3u, 0u}) {
    WorkerPool pool(threads);
    EXPECT_GE(pool.threadCount(), 1u);
    if (threads > 0) {
      EXPECT_EQ(pool.threadCount(), threads);
    }
    for (int round = 0; round < 50; ++round) {
      for (const std::size_t count : {0u, 1u, 5u, 257u}) {
        for (const std::size_t grain : {1u, 7u, 1000u}) {
          const auto visits = std::make_unique<std::atomic<int>[]>(count + 1);
          std::atomic<bool> sliceTooLarge{false};
          pool.forEachSlice(count, grain, [&](std::size_t begin, std::size_t end) {
            if (end <= begin || end - begin > grain || end > count) sliceTooLarge = true;
            for (std::size_t i = begin; i < end; ++i) ++visits[i];
          });
          EXPECT_FALSE(sliceTooLarge);
          for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(visits[i].load(), 1) << count << " " << grain << " " << i;
        }
      }
    }
  }
}

// Results written per item come out the same whatever the pool.
TEST(WorkerPool, perItemResultsDoNotDependOnTheThreadCount) {
  std::vector<std::vector<double>> results;
  for (const unsigned threads : {1u, 2u, 3u}) {
    WorkerPool pool(threads);
    std::vector<double> out(10000);
    pool.forEachSlice(out.size(), 13, [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = begin; i < end; ++i)
        out[i] = static_cast<double>(i) * 0.1 + 1.0 / (static_cast<double>(i) + 1);
    });
    results.push_back(out);
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], results[2]);
}

}  // namespace
}  // namespace pw
