#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bsp_test_support.h"
#include "scene/scene.h"

namespace pw {
namespace {

using testing_support::addCorners;
using testing_support::readFile;
using testing_support::ScratchDir;

// A cup and a tile, small enough to check by hand.
//
//   tile (triangle 0): (5, 0, 5) (5, 0, 6) (6, 0, 5), facing up (+y)
//   cup: an open pyramid below y = 0, rim a = (0, 0, 0), b = (2, 0, 0),
//        c = (0, 0, 2), apex (0, -1, 0); its three sides (triangles 1-3)
//        face into the cup.
//
// The tile and the side b-apex-c both have balance 1/3 (tile: 3 behind,
// itself in front); the tile comes first and divides. Front: the tile alone
// (Space 1). Behind: the cup, convex seen from inside (Space 2). Each side
// touches y = 0 with its rim edge from behind, recording it in its own
// corner order: b->a, a->c, c->b, a ring counter-clockwise around +y, so
// the portal is the rim triangle; the tile's Space leads into the cup and
// the cup's back.
TEST(GoldenLogs, tileAndCupLogsMatchByteForByte) {
  ScratchDir dir;
  Scene scene;
  const Point3 a{0, 0, 0}, b{2, 0, 0}, c{0, 0, 2}, apex{0, -1, 0};
  addCorners(scene, {5, 0, 5}, {5, 0, 6}, {6, 0, 5});
  addCorners(scene, a, apex, b);
  addCorners(scene, a, c, apex);
  addCorners(scene, b, apex, c);
  testing_support::buildAndDump(scene, dir.path());
  const std::filesystem::path golden = std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "golden";
  for (const char* name : {"out.log", "contours.log", "tris.log"}) {
    EXPECT_EQ(readFile(dir.file(name)), readFile(golden / name)) << name;
  }
}

}  // namespace
}  // namespace pw
