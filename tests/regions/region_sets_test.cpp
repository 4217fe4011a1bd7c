// The visible sets over the empty regions on two closed boxes side by side,
// A = [0,4]^3 and B = [6,10] x [0,4] x [0,4], every face looking in: which
// regions are sources, what an eye inside A may see, and what a hole in A
// changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "regions/region_roles.h"
#include "regions/region_sets.h"
#include "regions/sight_flood.h"
#include "tests/helpers/compiled_mesh.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

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
      Point3 p[3] = {corner(a), corner(b), corner(c)};
      if (dot(cross(p[1] - p[0], p[2] - p[0]), centre - p[0]) < 0.0) std::swap(p[1], p[2]);
      const auto first = static_cast<std::int32_t>(mesh.positions.size());
      const auto normal = static_cast<std::int32_t>(mesh.normals.size());
      mesh.positions.insert(mesh.positions.end(), p, p + 3);
      mesh.normals.push_back(cross(p[1] - p[0], p[2] - p[0]).normalized());
      mesh.faces.push_back({{first, first + 1, first + 2}, {normal, normal, normal}});
    }
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

}  // namespace
}  // namespace pw
