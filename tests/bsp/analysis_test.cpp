// The convexity test and the cutter choice of a list, one table each, run
// against the straightforward analysis and the fast one (plane groups over a
// corner hierarchy): both must give every expected answer.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "bsp/cutter_rules.h"
#include "bsp/fast/corner_bvh.h"
#include "bsp/fast/group_decisions.h"
#include "bsp/fast/plane_bundles.h"
#include "bsp/fast/plane_counting.h"
#include "bsp/fast/plane_groups.h"
#include "bsp/reference/convexity.h"
#include "bsp/reference/cutter_choice.h"
#include "bsp_test_support.h"
#include "scene/scene.h"
#include "support/worker_pool.h"

namespace pw {
namespace {

using testing_support::addFacing;
using List = std::vector<std::uint32_t>;

enum class Analysis { Reference, Fast };

bool isConvex(Analysis analysis, const Scene& scene, const List& list) {
  if (analysis == Analysis::Reference) return isConvexStraightforward(scene, list);
  // With the groups bundled, as a list whose parent bundled them has them.
  PlaneGroups groups = groupByPlane(scene, list);
  bundleGroups(scene, list, groups);
  return isConvexPruned(scene, list, groups, CornerBvh(scene, list));
}

CutterChoice chooseCutter(Analysis analysis, const Scene& scene, const List& list) {
  if (analysis == Analysis::Reference) return chooseCutterStraightforward(scene, list);
  PlaneGroups groups = groupByPlane(scene, list);
  WorkerPool pool(2);
  countPlanes(scene, list, groups, CornerBvh(scene, list), pool);
  return chooseAmongGroups(list, groups);
}

// The triangle (corner, corner + e1, corner + e2), facing e1 x e2.
std::uint32_t facing(Scene& s, const Point3& corner, const Point3& e1, const Point3& e2) {
  return static_cast<std::uint32_t>(addFacing(s, corner, e1, e2));
}
// Pieces of the box |x|, |y|, |z| <= 50, facing in: everything inside is in
// front of them, so they have nothing behind (balance 0).
std::uint32_t westWall(Scene& s, double y0, double z) { return facing(s, {-50, y0, z}, {0, 1, 0}, {0, 0, 1}); }
std::uint32_t eastWall(Scene& s, double y0, double z) { return facing(s, {50, y0, z}, {0, 0, 1}, {0, 1, 0}); }
std::uint32_t northWall(Scene& s, double x0, double y0, double side) {
  return facing(s, {x0, y0, -50}, {side, 0, 0}, {0, side, 0});
}
// Small horizontal pieces at height y inside the box.
std::uint32_t floorAt(Scene& s, double y) { return facing(s, {1, y, 1}, {0, 0, 1}, {1, 0, 0}); }
std::uint32_t ceilingAt(Scene& s, double y) { return facing(s, {1, y, 1}, {1, 0, 0}, {0, 0, 1}); }

// `below` walls under the floor y = 0, `above` walls over it, a wall across
// it (its one split), then the floor: balance below / (above + 1).
List floorOverWalls(Scene& s, int below, int above) {
  List list;
  for (int i = 0; i < below; ++i) list.push_back(westWall(s, -3, i - 45.0));
  for (int i = 0; i < above; ++i) list.push_back(eastWall(s, 2, i - 45.0));
  list.push_back(facing(s, {-5, -1, -50}, {10, 0, 0}, {0, 2, 0}));
  list.push_back(floorAt(s, 0));
  return list;
}

class ListAnalysis : public ::testing::TestWithParam<Analysis> {};

TEST_P(ListAnalysis, cutterChoiceByPassesSplitsBalanceAndListOrder) {
  const struct {
    const char* what;
    std::function<List(Scene&)> make;
    std::size_t chosen;   // position in the list
    CutterChoice counts;  // splits, behind, front (cutter unused)
  } cases[] = {
      {"a lone candidate counts itself in front", [](Scene& s) { return List{floorAt(s, 0)}; }, 0, {-1, 0, 0, 1}},
      // A: the floor (4 below, 3 above plus A and B, 1 across: balance
      // exactly 0.8). B: the wall x = 0 (balance 1.0, 2 across).
      {"fewer splits beat better balance",
       [](Scene& s) {
         const std::uint32_t b = facing(s, {0, 1, 1}, {0, 1, 0}, {0, 0, 1});
         return List{b,
                     floorAt(s, 0),
                     westWall(s, -3, 0),
                     westWall(s, -3, 5),
                     westWall(s, 2, 0),
                     northWall(s, -3, -3, 1),
                     eastWall(s, -3, 0),
                     eastWall(s, 2, 0),
                     facing(s, {-1, 2, 50}, {0, 1, 0}, {2, 0, 0}),
                     northWall(s, -1, -1, 2)};
       },
       1,
       {-1, 1, 4, 5}},
      // The inner floor and ceiling both have balance 1/3 and no split.
      {"a full tie goes to the earlier entry",
       [](Scene& s) {
         const std::uint32_t low = floorAt(s, -1), floor = floorAt(s, 0), ceiling = ceilingAt(s, 1);
         return List{low, ceilingAt(s, 2), ceiling, floor};
       },
       2,
       {-1, 0, 1, 3}},
      // Nothing behind any plane: only the last pass (0.0) has candidates,
      // and the earliest without a split wins.
      {"all balances zero: fewest splits, then the earliest",
       [](Scene& s) {
         const std::uint32_t q = facing(s, {0, 0.5, -1}, {0, 1, 0}, {0, 0, 1});
         const std::uint32_t r = facing(s, {-1, 0.5, -3}, {2, 0, 0}, {0, 1, 0});
         return List{q, r, facing(s, {-1, 0, -2}, {0, 0, 3}, {2, 0, 0})};
       },
       1,
       {-1, 0, 0, 3}},
      // The seventh pass has threshold 1/80; the next one is 0.0.
      {"balance 1/80 qualifies", [](Scene& s) { return floorOverWalls(s, 1, 79); }, 81, {-1, 1, 1, 80}},
      {"balance 80/1 qualifies", [](Scene& s) { return floorOverWalls(s, 80, 0); }, 81, {-1, 1, 80, 1}},
      {"balance 1/81 does not", [](Scene& s) { return floorOverWalls(s, 1, 80); }, 0, {-1, 0, 0, 83}},
      {"balance 81/1 does not", [](Scene& s) { return floorOverWalls(s, 81, 0); }, 0, {-1, 0, 0, 83}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Scene scene;
    const List list = c.make(scene);
    const CutterChoice choice = chooseCutter(GetParam(), scene, list);
    EXPECT_EQ(std::tuple(choice.cutter, choice.splits, choice.behind, choice.front),
              std::tuple(static_cast<std::int32_t>(list[c.chosen]), c.counts.splits, c.counts.behind, c.counts.front));
  }
}

// The floor y = 0 facing up, and a wall x = 5 whose lowest corner lies at the
// given height: only a corner farther below than the tolerance is behind.
TEST_P(ListAnalysis, convexityCountsOnlyCornersBeyondTheToleranceBehind) {
  const struct {
    double lowestCorner;
    bool convex;
  } cases[] = {{0.0, true}, {-0.0001, true}, {-0.00011, false}, {0.00011, true}, {-1.0, false}};
  for (const auto& c : cases) {
    Scene scene;
    const std::uint32_t floor = facing(scene, {0, 0, 0}, {0, 0, 1}, {1, 0, 0});
    const std::uint32_t wall = facing(scene, {5, c.lowestCorner, 5}, {0, 1, 1}, {0, 1, 0});
    EXPECT_EQ(isConvex(GetParam(), scene, {floor, wall}), c.convex) << c.lowestCorner;
    EXPECT_EQ(isConvex(GetParam(), scene, {wall, floor}), c.convex) << c.lowestCorner;
  }
}

// Two floors through the origin, one tilted by 1e-5 about z (one bundle),
// and a ceiling piece 100 units away at the given height, facing down. The
// tilted floor rises to 0.001 there: the piece is behind it unless higher.
TEST_P(ListAnalysis, convexityOfNearlyEqualPlanesTestsWhatTheyDoNotSortAlike) {
  const struct {
    double height;
    bool convex;
  } cases[] = {{0.0005, false}, {0.002, true}};
  for (const auto& c : cases) {
    Scene scene;
    const std::uint32_t flat = facing(scene, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    const std::uint32_t tilted = facing(scene, {0, 0, 0}, {1, 0, 1e-5}, {0, 1, 0});
    const std::uint32_t piece = facing(scene, {100, 0, c.height}, {0, 1, 0}, {1, 0, 0});
    for (const List& list : {List{flat, tilted, piece}, List{tilted, piece, flat}, List{piece, flat, tilted}}) {
      EXPECT_EQ(isConvex(GetParam(), scene, list), c.convex) << c.height;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Both, ListAnalysis, ::testing::Values(Analysis::Reference, Analysis::Fast),
                         [](const auto& param) {
                           return std::string(param.param == Analysis::Fast ? "fast" : "reference");
                         });

}  // namespace
}  // namespace pw
