#include "scene/point_merge_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

namespace pw {
namespace {

// The ordered map keyed by the exact Point3 ordering is the reference: every
// sequence of lookups must hand out the same indices.
TEST(PointMergeMap, agreesWithAnOrderedMapOnRandomSequencesWithRepeats) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> small(-3, 3);
  std::uniform_real_distribution<float> wide(-1e6f, 1e6f);
  PointMergeMap merged;
  std::map<Point3, std::int32_t> reference;
  std::int32_t next = 0;
  for (int i = 0; i < 50000; ++i) {
    // Few distinct values per coordinate make many repeats, and -0 appears
    // beside 0; the wide ones make the table grow.
    const auto coordinate = [&]() -> double {
      if (i % 3 == 0) return static_cast<double>(wide(random));
      const int k = small(random);
      return k == 0 && (random() & 1) ? -0.0 : k * 0.5;
    };
    const Point3 p{coordinate(), coordinate(), coordinate()};
    const auto [it, added] = reference.try_emplace(p, next);
    bool made = false;
    const std::int32_t index = merged.findOrAdd(p, [&] {
      made = true;
      return next;
    });
    ASSERT_EQ(index, it->second);
    ASSERT_EQ(made, added);
    if (added) ++next;
  }
  EXPECT_EQ(merged.size(), reference.size());
}

TEST(PointMergeMap, negativeZeroFindsPositiveZeroAndTheReverse) {
  PointMergeMap merged;
  EXPECT_EQ(merged.findOrAdd({-0.0, 0.0, -0.0}, [] { return 4; }), 4);
  EXPECT_EQ(merged.findOrAdd({0.0, -0.0, 0.0}, [] { return 9; }), 4);
  EXPECT_EQ(merged.findOrAdd({0.0, 0.0, 1.0}, [] { return 9; }), 9);
  EXPECT_EQ(merged.size(), 2u);
}

TEST(PointMergeMap, pointsWithNanNeverMerge) {
  PointMergeMap merged;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(merged.findOrAdd({nan, 0, 0}, [] { return 0; }), 0);
  EXPECT_EQ(merged.findOrAdd({nan, 0, 0}, [] { return 1; }), 1);
  EXPECT_EQ(merged.size(), 2u);
}

}  // namespace
}  // namespace pw
