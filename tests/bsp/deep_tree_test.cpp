#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

#include "bsp/bsp_builder.h"
#include "bsp/bsp_node.h"
#include "bsp_test_support.h"
#include "compile/tree_dump.h"
#include "diag/scene_log.h"
#include "portal/portal.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::runOnSmallStack;
using testing_support::ScratchDir;

// Every walk over a tree or a fragment tree keeps its own stack: on a thread
// with this little stack, one call per level would overflow long before
// the depths below (the build: over 600 levels in 64 KiB).
constexpr std::size_t kSmallStack = 64 * 1024;

std::size_t occurrences(const std::string& text, const std::string& word) {
  std::size_t count = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

// The outward-facing bowl: every cutter settles only itself in front, the
// rest goes behind, so the tree is as deep as the level has triangles.
TEST(DeepTree, pathologicalLevelBuildsDumpsAndFlattens) {
  ScratchDir dir;
  Scene scene;
  appendToScene(deepLevel(600), scene);
  const std::int32_t triangles = scene.triangleCount();
  BspBuilder builder(&scene, dir.path());
  runOnSmallStack(kSmallStack, [&] {
    BspNode* root = builder.build(scene.allTriangleIndices(), {});
    root->collectLeafFragments();
    SceneLog log(dir.file("out.log"), &scene);
    dumpTree(log, *root);
  });
  const BuildStats& stats = builder.stats();
  EXPECT_EQ(stats.maxDepth, static_cast<std::uint64_t>(triangles) - 1);
  EXPECT_EQ(stats.spaces, static_cast<std::uint64_t>(triangles));
  EXPECT_EQ(stats.trianglesSplit, 0u);
  EXPECT_EQ(occurrences(testing_support::readFile(dir.file("out.log")), "ID: "), static_cast<std::size_t>(triangles));
}

class HandMadeDeepTree : public ::testing::Test {
 protected:
  HandMadeDeepTree() {
    scene.addNormal({0, 0, 1});
    scene.addTriangle(scene.addVertex({0, 0, 0}), scene.addVertex({1, 0, 0}), scene.addVertex({0, 1, 0}), 0, 0, 0);
  }
  BspNode* space(std::uint64_t number, std::vector<Portal*> portals = {}) {
    return &nodes.emplace_back(std::vector<std::uint32_t>{0}, std::move(portals), number);
  }
  Portal* fragment() {
    Portal* p = store.adopt(std::make_unique<Portal>());
    p->addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    return p;
  }

  ScratchDir dir;
  Scene scene;
  std::deque<BspNode> nodes;
  PortalStore store;
};

// 50 000 levels along the front side, and along the behind side.
TEST_F(HandMadeDeepTree, dumpFlattenAndSpaceListAreStackSafe) {
  constexpr int kDepth = 50000;
  for (const bool alongFront : {true, false}) {
    BspNode* node = space(1);
    for (int level = 0; level < kDepth; ++level) {
      BspNode* leaf = space(static_cast<std::uint64_t>(level) + 2);
      node = &nodes.emplace_back(0, alongFront ? node : leaf, alongFront ? leaf : node);
    }
    std::size_t spaces = 0;
    runOnSmallStack(kSmallStack, [&] {
      SceneLog log(dir.file("out.log"), &scene);
      dumpTree(log, *node);
      node->collectLeafFragments();
      spaces = collectSpaces(*node).size();
    });
    EXPECT_EQ(spaces, static_cast<std::size_t>(kDepth) + 1);
    EXPECT_EQ(occurrences(testing_support::readFile(dir.file("out.log")), "ID: "), static_cast<std::size_t>(kDepth) + 1);
  }
}

// A fragment split 100 000 times, each time again on alternating sides.
TEST_F(HandMadeDeepTree, attachAndFlattenWalkDeepFragmentTrees) {
  constexpr int kSplits = 100000;
  Portal* top = fragment();
  Portal* f = top;
  for (int i = 0; i < kSplits; ++i) {
    Portal* front = fragment();
    Portal* behind = fragment();
    f->setChildren(front, behind);
    f = i % 2 == 0 ? front : behind;
  }
  BspNode* holder = space(1, {top});
  BspNode* target = space(2);
  runOnSmallStack(kSmallStack, [&] {
    attachPortal(top, target);
    holder->collectLeafFragments();
  });
  ASSERT_EQ(holder->portals.size(), static_cast<std::size_t>(kSplits) + 1);
  for (const Portal* leaf : holder->portals) ASSERT_EQ(leaf->twin()->target(), target);
}

}  // namespace
}  // namespace pw
