#include "portal/portal_creation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "portal_test_support.h"
#include "tests/helpers/soup_face.h"

namespace pw {
namespace {

using testing_support::CutterPlane;
using testing_support::doubleSignedArea;
using testing_support::portalArea;
using testing_support::readFile;
using testing_support::ScratchDir;

const double kNan = std::nan("");

// --- The square --------------------------------------------------------

void expectCorners(const std::array<Point3, 4>& got, const std::array<Point3, 4>& expected) {
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(samePoint(got[i], expected[i]))
        << "corner " << i << ": " << got[i].x << " " << got[i].y << " " << got[i].z;
  }
}

// The normal's largest component picks the axis that carries the plane
// offset, ties going to x, then y; the other two run over +-1000.
TEST(CutterSquare, cornersFollowTheDominantAxis) {
  const double h = std::sqrt(0.5);
  expectCorners(cutterSquare({1, 0, 0}), {{{0, -1000, -1000}, {0, 1000, -1000}, {0, 1000, 1000}, {0, -1000, 1000}}});
  expectCorners(cutterSquare({0, 0, -1}), {{{-1000, -1000, 0}, {-1000, 1000, 0}, {1000, 1000, 0}, {1000, -1000, 0}}});
  expectCorners(cutterSquare({0, -h, -h}),
                {{{-1000, 1000, -1000}, {1000, 1000, -1000}, {1000, -1000, 1000}, {-1000, -1000, 1000}}});
  const auto xy = cutterSquare({h, h, 0});
  EXPECT_EQ(std::abs(xy[0].y), 1000.0);
  EXPECT_EQ(std::abs(xy[0].z), 1000.0);
  // The dominant coordinate keeps its order of operations, bit for bit.
  EXPECT_EQ(xy[0].x, -(h * -1000.0 + 0.0 * -1000.0) / h);
  const auto zx = cutterSquare({0.6, 0.0, 0.8});
  EXPECT_EQ(zx[0].z, -(0.6 * -1000.0 + 0.0 * -1000.0) / 0.8);
  EXPECT_EQ(zx[1].z, -(0.6 * 1000.0 + 0.0 * -1000.0) / 0.8);
}

// --- Creating the portal ------------------------------------------------

class CreateCutterPortal : public ::testing::Test {
 protected:
  PortalOutcome create(const std::vector<Contour>& contours, const Point3& normal) {
    return createCutterPortal(contours, normal, nullptr, frontList, behindList, store, trisLog());
  }
  std::filesystem::path trisLog() const { return dir.file("tris.log"); }

  // What "tris.log" must hold for the portal's triangles.
  static std::string trisLogOf(const Portal& portal) {
    std::ostringstream text;
    text.precision(20);
    for (const PortalTriangle& t : portal.triangles()) {
      for (const Point3& p : t.vertices) text << p.x << ' ' << p.y << ' ' << p.z << '\n';
      text << "------------\n";
    }
    return text.str();
  }

  ScratchDir dir;
  std::vector<Portal*> frontList;
  std::vector<Portal*> behindList;
  PortalStore store;
};

// No area to cover, and a stale "tris.log" is emptied all the same. The
// rings are given as chaining hands them on.
struct NoPortalCase {
  const char* name;
  std::vector<Contour> rings;
  Point3 normal;
  PortalOutcome why;
};

class CreateCutterPortalNone : public CreateCutterPortal, public ::testing::WithParamInterface<NoPortalCase> {};

TEST_P(CreateCutterPortalNone, givesNoPortalAndAnEmptyLog) {
  testing_support::writeFile(trisLog(), "stale\n");
  EXPECT_EQ(create(GetParam().rings, GetParam().normal), GetParam().why);
  EXPECT_TRUE(frontList.empty());
  EXPECT_TRUE(behindList.empty());
  EXPECT_EQ(store.size(), 0U);
  EXPECT_EQ(readFile(trisLog()), "");
}

// The face and the triangles on it of tests/helpers/soup_face.h as rings.
std::vector<Contour> soupRings() {
  std::vector<Contour> rings{testing_support::kSoupFace};
  rings.insert(rings.end(), testing_support::kSoupCutouts.begin(), testing_support::kSoupCutouts.end());
  return rings;
}

const Contour kRoom{{2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 0}};   // counter-clockwise around +z
const Contour kBlock{{0, 2, 0}, {2, 2, 0}, {2, 0, 0}, {0, 0, 0}};  // clockwise around +z

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateCutterPortalNone,
    ::testing::Values(
        // Every triangle between the square and nothing touches a corner.
        NoPortalCase{"squareAlone", {}, {0, 0, 1}, PortalOutcome::NoRings},
        // The cross-section of a solid block has winding 0.
        NoPortalCase{"blockRing", {kBlock}, {0, 0, 1}, PortalOutcome::NoArea},
        // Overlapping rooms would need new vertices where the rings cross,
        // which GLU makes only with a combine callback; none is given.
        NoPortalCase{"crossingRings",
                     {kRoom, {{3, 1, 0}, {3, 3, 0}, {1, 3, 0}, {1, 1, 0}}},
                     {0, 0, 1},
                     PortalOutcome::Refused},
        // Corners a few ulps apart: GLU's sweep, left alone, finds millions
        // of crossings before it gives up.
        NoPortalCase{"ringsUlpsApart", soupRings(), testing_support::kSoupNormal, PortalOutcome::Refused},
        // Hostile planes and points never reach GLU.
        NoPortalCase{"zeroNormal", {kRoom}, {0, 0, 0}, PortalOutcome::Untessellable},
        NoPortalCase{"nanNormal", {kRoom}, {kNan, 0, 1}, PortalOutcome::Untessellable},
        NoPortalCase{"nanPoint",
                     {{{2, 0, 0}, {2, 2, 0}, {kNan, 2, 0}, {0, 0, 0}}},
                     {0, 0, 1},
                     PortalOutcome::Untessellable}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Counter-clockwise around n (a room seen from inside): the portal covers it.
//   (0,2) +----+ (2,2)
//         |    |
//   (0,0) +----+ (2,0)
TEST_F(CreateCutterPortal, roomRingBecomesAPortalFacingTheNormal) {
  const Point3 n{0, 0, 1};
  EXPECT_EQ(create({kRoom}, n), PortalOutcome::Created);
  ASSERT_EQ(frontList.size(), 1U);
  ASSERT_EQ(behindList.size(), 1U);
  Portal& portal = *frontList[0];
  EXPECT_EQ(behindList[0], portal.twin());
  EXPECT_EQ(store.size(), 1U);
  EXPECT_EQ(portal.triangleCount(), 2);
  EXPECT_EQ(portalArea(portal, n), 4.0);
  for (const PortalTriangle& t : portal.triangles()) EXPECT_GT(doubleSignedArea(t, n), 0.0);
  for (const PortalTriangle& t : portal.twin()->triangles()) EXPECT_LT(doubleSignedArea(t, n), 0.0);
  EXPECT_EQ(readFile(trisLog()), trisLogOf(portal));
}

// A room (counter-clockwise) beside a block (clockwise), in one plane: the
// room is covered, the block's cross-section is left out. (Between the two
// the winding is the square's +1, so triangles joining them may be kept.)
//   +----+          +----+ (7,2)
//   |room|          |////|
//   +----+ (2,0)    +----+ (5,0)
TEST_F(CreateCutterPortal, blockBesideARoomIsLeftOutOfItsPortal) {
  const Point3 n{0, 0, 1};
  create({kRoom, Contour({{5, 2, 0}, {7, 2, 0}, {7, 0, 0}, {5, 0, 0}})}, n);
  ASSERT_EQ(frontList.size(), 1U);
  double roomArea = 0.0;
  for (const PortalTriangle& t : frontList[0]->triangles()) {
    const double cx = (t.vertices[0].x + t.vertices[1].x + t.vertices[2].x) / 3.0;
    EXPECT_FALSE(cx > 5.0 && cx < 7.0) << "a triangle inside the block";
    if (cx < 2.0) roomArea += doubleSignedArea(t, n) / 2.0;
    EXPECT_GT(doubleSignedArea(t, n), 0.0);
  }
  EXPECT_EQ(roomArea, 4.0);
}

// --- From fragments to a portal ------------------------------------------

// The four side walls of the unit box, wound counter-clockwise seen from
// outside (or inside, when `inward`), as one fragment's triangles.
Portal* boxWalls(PortalStore& store, bool inward) {
  const std::array<Point3, 4> base{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
  const Point3 up{0, 0, 1};
  Portal* walls = store.adopt(std::make_unique<Portal>());
  for (std::size_t i = 0; i < 4; ++i) {
    const Point3 a = base[i], b = base[(i + 1) % 4], c = b + up, d = a + up;
    if (inward) {
      walls->addTriangle(a, c, b);
      walls->addTriangle(a, d, c);
    } else {
      walls->addTriangle(a, b, c);
      walls->addTriangle(a, c, d);
    }
  }
  return walls;
}

// Cut by z = 0.5 the walls' behind pieces record the cross-section; for an
// outward-facing block it runs clockwise around n and is left out, for a
// room seen from inside it runs counter-clockwise and becomes the portal.
class CutThroughBox : public CreateCutterPortal {
 protected:
  std::vector<Contour> cutWalls(bool inward) {
    std::vector<Portal*> wallsFront;
    std::vector<Portal*> wallsBehind;
    splitPortal(middle.cutter(), edges, boxWalls(store, inward), wallsFront, wallsBehind, store);
    return chainContours(edges);
  }

  const CutterPlane middle{{0, 0, 0.5}, {1, 0, 0}, {0, 1, 0}};
  EdgeSet edges;
};

TEST_F(CutThroughBox, outwardBlockGivesNoPortal) {
  const auto rings = cutWalls(false);
  ASSERT_EQ(rings.size(), 1U);
  EXPECT_EQ(rings[0].size(), 8U);
  const std::size_t kept = store.size();
  create(rings, middle.cutter().planeNormal());
  EXPECT_TRUE(frontList.empty());
  EXPECT_EQ(store.size(), kept);
}

}  // namespace
}  // namespace pw
