// Every walk over a tree or a fragment tree keeps its own stack: on a thread
// with this little stack, one call per level would overflow long before the
// depths below.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bsp/bsp_builder.h"
#include "bsp/bsp_node.h"
#include "bsp_test_support.h"
#include "portal/portal.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::runOnSmallStack;
using testing_support::ScratchDir;

constexpr std::size_t kSmallStack = 64 * 1024;

// The outward-facing bowl: every cutter settles only itself in front, the
// rest goes behind, so the tree is as deep as the level has triangles.
TEST(DeepTree, pathologicalLevelBuildsDumpsAndFlattens) {
  ScratchDir dir;
  Scene scene;
  appendToScene(deepLevel(600), scene);
  const auto triangles = static_cast<std::uint64_t>(scene.triangleCount());
  BuildStats stats;
  runOnSmallStack(kSmallStack, [&] { stats = testing_support::buildAndDump(scene, dir.path()); });
  EXPECT_EQ(stats.maxDepth, triangles - 1);
  EXPECT_EQ(stats.spaces, triangles);
  EXPECT_EQ(stats.trianglesSplit, 0u);
  const std::string out = testing_support::readFile(dir.file("out.log"));
  std::uint64_t dumped = 0;
  for (std::size_t at = out.find("ID: "); at != std::string::npos; at = out.find("ID: ", at + 1)) ++dumped;
  EXPECT_EQ(dumped, triangles);
}

}  // namespace
}  // namespace pw
