// The visible sets over the empty regions on two closed boxes side by side,
// A = [0,4]^3 and B = [6,10] x [0,4] x [0,4], every face looking in: which
// regions are sources, what an eye inside A may see, and what a hole in A
// changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "regions/region_roles.h"
#include "regions/region_sets.h"
#include "regions/sight_flood.h"
#include "tests/helpers/compiled_mesh.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

// A triangle wound to face `inside`.
void addFacing(Mesh& mesh, std::array<Point3, 3> t, const Point3& inside) {
  if (dot(cross(t[1] - t[0], t[2] - t[0]), inside - t[0]) < 0.0) std::swap(t[1], t[2]);
  const auto first = static_cast<std::int32_t>(mesh.positions.size());
  const auto normal = static_cast<std::int32_t>(mesh.normals.size());
  mesh.positions.insert(mesh.positions.end(), t.begin(), t.end());
  mesh.normals.push_back(cross(t[1] - t[0], t[2] - t[0]).normalized());
  mesh.faces.push_back({{first, first + 1, first + 2}, {normal, normal, normal}});
}

// A box of two triangles a side, wound to face in; `skip` leaves out one
// triangle (-1: none).
void addBox(Mesh& mesh, const Point3& low, const Point3& high, int skip = -1) {
  const auto corner = [&](int i) {
    return Point3{(i & 1) != 0 ? high.x : low.x, (i & 2) != 0 ? high.y : low.y, (i & 4) != 0 ? high.z : low.z};
  };
  const Point3 centre = 0.5 * (low + high);
  // Each side's four corners, in order round it.
  const int sides[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
  int triangle = 0;
  for (const auto& side : sides) {
    for (const int half : {0, 1}) {
      const int a = side[0], b = side[1 + half], c = side[2 + half];
      if (triangle++ == skip) continue;
      addFacing(mesh, {corner(a), corner(b), corner(c)}, centre);
    }
  }
}

// A rectangle spanned from `corner` by `u` and `v`, as two triangles facing
// `inside`.
void addRectangle(Mesh& mesh, const Point3& corner, const Point3& u, const Point3& v, const Point3& inside) {
  const Point3 p[4] = {corner, corner + u, corner + u + v, corner + v};
  for (const auto& [a, b, c] : {std::array{0, 1, 2}, std::array{0, 2, 3}}) {
    addFacing(mesh, {p[a], p[b], p[c]}, inside);
  }
}

struct Boxes {
  Scene scene;
  BuiltLevel built;
};

std::unique_ptr<Boxes> twoBoxes(int skipInA, bool sealed) {
  Mesh mesh;
  addBox(mesh, {0, 0, 0}, {4, 4, 4}, skipInA);
  addBox(mesh, {6, 0, 0}, {10, 4, 4});
  auto boxes = std::make_unique<Boxes>();
  LevelRequest request;
  request.visibleSets = true;
  request.sets.sealed = sealed;
  boxes->built = testing_support::buildMesh(boxes->scene, mesh, request);
  return boxes;
}

const BspNode& spaceAt(const Boxes& boxes, const Point3& p) {
  return locateSpace(boxes.scene, *boxes.built.compiled->root, p);
}

// Whether an eye at `eye` may see Space `to` by the sets.
bool maySeeFrom(const Boxes& boxes, const Point3& eye, const BspNode& to) {
  return maySee(&*boxes.built.visibleSets, eye, spaceAt(boxes, eye).number, to.number);
}

TEST(RegionSets, aClosedBoxSeesItselfOnlyAndItsOutsideIsNoSource) {
  const auto boxes = twoBoxes(-1, false);
  const SightGraph& sight = boxes->built.sight;
  const RegionRoles roles = findRegionRoles(sight);
  EXPECT_FALSE(roles.leaks());
  EXPECT_EQ(boxes->built.setsReport.open, 0U);
  // Each box's air is a source; everything else is void and no source, and
  // an eye there sees everything.
  std::size_t sources = 0;
  for (std::uint32_t r = 0; r < sight.regions.size(); ++r) {
    const bool inABox = sight.regions[r].mayMeet(std::vector<Point3>{{2, 2, 2}}) ||
                        sight.regions[r].mayMeet(std::vector<Point3>{{8, 2, 2}});
    EXPECT_EQ(roles.isSource(r, false), inABox) << r;
    EXPECT_EQ(roles.roles[r] == RegionRole::Void, !inABox) << r;
    sources += roles.isSource(r, false);
  }
  EXPECT_GE(sources, 2U);
  EXPECT_EQ(boxes->built.setsReport.sources, sources);
  const BspNode& inB = spaceAt(*boxes, {8, 2, 2});
  for (const Point3& eye : {Point3{1, 1, 1}, Point3{3, 3, 3}, Point3{0.1, 2, 3.9}}) {
    EXPECT_TRUE(maySeeFrom(*boxes, eye, spaceAt(*boxes, {2, 2, 2}))) << eye.x;
    EXPECT_FALSE(maySeeFrom(*boxes, eye, inB)) << eye.x;
  }
  // Between the boxes, beyond them, and in A nearer to its wall than the
  // near plane's corners may reach: no restriction.
  for (const Point3& eye : {Point3{5, 2, 2}, Point3{2, 5, 2}, Point3{-0.5, 2, 2}, Point3{2, 2, 3.99}}) {
    EXPECT_TRUE(maySeeFrom(*boxes, eye, inB)) << eye.x << ' ' << eye.y << ' ' << eye.z;
  }
}

// One triangle of A's wall x = 4 left out: A's air sees out, so the level
// leaks and an eye in A sees everything; sealed, the void is opaque and A's
// air is a source again, which still does not see into B.
TEST(RegionSets, aHoleMakesTheBoxOpenUnlessSealed) {
  for (const bool sealed : {false, true}) {
    const auto boxes = twoBoxes(2, sealed);
    EXPECT_GT(boxes->built.setsReport.open, 0U);
    const BspNode& inB = spaceAt(*boxes, {8, 2, 2});
    for (const Point3& eye : {Point3{1, 1, 1}, Point3{3, 3, 3}}) EXPECT_EQ(maySeeFrom(*boxes, eye, inB), !sealed);
    EXPECT_EQ(boxes->built.visibleSets->making.sealed, sealed);
  }
}

// On the bundled level the portal flow keeps a subset of each fast set, and
// out of time it keeps the fast sets exactly, whatever the threads.
TEST(RegionSets, fullSetsLieWithinTheFastOnesAndFallBackToThemOutOfTime) {
  Scene scene;
  LevelRequest request;
  request.sightRegions = true;
  const BuiltLevel built = testing_support::buildMesh(scene, layoutMesh(sampleLayout()), request);
  const Bounds box = levelBounds(scene);
  SetsReport report;
  const VisibleSets fast = findVisibleSets(built.sight, box, {}, report);
  SetsRequest full;
  full.full = true;
  full.threads = 1;
  const VisibleSets sets = findVisibleSets(built.sight, box, full, report);
  EXPECT_EQ(report.cutShort, 0U);
  std::uint64_t fullSeen = 0, fastSeen = 0;
  for (std::uint64_t from = 1; from <= fast.spaces(); ++from) {
    for (std::uint64_t to = 1; to <= fast.spaces(); ++to) EXPECT_TRUE(!sets.sees(from, to) || fast.sees(from, to));
    fullSeen += sets.count(from);
    fastSeen += fast.count(from);
  }
  EXPECT_LT(fullSeen, fastSeen);
  full.threads = 2;
  EXPECT_EQ(findVisibleSets(built.sight, box, full, report).words(), sets.words());
  full.fullSeconds = 1e-9;
  const VisibleSets outOfTime = findVisibleSets(built.sight, box, full, report);
  EXPECT_EQ(report.cutShort, report.sources);
  EXPECT_EQ(outOfTime.words(), fast.words());
}

// A keyhole, seen from above (every room 2 high, every face looking in):
//
//   y=8 +-------+    +-------+=+-------+
//       |       |    |       T2        |      A = [0,4] x [0,8]
//       |   A   |    |   B   | |   C   |      T = [4,5] x [0,1]
//       |       |    |       | |       |      B = [5,9] x [0,8]
//   y=1 |       +----+       | |       |      T2 = [9,9.5] x [7,8]
//   y=0 +-------T----+-------+ +-------+      C = [9.5,13] x [0,8]
//
// A line through the whole of T rises at most 1 in 1, so from x = 5 it
// cannot climb the 6 to T2 within B's 4: nothing in A sees T2 or C (an eye
// in T near its far end does). Every passage of the chain A, T, B, T2, C
// faces the next, so the fast flood's side tests let it through; the portal
// flow's separating planes do not.
Mesh keyholeMesh() {
  Mesh mesh;
  const Point3 up{0, 0, 2};
  // A tunnel from `low` (z = 0) to `high` (z = 2): floor, ceiling and the
  // two walls along x, facing in.
  const auto tunnel = [&](const Point3& low, const Point3& high) {
    const Point3 inside = 0.5 * (low + high);
    const double dx = high.x - low.x, dy = high.y - low.y;
    addRectangle(mesh, low, {dx, 0, 0}, {0, dy, 0}, inside);
    addRectangle(mesh, low + up, {dx, 0, 0}, {0, dy, 0}, inside);
    addRectangle(mesh, low, {dx, 0, 0}, up, inside);
    addRectangle(mesh, {low.x, high.y, 0}, {dx, 0, 0}, up, inside);
  };
  // A room: a tunnel closed at x = low.x (west) and x = high.x (east), each
  // end left open over y in [openLow, openHigh] when given.
  struct Opening {
    double openLow, openHigh;
  };
  const auto room = [&](const Point3& low, const Point3& high, std::optional<Opening> west,
                        std::optional<Opening> east) {
    tunnel(low, high);
    const Point3 inside = 0.5 * (low + high);
    for (const auto& [x, opening] : {std::pair{low.x, west}, std::pair{high.x, east}}) {
      const std::pair<double, double> spans[2] = {
          {low.y, opening ? opening->openLow : high.y}, {opening ? opening->openHigh : high.y, high.y}};
      for (const auto& [from, to] : spans) {
        if (to > from) addRectangle(mesh, {x, from, 0}, {0, to - from, 0}, up, inside);
      }
    }
  };
  room({0, 0, 0}, {4, 8, 2}, std::nullopt, Opening{0, 1});
  tunnel({4, 0, 0}, {5, 1, 2});
  room({5, 0, 0}, {9, 8, 2}, Opening{0, 1}, Opening{7, 8});
  tunnel({9, 7, 0}, {9.5, 8, 2});
  room({9.5, 0, 0}, {13, 8, 2}, Opening{7, 8}, std::nullopt);
  return mesh;
}

TEST(RegionSets, onlyThePortalFlowHidesTheRoomBehindTheKeyhole) {
  const Point3 inA{2, 4, 1}, inT{4.5, 0.5, 1}, inB{7, 4, 1}, inT2{9.25, 7.5, 1}, inC{11, 4, 1};
  for (const bool full : {false, true}) {
    Boxes level;
    LevelRequest request;
    request.visibleSets = true;
    request.sets.full = full;
    level.built = testing_support::buildMesh(level.scene, keyholeMesh(), request);
    ASSERT_EQ(level.built.setsReport.open, 0U);
    const auto sees = [&](const Point3& eye, const Point3& to) { return maySeeFrom(level, eye, spaceAt(level, to)); };
    for (const Point3& eye : {inA, Point3{3.9, 0.5, 1}, Point3{0.5, 7.5, 0.5}, inT}) {
      SCOPED_TRACE(testing::Message() << (full ? "full" : "fast") << " from " << eye.x << ' ' << eye.y);
      // The expected sets: from A, A, T and B, and T2 and C only by the
      // flood; from T, everything.
      const bool inRoomA = eye.x < 4;
      for (const Point3& to : {inA, inT, inB}) EXPECT_TRUE(sees(eye, to)) << to.x;
      for (const Point3& to : {inT2, inC}) EXPECT_EQ(sees(eye, to), !full || !inRoomA) << to.x;
    }
  }
}

}  // namespace
}  // namespace pw
