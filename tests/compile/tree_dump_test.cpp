#include "compile/tree_dump.h"

#include <gtest/gtest.h>

#include <string>

#include "bsp/bsp_node.h"
#include "diag/scene_log.h"
#include "scene/scene.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

// A Space's number is written as 16 upper-case hexadecimal digits, and an
// empty Space still has its (empty) triangle line, then "Portálok" in
// Latin-1 and the nine-hyphen line. The golden logs pin everything else.
TEST(TreeDump, spaceWithoutTrianglesHasAnEmptyTriangleLine) {
  const testing_support::ScratchDir dir;
  const Scene scene;
  {
    SceneLog log(dir.file("out.log"), &scene);
    dumpTree(log, BspNode({}, {}, 0xABCDEF));
  }
  EXPECT_EQ(testing_support::readFile(dir.file("out.log")), "\nID: 0000000000ABCDEF\n\nPort\xE1lok\n---------\n\n");
}

}  // namespace
}  // namespace pw
