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

// A fragment split 100 000 times, each time again on alternating sides.
TEST(DeepTree, attachAndFlattenWalkDeepFragmentTrees) {
  constexpr int kSplits = 100000;
  PortalStore store;
  const auto fragment = [&store] {
    Portal* p = store.adopt(std::make_unique<Portal>());
    p->addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    return p;
  };
  Portal* top = fragment();
  Portal* f = top;
  for (int i = 0; i < kSplits; ++i) {
    Portal* front = fragment();
    Portal* behind = fragment();
    f->setChildren(front, behind);
    f = i % 2 == 0 ? front : behind;
  }
  BspNode holder(std::vector<std::uint32_t>{0}, {top}, 1);
  BspNode target(std::vector<std::uint32_t>{0}, {}, 2);
  runOnSmallStack(kSmallStack, [&] {
    attachPortal(top, &target);
    holder.collectLeafFragments();
  });
  ASSERT_EQ(holder.portals.size(), static_cast<std::size_t>(kSplits) + 1);
  for (const Portal* leaf : holder.portals) ASSERT_EQ(leaf->twin()->target(), &target);
}

}  // namespace
}  // namespace pw
