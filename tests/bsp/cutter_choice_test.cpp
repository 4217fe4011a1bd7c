#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp_test_support.h"
#include "scene/scene.h"

namespace pw {
namespace {

using testing_support::addCorners;
using testing_support::addFacing;
using testing_support::indices;
using testing_support::ScratchDir;

// Small triangles on the inside of the box |x|, |y|, |z| <= 50, facing
// inwards: everything inside the box is in front of them, so they have
// nothing behind (balance 0) and split nothing unless they reach across it.
class CutterChoice : public ::testing::TestWithParam<BuildStrategy> {
 protected:
  // On the wall x = -50 (facing +x), spanning heights y0..y1, at depth z.
  std::int32_t westWall(double y0, double y1, double z) {
    return addFacing(scene, {-50, y0, z}, {0, y1 - y0, 0}, {0, 0, 1});
  }
  // On the wall x = +50 (facing -x).
  std::int32_t eastWall(double y0, double y1, double z) {
    return addFacing(scene, {50, y0, z}, {0, 0, 1}, {0, y1 - y0, 0});
  }
  // On the wall z = -50 (facing +z), spanning x0..x1 and y0..y1.
  std::int32_t northWall(double x0, double x1, double y0, double y1) {
    return addCorners(scene, {x0, y0, -50}, {x1, y0, -50}, {x0, y1, -50});
  }
  // On the wall z = +50 (facing -z).
  std::int32_t southWall(double x0, double x1, double y0, double y1) {
    return addCorners(scene, {x0, y0, 50}, {x0, y1, 50}, {x1, y0, 50});
  }
  // A small floor piece at height y, facing up, inside the box.
  std::int32_t floorAt(double y) { return addFacing(scene, {1, y, 1}, {0, 0, 1}, {1, 0, 0}); }

  pw::CutterChoice choose(const std::vector<std::uint32_t>& list) {
    return BspBuilder(&scene, dir.path(), {GetParam(), 2}).chooseCutterWithCounts(list);
  }

  ScratchDir dir;
  Scene scene;
};

TEST_P(CutterChoice, candidateCountsItselfInFront) {
  const auto only = floorAt(0);
  const pw::CutterChoice choice = choose(indices({only}));
  EXPECT_EQ(choice.cutter, only);
  EXPECT_EQ(choice.front, 1u);
  EXPECT_EQ(choice.behind, 0u);
  EXPECT_EQ(choice.splits, 0u);
}

// C, the floor y = 0, has 2 walls below it and 4 above: balance 2 / 5 = 0.4.
// The walls have balance 0. Nothing qualifies at 0.8; C does at 0.4.
TEST_P(CutterChoice, balanceOfPointFourIsChosenInTheSecondPass) {
  std::vector<std::int32_t> list = {westWall(-3, -2, 0), eastWall(-3, -2, 0), westWall(2, 3, 0),
                                    eastWall(2, 3, 0),   westWall(2, 3, 5),   eastWall(2, 3, 5)};
  const auto c = floorAt(0);
  list.push_back(c);
  std::vector<std::uint32_t> order;
  for (const auto i : list) order.push_back(static_cast<std::uint32_t>(i));
  const pw::CutterChoice choice = choose(order);
  EXPECT_EQ(choice.cutter, c);
  EXPECT_EQ(choice.behind, 2u);
  EXPECT_EQ(choice.front, 5u);
  EXPECT_EQ(choice.splits, 0u);
}

// A: the floor y = 0 (4 walls below, 3 above plus A and B in front, 1 wall
// across: balance 0.8, 1 split). B: the wall x = 0 facing +x (4 walls on
// the -x side, 2 on the +x side plus A and B, 2 walls across: balance 1.0,
// 2 splits). Both qualify in the first pass; fewer splits win over balance.
TEST_P(CutterChoice, fewerSplitsBeatBetterBalance) {
  const auto b = addFacing(scene, {0, 1, 1}, {0, 1, 0}, {0, 0, 1});
  const auto a = addFacing(scene, {1, 0, 1}, {0, 0, 1}, {1, 0, 0});
  const auto w1 = westWall(-3, -2, 0);
  const auto w2 = westWall(-3, -2, 5);
  const auto w3 = westWall(2, 3, 0);
  const auto w4 = northWall(-3, -2, -3, -2);
  const auto w5 = eastWall(-3, -2, 0);
  const auto w6 = eastWall(2, 3, 0);
  const auto w7 = southWall(-1, 1, 2, 3);   // across x = 0, above y = 0
  const auto w8 = northWall(-1, 1, -1, 1);  // across both planes
  const auto list = indices({b, a, w1, w2, w3, w4, w5, w6, w7, w8});

  const pw::CutterChoice choice = choose(list);
  EXPECT_EQ(choice.cutter, a);
  EXPECT_EQ(choice.splits, 1u);
  EXPECT_EQ(choice.behind, 4u);
  EXPECT_EQ(choice.front, 5u);
  // B on its own terms: balance 1.0 with 2 splits.
  const pw::CutterChoice withoutA = choose(indices({b, w1, w2, w3, w4, w5, w6, w7, w8}));
  EXPECT_EQ(withoutA.cutter, b);
  EXPECT_EQ(withoutA.splits, 2u);
}

// Two floors facing up at y = 0 and y = -1, two ceilings facing down at
// y = 1 and y = 2: the inner two both have balance 1/3 and no split.
TEST_P(CutterChoice, fullTieGoesToTheEarlierEntry) {
  const auto lowFloor = addFacing(scene, {1, -1, 1}, {0, 0, 1}, {1, 0, 0});
  const auto floor = floorAt(0);
  const auto ceiling = addFacing(scene, {1, 1, 1}, {1, 0, 0}, {0, 0, 1});
  const auto highCeiling = addFacing(scene, {1, 2, 1}, {1, 0, 0}, {0, 0, 1});
  EXPECT_EQ(choose(indices({floor, ceiling, lowFloor, highCeiling})).cutter, floor);
  EXPECT_EQ(choose(indices({ceiling, floor, lowFloor, highCeiling})).cutter, ceiling);
  EXPECT_EQ(choose(indices({lowFloor, highCeiling, ceiling, floor})).cutter, ceiling);
}

// Nothing lies behind any plane, so every balance is 0 and only the eighth
// pass (threshold 0.0) has candidates: P, the floor y = 0 across x = 0; Q,
// the wall x = 0 above it (P and R cross it: 2 splits); R, the wall z = -3
// facing +z, across x = 0 and above the floor.
TEST_P(CutterChoice, allBalancesZeroFallsToFewestSplitsThenEarliest) {
  const auto q = addFacing(scene, {0, 0.5, -1}, {0, 1, 0}, {0, 0, 1});
  const auto r = addCorners(scene, {-1, 0.5, -3}, {1, 0.5, -3}, {-1, 1.5, -3});
  const auto p = addCorners(scene, {-1, 0, -2}, {-1, 0, 1}, {1, 0, -2});
  const pw::CutterChoice qFirst = choose(indices({q, r, p}));
  EXPECT_EQ(qFirst.cutter, r);
  EXPECT_EQ(qFirst.splits, 0u);
  EXPECT_EQ(qFirst.behind, 0u);
  EXPECT_EQ(choose(indices({q, p, r})).cutter, p);
  const pw::CutterChoice onlyQ = choose(indices({q}));
  EXPECT_EQ(onlyQ.cutter, q);
  EXPECT_EQ(choose(indices({q, p})).splits, 0u);
}

// The candidate C (the floor y = 0, 1 split) qualifies in the seventh pass
// at balance 1/80 = 0.0125; at 1/81 nothing qualifies before the last pass,
// where a wall without splits wins. The threshold drops from 0.0125 straight
// to 0.0.
class CutterChoiceThresholds : public ::testing::TestWithParam<BuildStrategy> {};

TEST_P(CutterChoiceThresholds, lowestThresholdIsOneEightieth) {
  const struct {
    int below;
    int above;
    bool cChosen;
  } cases[] = {
      {1, 79, true},   // behind 1, front 80 (79 walls and C)
      {1, 80, false},  // behind 1, front 81
      {80, 0, true},   // behind 80, front 1 (C alone)
      {81, 0, false},  // behind 81, front 1
      {2, 79, true},   // 2 / 80
  };
  for (const auto& c : cases) {
    Scene scene;
    std::vector<std::uint32_t> list;
    for (int i = 0; i < c.below; ++i) {
      list.push_back(static_cast<std::uint32_t>(addFacing(scene, {-50, -3, i - 45.0}, {0, 1, 0}, {0, 0, 1})));
    }
    for (int i = 0; i < c.above; ++i) {
      list.push_back(static_cast<std::uint32_t>(addFacing(scene, {50, 2, i - 45.0}, {0, 0, 1}, {0, 1, 0})));
    }
    // Across the floor's plane: C's one split.
    list.push_back(static_cast<std::uint32_t>(addCorners(scene, {-5, -1, -50}, {5, -1, -50}, {-5, 1, -50})));
    const auto floor = addFacing(scene, {1, 0, 1}, {0, 0, 1}, {1, 0, 0});
    list.push_back(static_cast<std::uint32_t>(floor));
    ScratchDir dir;
    const pw::CutterChoice choice = BspBuilder(&scene, dir.path(), {GetParam(), 2}).chooseCutterWithCounts(list);
    EXPECT_EQ(choice.cutter == floor, c.cChosen) << c.below << " below, " << c.above << " above";
    if (!c.cChosen) {
      EXPECT_EQ(choice.cutter, static_cast<std::int32_t>(list.front()));
    }
  }
}

// Every case for both builds: the fast choice must be the straightforward one.
using testing_support::strategyName;
INSTANTIATE_TEST_SUITE_P(Builds, CutterChoice, ::testing::Values(BuildStrategy::Fast, BuildStrategy::Straightforward),
                         strategyName);
INSTANTIATE_TEST_SUITE_P(Builds, CutterChoiceThresholds,
                         ::testing::Values(BuildStrategy::Fast, BuildStrategy::Straightforward), strategyName);

}  // namespace
}  // namespace pw
